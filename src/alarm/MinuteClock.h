// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QDateTime;

// When the notes check their alarms: at the start of each minute of the local clock, and again at
// once when that clock jumps (set by hand or by the network, or the machine woke from suspend),
// since a timer counts time the clock does not show and stops while the machine sleeps.
class MinuteClock : public QObject {
    Q_OBJECT
public:
    // The program's one clock watch, started on first use.
    static MinuteClock &instance();
    // Milliseconds from `now` to the start of the next minute: 1 to 60000.
    static int msToNextMinute(const QDateTime &now);

signals:
    // The clock differs from the time counted since the last look by more than two seconds.
    void clockChanged();

private:
    MinuteClock();
    void look();
    QTimer m_watch;
    QElapsedTimer m_counted;
    qint64 m_offset = 0;
};
