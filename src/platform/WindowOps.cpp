// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowOps.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
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
    auto cookie = xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(c, cookie, nullptr);
    if (!reply)
        return XCB_ATOM_NONE;
    xcb_atom_t atom = reply->atom;
    free(reply);
    return atom;
}

// The X window now behind a widget: Qt may replace it (when always-on-top changed while hidden)
// without the widget's own id following.
xcb_window_t nativeId(QWidget *window)
{
    window->winId();
    return xcb_window_t(window->windowHandle()->winId());
}

// Sends an EWMH request about a mapped window to the root window, where the window manager listens.
void sendToWindowManager(xcb_connection_t *c, xcb_window_t window, xcb_atom_t type, const uint32_t (&data)[5])
{
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    xcb_client_message_event_t ev{};
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = type;
    for (int i = 0; i < 5; ++i)
        ev.data.data32[i] = data[i];
    xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&ev));
}

// Squared distance between two rectangles (0 when they touch or overlap).
qint64 distance2(const QRect &a, const QRect &b)
{
    const qint64 dx = qMax(0, qMax(a.left() - b.right(), b.left() - a.right()));
    const qint64 dy = qMax(0, qMax(a.top() - b.bottom(), b.top() - a.bottom()));
    return dx * dx + dy * dy;
}

}

void QtWindowOps::setTopmost(QWidget *window, bool on)
{
    if (!window)
        return;
    window->winId(); // the native window must exist for the flag to reach the window manager
    QWindow *handle = window->windowHandle();
    if (handle && handle->flags().testFlag(Qt::WindowStaysOnTopHint) != on)
        handle->setFlag(Qt::WindowStaysOnTopHint, on);
    if (!window->isVisible())
        return;
    window->raise();
    // KWin may leave an application's own raise below the active window of another one; a
    // restack request as a pager sends it is honoured.
    if (xcb_connection_t *c = x11Connection()) {
        static const xcb_atom_t restack = internAtom(c, "_NET_RESTACK_WINDOW");
        if (restack != XCB_ATOM_NONE) {
            enum : uint32_t { FromPager = 2, Above = 0 };
            sendToWindowManager(c, nativeId(window), restack, {FromPager, XCB_WINDOW_NONE, Above, 0, 0});
            xcb_flush(c);
        }
    }
}

bool QtWindowOps::startSystemMove(QWidget *window)
{
    QWindow *handle = window ? window->windowHandle() : nullptr;
    return handle && handle->startSystemMove();
}

void QtWindowOps::setSkipTaskbar(QWidget *window)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window)
        return;
    // Looked up once: each look-up is a round trip to the X server.
    static const xcb_atom_t state = internAtom(c, "_NET_WM_STATE");
    static const xcb_atom_t skipTaskbar = internAtom(c, "_NET_WM_STATE_SKIP_TASKBAR");
    static const xcb_atom_t skipPager = internAtom(c, "_NET_WM_STATE_SKIP_PAGER");
    if (state == XCB_ATOM_NONE)
        return;
    sendToWindowManager(c, nativeId(window), state, {1 /* add */, skipTaskbar, skipPager, 1, 0});
    xcb_flush(c);
}

void QtWindowOps::showOnAllDesktops(QWidget *window)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window)
        return;
    static const xcb_atom_t desktop = internAtom(c, "_NET_WM_DESKTOP");
    if (desktop == XCB_ATOM_NONE)
        return;
    const xcb_window_t id = nativeId(window);
    xcb_get_window_attributes_reply_t *attributes =
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr);
    const bool mapped = attributes && attributes->map_state != XCB_MAP_STATE_UNMAPPED;
    free(attributes);
    if (mapped) {
        sendToWindowManager(c, id, desktop, {0xFFFFFFFF, 1, 0, 0, 0});
    } else {
        // Not "every workspace" as a property before mapping: xfwm4 reads that as its last
        // workspace. Without one, every window manager maps the window on the current workspace,
        // and the request once mapped puts it on all of them. A value left from an earlier
        // mapping is removed for the same reason.
        xcb_delete_property(c, id, desktop);
    }
    xcb_flush(c);
}

void QtWindowOps::forbidMinimiseMaximise(QWidget *window, bool closable)
{
    xcb_connection_t *c = x11Connection();
    if (!c || !window)
        return;
    static const xcb_atom_t motif = internAtom(c, "_MOTIF_WM_HINTS");
    if (motif == XCB_ATOM_NONE)
        return;
    enum : uint32_t { Functions = 1, Decorations = 2, Move = 4, Close = 32, Border = 2, Title = 8 };
    // flags, functions, decorations, input mode, status
    const uint32_t hints[5] = {Functions | Decorations, Move | (closable ? Close : 0u), Border | Title, 0, 0};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, nativeId(window), motif, motif, 32, 5, hints);
    xcb_flush(c);
}

void QtWindowOps::restore(QWidget *window)
{
    if (!window || !window->isVisible())
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

bool QtWindowOps::keepOnScreen(QWidget *window)
{
    const QList<QScreen *> screens = QGuiApplication::screens();
    if (!window || screens.isEmpty())
        return false;
    // The window's own rectangle, not its frame: right after mapping, the frame Qt works out from
    // the window manager's reparenting can be anything, and would send the window to a corner.
    const QRect rect = window->geometry();
    QScreen *nearest = screens.first();
    qint64 best = distance2(nearest->geometry(), rect);
    for (QScreen *screen : screens) {
        if (screen->geometry().intersects(rect))
            return false; // partly visible is reachable: leave it where the person put it
        const qint64 d = distance2(screen->geometry(), rect);
        if (d < best) {
            nearest = screen;
            best = d;
        }
    }
    const QRect area = nearest->availableGeometry();
    // Wholly inside when it fits; a note larger than the screen keeps its top-left corner visible.
    window->move(qMax(area.left(), qMin(rect.left(), area.right() + 1 - rect.width())),
                 qMax(area.top(), qMin(rect.top(), area.bottom() + 1 - rect.height())));
    return true;
}

void WindowOps::processPendingEvents() { QCoreApplication::processEvents(); }

void WindowOps::stampCreationOrder(QWidget *window)
{
    static quint64 next = 0;
    window->setProperty(kCreationProperty, ++next);
}

quint64 WindowOps::creationOrder(const QWidget *window) { return window->property(kCreationProperty).toULongLong(); }

QList<QWidget *> WindowOps::openWindows()
{
    QList<QWidget *> windows = QApplication::topLevelWidgets();
    std::stable_sort(windows.begin(), windows.end(),
                     [](QWidget *a, QWidget *b) { return creationOrder(a) < creationOrder(b); });
    return windows;
}
