// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TrayHost.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace {
const QString RegistryService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString RegistryPath = QStringLiteral("/StatusNotifierWatcher");
}

void TrayHost::update(const Presence &now)
{
    if (now == m_presence)
        return;
    m_presence = now;
    emit changed();
}

DesktopTrayHost::DesktopTrayHost(QObject *parent) : TrayHost(parent)
{
    watchXTray();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        Presence p = presence();
        p.known = true;
        update(p);
        return;
    }
    // A registry that comes up later (a panel started after the program, or restarted) is asked
    // anew; one that goes away takes its panel with it.
    auto *registry = new QDBusServiceWatcher(RegistryService, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(registry, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                Presence p = presence();
                p.statusNotifierWatcher = !newOwner.isEmpty();
                p.statusNotifierHost = false;
                if (p.statusNotifierWatcher)
                    ++p.watcherStarts;
                ++m_asked; // an answer on its way speaks of the registry that was
                update(p);
                if (p.statusNotifierWatcher)
                    askForHost();
            });
    bus.connect(RegistryService, RegistryPath, RegistryService, QStringLiteral("StatusNotifierHostRegistered"), this,
                SLOT(hostRegistered()));
    bus.connect(RegistryService, RegistryPath, RegistryService, QStringLiteral("StatusNotifierHostUnregistered"), this,
                SLOT(hostUnregistered()));
    askForHost();
}

DesktopTrayHost::~DesktopTrayHost()
{
    delete m_xEvents;
    if (m_x)
        xcb_disconnect(m_x);
}

void DesktopTrayHost::askForHost()
{
    QDBusMessage ask = QDBusMessage::createMethodCall(
        RegistryService, RegistryPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    ask << RegistryService << QStringLiteral("IsStatusNotifierHostRegistered");
    // Asking must not start a registry the desktop does not run.
    ask.setAutoStartService(false);
    const int asked = ++m_asked;
    // A registry that does not answer within a second counts as one without a panel yet.
    auto *answer = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(ask, 1000), this);
    connect(answer, &QDBusPendingCallWatcher::finished, this, [this, asked](QDBusPendingCallWatcher *call) {
        call->deleteLater();
        if (asked != m_asked)
            return;
        const QDBusMessage reply = call->reply();
        Presence p = presence();
        p.known = true;
        if (reply.type() == QDBusMessage::ReplyMessage) {
            p.statusNotifierWatcher = true;
            p.statusNotifierHost =
                !reply.arguments().isEmpty() && reply.arguments().first().value<QDBusVariant>().variant().toBool();
        } else {
            const QString error = reply.errorName();
            p.statusNotifierWatcher = error != QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
                                      && error != QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner");
            p.statusNotifierHost = false;
        }
        update(p);
    });
}

void DesktopTrayHost::hostRegistered()
{
    Presence p = presence();
    p.known = p.statusNotifierWatcher = p.statusNotifierHost = true;
    update(p);
}

void DesktopTrayHost::hostUnregistered()
{
    // Another panel may still show the icons.
    askForHost();
}

void DesktopTrayHost::watchXTray()
{
    // Qt makes X tray icons only on X.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    int screen = 0;
    m_x = xcb_connect(nullptr, &screen);
    const xcb_query_extension_reply_t *xfixes =
        xcb_connection_has_error(m_x) ? nullptr : xcb_get_extension_data(m_x, &xcb_xfixes_id);
    if (!xfixes || !xfixes->present) {
        xcb_disconnect(m_x);
        m_x = nullptr;
        return;
    }
    free(xcb_xfixes_query_version_reply(
        m_x, xcb_xfixes_query_version(m_x, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION), nullptr));
    m_selectionNotify = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;

    const QByteArray name = "_NET_SYSTEM_TRAY_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t *atom =
        xcb_intern_atom_reply(m_x, xcb_intern_atom(m_x, 0, name.size(), name.constData()), nullptr);
    m_trayAtom = atom ? atom->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(atom);
    xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(m_x));
    for (int i = 0; i < screen && roots.rem; ++i)
        xcb_screen_next(&roots);
    if (m_trayAtom == XCB_ATOM_NONE || !roots.rem)
        return;
    // The tray's owner is told to this connection whenever it changes, goes or its window dies.
    xcb_xfixes_select_selection_input(m_x, roots.data->root, m_trayAtom,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY
                                          | XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_get_selection_owner_reply_t *owner =
        xcb_get_selection_owner_reply(m_x, xcb_get_selection_owner(m_x, m_trayAtom), nullptr);
    Presence p = presence();
    p.xembedTray = owner && owner->owner != XCB_WINDOW_NONE;
    free(owner);
    update(p);
    // Events that came before the answer are older than it.
    while (xcb_generic_event_t *older = xcb_poll_for_queued_event(m_x))
        free(older);
    m_xEvents = new QSocketNotifier(xcb_get_file_descriptor(m_x), QSocketNotifier::Read, this);
    connect(m_xEvents, &QSocketNotifier::activated, this, &DesktopTrayHost::readXEvents);
}

void DesktopTrayHost::readXEvents()
{
    Presence p = presence();
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_x)) {
        if ((event->response_type & 0x7f) == m_selectionNotify) {
            const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
            if (notify->selection == m_trayAtom)
                p.xembedTray = notify->owner != XCB_WINDOW_NONE; // none when its window or client went
        }
        free(event);
    }
    if (xcb_connection_has_error(m_x))
        m_xEvents->setEnabled(false); // the display is gone, and the program with it
    update(p);
}
