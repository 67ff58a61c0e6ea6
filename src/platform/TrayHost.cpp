// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TrayHost.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>

#include <xcb/xcb.h>

TrayHost::Presence TrayHost::probe()
{
    Presence found;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (bus.isConnected() && bus.interface()->isServiceRegistered(watcher)) {
        found.statusNotifierWatcher = true;
        QDBusMessage ask = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"),
                                                          QStringLiteral("Get"));
        ask << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
        // Bounded: a panel that hangs must not hold the notes up.
        const QDBusMessage answer = bus.call(ask, QDBus::Block, 1000);
        found.statusNotifierHost = answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty()
                                   && answer.arguments().first().value<QDBusVariant>().variant().toBool();
    }
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (QGuiApplication::platformName() == QLatin1String("xcb") && x11) {
        xcb_connection_t *c = x11->connection();
        const char name[] = "_NET_SYSTEM_TRAY_S0";
        xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
        if (atom && atom->atom != XCB_ATOM_NONE) {
            xcb_get_selection_owner_reply_t *owner =
                xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
            found.xembedTray = owner && owner->owner != XCB_WINDOW_NONE;
            free(owner);
        }
        free(atom);
    }
    return found;
}
