// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>

class QWidget;

// Window operations the notes and dialogs need from the desktop (X11 through Qt); tests put in a
// recording one.
class WindowOps {
public:
    virtual ~WindowOps() = default;
    // Puts the window in or out of the always-on-top band and raises it within its band,
    // without recreating or hiding it. The window is kept of the ordinary type, so that the
    // window manager stacks it by its own band alone (see also showOnAllDesktops()).
    virtual void setTopmost(QWidget *window, bool on) = 0;
    // Hands the window to the window manager's interactive move; false when it refused.
    virtual bool startSystemMove(QWidget *window) = 0;
    // Keeps a mapped window off the taskbar and the pager.
    virtual void setSkipTaskbar(QWidget *window) = 0;
    // Puts the window on every workspace. Call it before the window is mapped (it clears what an
    // earlier mapping left, so the window comes up on the current workspace) and again once it is
    // mapped (the request to the window manager).
    virtual void showOnAllDesktops(QWidget *window) = 0;
    // Asks the window manager for no minimise and no maximise (Motif hints); `closable` keeps the
    // title bar's close. Some window managers offer minimise all the same: see restore().
    virtual void forbidMinimiseMaximise(QWidget *window, bool closable) = 0;
    // Brings a minimised window back to normal and to the front; nothing for a hidden window.
    virtual void restore(QWidget *window) = 0;
    // A window that overlaps no screen is moved wholly onto the nearest screen; true when moved.
    virtual bool keepOnScreen(QWidget *window) = 0;

    // Lets the event loop process pending events once.
    static void processPendingEvents();
    // Stamps a window with its creation number, so walks over the open windows run in creation order.
    static void stampCreationOrder(QWidget *window);
    // The number it was stamped with; 0 for none.
    static quint64 creationOrder(const QWidget *window);
    // The application's open top-level windows, in creation order.
    static QList<QWidget *> openWindows();
};

class QtWindowOps : public WindowOps {
public:
    void setTopmost(QWidget *window, bool on) override;
    bool startSystemMove(QWidget *window) override;
    void setSkipTaskbar(QWidget *window) override;
    void showOnAllDesktops(QWidget *window) override;
    void forbidMinimiseMaximise(QWidget *window, bool closable) override;
    void restore(QWidget *window) override;
    bool keepOnScreen(QWidget *window) override;
};
