#include "platform/WindowOps.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include <xcb/xcb.h>

static const char *kCreationProperty = "quadreloCreationOrder";

namespace {

xcb_connection_t *x11Connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t *c, const char *name)
{
    auto cookie = xcb_intern_atom(c, 0, uint16_t(strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    xcb_atom_t atom = reply->atom;
    free(reply);
    return atom;
}

}

namespace WindowOps {

void setTopmost(QWidget *window, bool on)
{
    if (!window)
        return;
    window->winId(); // the native window must exist for the flag to reach the window manager
    QWindow *handle = window->windowHandle();
    if (handle && handle->flags().testFlag(Qt::WindowStaysOnTopHint) != on)
        handle->setFlag(Qt::WindowStaysOnTopHint, on);
    if (window->isVisible())
        window->raise();
}

bool startSystemMove(QWidget *window)
{
    QWindow *handle = window ? window->windowHandle() : nullptr;
    return handle && handle->startSystemMove();
}

void setSkipTaskbar(QWidget *window)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window)
        return;
    const xcb_window_t id = xcb_window_t(window->winId());
    // Looked up once: each look-up is a round trip to the X server.
    static const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    static const xcb_atom_t skipTaskbar = internAtom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    static const xcb_atom_t skipPager = internAtom(c, "_NET_WM_STATE_SKIP_PAGER");
    if (state == XCB_ATOM_NONE)
        return;
    if (!window->isVisible()) {
        // Before mapping, the window manager reads the property itself; Qt keeps atoms it does not manage.
        const xcb_atom_t atoms[2] = {skipTaskbar, skipPager};
        xcb_change_property(c, XCB_PROP_MODE_APPEND, id, state, XCB_ATOM_ATOM, 32, 2, atoms);
    } else {
        // A mapped window asks the window manager with a client message.
        xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 32;
        ev.window = id;
        ev.type = state;
        ev.data.data32[0] = 1; // add
        ev.data.data32[1] = skipTaskbar;
        ev.data.data32[2] = skipPager;
        ev.data.data32[3] = 1;
        xcb_send_event(c, 0, screen->root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&ev));
    }
    xcb_flush(c);
}

void processPendingEvents() { QCoreApplication::processEvents(); }

void stampCreationOrder(QWidget *window)
{
    static quint64 next = 0;
    window->setProperty(kCreationProperty, ++next);
}

QList<QWidget *> openWindows()
{
    QList<QWidget *> windows = QApplication::topLevelWidgets();
    std::stable_sort(windows.begin(), windows.end(), [](QWidget *a, QWidget *b) {
        return a->property(kCreationProperty).toULongLong() < b->property(kCreationProperty).toULongLong();
    });
    return windows;
}

}
