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

// Makes a note an ordinary window for the window manager, before it is mapped and whenever Qt
// rewrites its hints. Qt gives a Qt::Tool window the utility type, and mutter lifts a utility
// window that is transient for no particular window into the layer of the highest window of its
// application: while one note was pinned, every note, released or never pinned, stayed above the
// other applications' windows.
void keepNormalType(xcb_connection_t *c, QWidget *window)
{
    // Qt's xcb plugin reads this property each time it writes the window's type.
    static const char *const typeProperty = "_q_xcb_wm_window_type";
    constexpr int NormalType = 0x1;
    QWindow *handle = window->windowHandle();
    if (!handle || handle->property(typeProperty).toInt() == NormalType)
        return;
    handle->setProperty(typeProperty, NormalType);
    static const xcb_atom_t type = internAtom(c, "_NET_WM_WINDOW_TYPE");
    static const xcb_atom_t normal = internAtom(c, "_NET_WM_WINDOW_TYPE_NORMAL");
    if (type != XCB_ATOM_NONE && normal != XCB_ATOM_NONE)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, nativeId(window), type, XCB_ATOM_ATOM, 32, 1, &normal);
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
    if (xcb_connection_t *c = x11Connection())
        keepNormalType(c, window);
    QWindow *handle = window->windowHandle();
    if (handle && handle->flags().testFlag(Qt::WindowStaysOnTopHint) != on)
        handle->setFlag(Qt::WindowStaysOnTopHint, on);
    if (window->isVisible())
        window->raise();
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
    keepNormalType(c, window);
    const uint32_t all = 0xFFFFFFFF;
    const xcb_window_t id = nativeId(window);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, desktop, XCB_ATOM_CARDINAL, 32, 1, &all);
    sendToWindowManager(c, id, desktop, {all, 1, 0, 0, 0});
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
    QScreen *nearest = nullptr;
    qint64 best = 0;
    for (QScreen *screen : screens) {
        if (screen->geometry().intersects(rect))
            return false; // partly visible is reachable: leave it where the person put it
        const qint64 d = distance2(screen->geometry(), rect);
        if (!nearest || d < best) {
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

QList<QWidget *> WindowOps::openWindows()
{
    QList<QWidget *> windows = QApplication::topLevelWidgets();
    std::stable_sort(windows.begin(), windows.end(), [](QWidget *a, QWidget *b) {
        return a->property(kCreationProperty).toULongLong() < b->property(kCreationProperty).toULongLong();
    });
    return windows;
}
