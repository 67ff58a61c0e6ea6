// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DesktopNotices.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage request(const QString &method) { return QDBusMessage::createMethodCall(Service, Path, Service, method); }

// Critical: it stays in the list, and on the lock screen, until dealt with.
constexpr uchar Critical = 2;
// How long the program's end waits for the service to take a withdrawal.
constexpr int EndWaitMs = 1000;

} // namespace

DBusNotices::DBusNotices(QObject *parent) : DesktopNotices(parent), m_bus(QDBusConnection::sessionBus())
{
    // Also from a service that comes up later: the bus follows the name's owner.
    m_bus.connect(Service, Path, Service, QStringLiteral("ActionInvoked"), this, SLOT(actionInvoked(uint, QString)));
    m_bus.connect(Service, Path, Service, QStringLiteral("NotificationClosed"), this,
                  SLOT(notificationClosed(uint, uint)));
}

void DBusNotices::show(quint64 key, const Notice &notice)
{
    if (!m_bus.isConnected())
        return;
    const quint64 ticket = ++m_lastTicket;
    m_requests.insert(key, ticket);
    // Asked without waiting: a service that hangs must not hold the notes.
    auto *asked = new QDBusPendingCallWatcher(m_bus.asyncCall(request(QStringLiteral("GetCapabilities"))), this);
    connect(asked, &QDBusPendingCallWatcher::finished, this, [this, key, ticket, notice](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<QStringList> offered = *w;
        // No service: the ringing note is all there is, as on a bare window manager.
        if (!offered.isError() && m_requests.value(key) == ticket)
            send(key, ticket, notice, offered.value());
    });
}

void DBusNotices::send(quint64 key, quint64 ticket, const Notice &notice, const QStringList &offered)
{
    QStringList actions;
    if (offered.contains(QLatin1String("actions")))
        for (const auto &[name, label] : notice.actions)
            actions << name << label;
    const QString entry = QGuiApplication::desktopFileName();
    QVariantMap hints{{QStringLiteral("desktop-entry"), entry},
                      {QStringLiteral("urgency"), QVariant::fromValue<uchar>(Critical)}};
    // Kept after an action, where the service keeps notices at all: the program withdraws it.
    if (offered.contains(QLatin1String("persistence")))
        hints.insert(QStringLiteral("resident"), true);
    QDBusMessage notify = request(QStringLiteral("Notify"));
    notify << QGuiApplication::applicationDisplayName() << m_shown.value(key) << entry << notice.summary << notice.body
           << actions << hints << 0; // 0: never expires
    auto *sent = new QDBusPendingCallWatcher(m_bus.asyncCall(notify), this);
    connect(sent, &QDBusPendingCallWatcher::finished, this, [this, key, ticket](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> id = *w;
        if (id.isError())
            return;
        if (m_requests.value(key) != ticket) {
            close(id.value()); // withdrawn, or replaced, while it was on its way
            return;
        }
        m_shown.insert(key, id.value());
    });
}

void DBusNotices::withdraw(quint64 key)
{
    m_requests.remove(key);
    if (m_shown.contains(key))
        close(m_shown.take(key));
}

void DBusNotices::withdrawAll()
{
    m_requests.clear();
    for (uint id : std::as_const(m_shown))
        close(id, true);
    m_shown.clear();
}

void DBusNotices::close(uint id, bool wait)
{
    QDBusMessage message = request(QStringLiteral("CloseNotification"));
    message << id;
    message.setAutoStartService(false); // a service that is gone took its notices along
    if (wait)
        m_bus.call(message, QDBus::BlockWithGui, EndWaitMs);
    else
        m_bus.asyncCall(message);
}

void DBusNotices::actionInvoked(uint id, const QString &action)
{
    if (const quint64 key = m_shown.key(id, 0); key != 0)
        emit invoked(key, action);
}

void DBusNotices::notificationClosed(uint id, uint)
{
    if (const quint64 key = m_shown.key(id, 0); key != 0)
        m_shown.remove(key);
}
