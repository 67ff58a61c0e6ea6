#pragma once
#include <QList>

class QWidget;

// Window operations the notes need from the desktop.
namespace WindowOps {
// Puts the window in or out of the always-on-top band and raises it within its band,
// without recreating or hiding it.
void setTopmost(QWidget *window, bool on);
// Hands the window to the window manager's interactive move; false when it refused.
bool startSystemMove(QWidget *window);
// Keeps the window off the taskbar and the pager.
void setSkipTaskbar(QWidget *window);
// Puts the window on every workspace. Call it before the window is mapped and again once it is:
// the window manager reads the property at mapping and takes a request afterwards.
void showOnAllDesktops(QWidget *window);
// Asks the window manager for no minimise and no maximise (Motif hints); `closable` keeps the
// title bar's close. Some window managers offer minimise all the same: see restore().
void forbidMinimiseMaximise(QWidget *window, bool closable);
// Brings a minimised window back to normal and to the front; nothing for a hidden window.
void restore(QWidget *window);
// A window that overlaps no screen is moved wholly onto the nearest screen; true when moved.
bool keepOnScreen(QWidget *window);
// Lets the event loop process pending events once.
void processPendingEvents();
// Stamps a window with its creation number, so walks over the open windows run in creation order.
void stampCreationOrder(QWidget *window);
// The application's open top-level windows, in creation order.
QList<QWidget *> openWindows();
}
