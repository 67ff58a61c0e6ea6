// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarm/MinuteClock.h"
#include "platform/Clock.h"
#include "platform/Platform.h"

#include <QDateTime>

namespace {
constexpr int WatchMs = 1000;
// Above the watch's own interval, so that a stopped test clock is no jump.
constexpr qint64 JumpMs = 2000;
qint64 clockOffset(const QElapsedTimer &counted)
{
    return Platform::clock().now().toMSecsSinceEpoch() - counted.elapsed();
}
}

MinuteClock &MinuteClock::instance()
{
    static MinuteClock *clock = new MinuteClock; // lives as long as the program
    return *clock;
}

int MinuteClock::msToNextMinute(const QDateTime &now)
{
    const QTime t = now.time();
    return 60000 - (t.second() * 1000 + t.msec());
}

MinuteClock::MinuteClock()
{
    m_counted.start();
    m_offset = clockOffset(m_counted);
    connect(&m_watch, &QTimer::timeout, this, &MinuteClock::look);
    m_watch.start(WatchMs);
}

void MinuteClock::look()
{
    const qint64 offset = clockOffset(m_counted);
    const bool jumped = qAbs(offset - m_offset) > JumpMs;
    m_offset = offset;
    if (jumped)
        emit clockChanged();
}
