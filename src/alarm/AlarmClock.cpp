// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarm/AlarmClock.h"
#include "alarm/AlarmCheck.h"
#include "platform/Clock.h"
#include "platform/Platform.h"

#include <QDBusConnection>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimeZone>

#include <sys/inotify.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>

namespace {

// The first instant, in ms since the epoch, at which the local clock shows `date` `time` or later:
// of a time shown twice (the hour repeated in autumn) the first, and of a time the clock skips
// (the hour lost in spring) the end of the skip. QDateTime picks either for the first and moves
// the second by hours.
qint64 firstInstantShowing(QDate date, QTime time)
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    if (!zone.isValid())
        return QDateTime(date, time).toMSecsSinceEpoch();
    const qint64 wall = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    // Further than any zone is from UTC, so the instant lies between.
    constexpr qint64 Span = 2LL * 24 * 3600 * 1000;
    qint64 from = wall - Span;
    qint64 offset = zone.offsetFromUtc(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC)) * 1000LL;
    const auto changes = zone.transitions(QDateTime::fromMSecsSinceEpoch(from, Qt::UTC),
                                          QDateTime::fromMSecsSinceEpoch(wall + Span, Qt::UTC));
    for (const QTimeZone::OffsetData &change : changes) {
        const qint64 changeAt = change.atUtc.toMSecsSinceEpoch();
        const qint64 shown = std::max(from, wall - offset);
        if (shown < changeAt)
            return shown;
        from = changeAt;
        offset = change.offsetFromUtc * 1000LL;
    }
    return std::max(from, wall - offset);
}

// When a wall-clock moment is due by the rule of isAlarmDue; never for an invalid one.
qint64 dueInstant(const QDateTime &due)
{
    return due.isValid() ? firstInstantShowing(due.date(), due.time()) : std::numeric_limits<qint64>::max();
}

}

AlarmClock &AlarmClock::instance()
{
    static AlarmClock *clock = new AlarmClock; // lives as long as the program
    return *clock;
}

AlarmClock::AlarmClock(const QString &zoneFile, QObject *parent) : QObject(parent)
{
    // Aimed at a moment of the wall clock; cancelled when that clock is set.
    m_timer = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_timer >= 0) {
        m_timerNotifier = new QSocketNotifier(m_timer, QSocketNotifier::Read, this);
        connect(m_timerNotifier, &QSocketNotifier::activated, this, [this] {
            quint64 expirations = 0;
            // ECANCELED: the clock was set. Either way the alarms are looked at.
            if (read(m_timer, &expirations, sizeof expirations) < 0 && errno != ECANCELED)
                return;
            ringDue();
        });
    }
    watchZone(zoneFile);
    // After a suspend the timer may have slept through its moment. No system bus: no news of it.
    QDBusConnection::systemBus().connect(QStringLiteral("org.freedesktop.login1"),
                                         QStringLiteral("/org/freedesktop/login1"),
                                         QStringLiteral("org.freedesktop.login1.Manager"),
                                         QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
}

AlarmClock::~AlarmClock()
{
    if (m_timer >= 0)
        close(m_timer);
    if (m_zoneWatch >= 0)
        close(m_zoneWatch);
}

void AlarmClock::setAlarm(QObject *note, const QDateTime &due)
{
    m_alarms.removeIf([note](const Alarm &a) { return a.note == note; });
    if (due.isValid()) {
        m_alarms.append({note, due, dueInstant(due)});
        connect(note, &QObject::destroyed, this, &AlarmClock::forget, Qt::UniqueConnection);
    }
    aim();
}

void AlarmClock::forget(const QObject *gone)
{
    // While `destroyed` is told, a widget's pointer may not be cleared yet.
    m_alarms.removeIf([gone](const Alarm &a) { return a.note.isNull() || a.note.data() == gone; });
    aim();
}

void AlarmClock::timeChanged()
{
    for (Alarm &a : m_alarms)
        a.at = dueInstant(a.due); // in the zone there is now
    ringDue();
}

void AlarmClock::prepareForSleep(bool sleeping)
{
    if (!sleeping)
        timeChanged();
}

void AlarmClock::ringDue()
{
    const QDateTime now = Platform::clock().now();
    QList<QPointer<QObject>> ringing;
    m_alarms.removeIf([&](const Alarm &a) {
        const bool due = isAlarmDue(a.due, now);
        if (due)
            ringing << a.note;
        return due;
    });
    aim();
    // A note may go away while another rings.
    for (const QPointer<QObject> &note : ringing)
        if (note)
            emit due(note);
}

void AlarmClock::aim()
{
    qint64 next = std::numeric_limits<qint64>::max();
    for (const Alarm &a : m_alarms)
        next = std::min(next, a.at);
    itimerspec wake{}; // all zero: disarmed
    m_next = QDateTime();
    if (next != std::numeric_limits<qint64>::max()) {
        const QDateTime now = Platform::clock().now();
        const qint64 nowMs = now.toMSecsSinceEpoch();
        // Already due when it was set: the start of the next minute, as a check once a minute
        // would have found it.
        if (next <= nowMs) {
            const QTime local = now.toLocalTime().time();
            next = nowMs + 60000 - (local.second() * 1000 + local.msec());
        }
        m_next = QDateTime::fromMSecsSinceEpoch(next, Qt::UTC);
        // The timer runs on the system's clock; the program's may be another one (in tests).
        const qint64 at = next - nowMs + QDateTime::currentMSecsSinceEpoch();
        wake.it_value.tv_sec = time_t(at / 1000);
        wake.it_value.tv_nsec = long(at % 1000) * 1000000L;
    }
    if (m_timer >= 0)
        timerfd_settime(m_timer, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &wake, nullptr);
}

void AlarmClock::watchZone(const QString &zoneFile)
{
    const QFileInfo zone(zoneFile);
    m_zoneName = QFile::encodeName(zone.fileName());
    m_zoneWatch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_zoneWatch < 0)
        return;
    // The folder, since the zone is changed by putting a new link in place of the old one: a watch
    // on the file itself would end with the file it was set on.
    const QByteArray folder = QFile::encodeName(zone.path());
    if (inotify_add_watch(m_zoneWatch, folder.constData(), IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE | IN_ONLYDIR) < 0) {
        close(m_zoneWatch);
        m_zoneWatch = -1;
        return;
    }
    m_zoneNotifier = new QSocketNotifier(m_zoneWatch, QSocketNotifier::Read, this);
    connect(m_zoneNotifier, &QSocketNotifier::activated, this, &AlarmClock::zoneEvent);
}

void AlarmClock::zoneEvent()
{
    alignas(inotify_event) char buffer[4096];
    bool zoneChanged = false;
    ssize_t n;
    while ((n = read(m_zoneWatch, buffer, sizeof buffer)) > 0) {
        for (char *p = buffer; p < buffer + n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(p);
            if (e->len && m_zoneName == e->name)
                zoneChanged = true;
            p += sizeof(inotify_event) + e->len;
        }
    }
    if (zoneChanged)
        timeChanged();
}
