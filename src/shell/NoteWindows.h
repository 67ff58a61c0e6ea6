// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "note/NoteRegistry.h"
#include "platform/RuntimeError.h"
#include "records/NoteBook.h"

#include <QObject>
#include <QSet>
#include <optional>

class AlarmNotices;
class NoteStore;
class NoteValue;
class frmLembrete;

// The note windows as a whole: one made for each of the store's notes at start, one made anew,
// and windows opened, updated or closed to show what a join with another machine decided; with
// the count of notes that the tray's tip shows.
class NoteWindows : public QObject {
    Q_OBJECT
public:
    // The windows write their changes into the store's notes, and show what its joins change.
    explicit NoteWindows(NoteStore &store, QObject *parent = nullptr);

    struct Loaded {
        int failures = 0; // records that cannot be shown: kept in the store as they are
        std::optional<RuntimeError> firstFailure;
    };
    // A window for each of the store's notes, shown or left hidden.
    Loaded load(bool show);
    // A new, empty note, shown beside the notes already shown; nullptr when the program ended
    // while the window was laid out. Throws RuntimeError when the count is full.
    frmLembrete *makeNew();
    qint16 count() const { return m_count; }
    // The notes open now, each entered once its window is set up.
    const NoteRegistry &registry() const { return m_registry; }
    // No window is made any more, and the ringing notes' notices are withdrawn: the program is ending.
    void close();

signals:
    void countChanged();
    // Something save-all stores has changed: a note edited, moved, deleted.
    void changed();

private:
    frmLembrete *make(const NoteValue &value, bool show, const QString &noteId = QString());
    // Opens, closes and updates windows to show what a join changed.
    void apply(const QList<NoteBook::Change> &changes);
    void changeCount(int delta); // throws RuntimeError on overflow

    NoteStore &m_store;
    NoteRegistry m_registry;
    AlarmNotices *m_notices;
    qint16 m_count = 0;
    bool m_closed = false;
};
