// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QHash>
#include <QObject>
#include <QPointer>

class DesktopNotices;
class frmLembrete;

// A ringing note's notice in the desktop's notification list, for the person who was away: sent
// when the alarm rings, left there after a plain alarm's few seconds, withdrawn once the person
// has dealt with it; its actions bring the note up or put the alarm off.
class AlarmNotices : public QObject {
    Q_OBJECT
public:
    // "Adiar" sets the alarm again this many minutes later.
    static constexpr int PutOffMinutes = 10;

    explicit AlarmNotices(DesktopNotices &desktop, QObject *parent = nullptr);
    // Follows this note's alarm until the note goes away.
    void follow(frmLembrete *note);
    // The program ends: no notice is left with buttons that reach nobody.
    void withdrawAll();

private:
    void ringing(quint64 key, frmLembrete *note);
    void invoked(quint64 key, const QString &action);

    DesktopNotices &m_desktop;
    QHash<quint64, QPointer<frmLembrete>> m_notes;
    quint64 m_lastKey = 0;
};
