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
// Lets the event loop process pending events once.
void processPendingEvents();
// Stamps a window with its creation number, so walks over the open windows run in creation order.
void stampCreationOrder(QWidget *window);
// The application's open top-level windows, in creation order.
QList<QWidget *> openWindows();
}
