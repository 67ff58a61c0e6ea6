// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>
#include <functional>

class QTimer;

// Saves all notes by itself shortly after a change, so an edit survives a crash, a lost X
// connection or a power cut: at most once per interval, and again every few minutes while a
// save keeps failing. A failure is told once, until a save succeeds again.
class AutoSave : public QObject {
    Q_OBJECT
public:
    // How soon after a change the notes are saved.
    static constexpr int DelayMs = 2000;
    // The safety net: anything left unsaved (a save failed, say) is tried again this often.
    static constexpr int RetryMs = 5 * 60 * 1000;

    // `save` runs save-all and returns the failure's message, or nothing when it worked.
    explicit AutoSave(std::function<QString()> save, QObject *parent = nullptr);

    // Something that save-all stores has changed.
    void changed();
    // While held (loading, a save running, after shutdown) nothing is saved by itself; a change
    // meanwhile is saved once released.
    void hold(bool held);
    bool pending() const { return m_pending; }

signals:
    // A save by itself has run; `ok` says whether it worked.
    void attempted(bool ok);

private:
    void saveNow();

    std::function<QString()> m_save;
    QTimer *m_delay;
    QTimer *m_retry;
    bool m_pending = false;
    bool m_held = false;
    bool m_busy = false;
    bool m_failureTold = false;
};
