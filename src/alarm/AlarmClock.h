// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

class QSocketNotifier;

// The one alarm clock of all notes: it sleeps until the next minute at which some note's alarm
// is due and then names that note. It looks again at once when the local time jumps: the clock
// set by hand or by the network, the time zone changed, the machine back from suspend.
class AlarmClock : public QObject {
    Q_OBJECT
public:
    // The program's clock, made on first use.
    static AlarmClock &instance();
    // `zoneFile` is the file that names the system's time zone; the desktop's settings change the
    // zone by putting a new file in its place.
    explicit AlarmClock(const QString &zoneFile = QStringLiteral("/etc/localtime"), QObject *parent = nullptr);
    ~AlarmClock() override;

    // The alarm of `note` rings at the wall-clock moment `due` (AlarmDue::at), by the rule of
    // isAlarmDue: of a time the clock shows twice the first instant, of one it skips the end of the
    // skip. An invalid moment takes the alarm away; a destroyed note takes its alarm with it.
    // An alarm already due rings at the start of the next minute.
    void setAlarm(QObject *note, const QDateTime &due);
    // The local time may have jumped: alarms due now ring at once, and the clock is aimed again.
    void timeChanged();
    // When the clock wakes next, by the program's clock; invalid while no alarm is set.
    QDateTime nextWake() const { return m_next; }

signals:
    // The alarm of `note` is due: only that note is named. The clock forgets it, so it is named once.
    void due(QObject *note);

private slots:
    void prepareForSleep(bool sleeping);

private: // NOLINT(readability-redundant-access-specifiers): the slot above is a section of Qt's own
    struct Alarm {
        QPointer<QObject> note;
        QDateTime due; // wall clock
        qint64 at;     // ms since the epoch
    };
    void ringDue();
    void aim();
    void forget(const QObject *gone);
    void watchZone(const QString &zoneFile);
    void zoneEvent();

    QList<Alarm> m_alarms;
    QDateTime m_next;
    int m_timer = -1;
    QSocketNotifier *m_timerNotifier = nullptr;
    QByteArray m_zoneName; // the zone file's name in the watched folder
    int m_zoneWatch = -1;
    QSocketNotifier *m_zoneNotifier = nullptr;
};
