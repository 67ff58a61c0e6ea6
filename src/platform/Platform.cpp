// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Platform.h"
#include "platform/Clock.h"
#include "platform/DesktopNotices.h"
#include "platform/MessageBox.h"
#include "platform/PulseSoundOutput.h"
#include "platform/ShellOpener.h"
#include "platform/TrayHost.h"
#include "platform/WindowOps.h"

#include <QtGlobal>

static void initQuadreloResources() { Q_INIT_RESOURCE(quadrelo); }

namespace {
Clock *g_clock = nullptr;
SoundOutput *g_sound = nullptr;
ShellOpener *g_shell = nullptr;
MessageBox *g_messages = nullptr;
WindowOps *g_windows = nullptr;
TrayHost *g_trayHost = nullptr;
DesktopNotices *g_notices = nullptr;
}

namespace Platform {

Clock &clock()
{
    static SystemClock system;
    return g_clock ? *g_clock : system;
}

SoundOutput &sound()
{
    if (!g_sound) {
        static PulseSoundOutput *real = new PulseSoundOutput; // lives as long as the program
        g_sound = real;
    }
    return *g_sound;
}

ShellOpener &shell()
{
    static DesktopShellOpener desktop;
    return g_shell ? *g_shell : desktop;
}

MessageBox &messages()
{
    static QtMessageBox qt;
    return g_messages ? *g_messages : qt;
}

WindowOps &windows()
{
    static QtWindowOps qt;
    return g_windows ? *g_windows : qt;
}

TrayHost &trayHost()
{
    if (!g_trayHost) {
        static DesktopTrayHost *desktop = new DesktopTrayHost; // lives as long as the program
        g_trayHost = desktop;
    }
    return *g_trayHost;
}

DesktopNotices &notices()
{
    if (!g_notices) {
        static DBusNotices *desktop = new DBusNotices; // lives as long as the program
        g_notices = desktop;
    }
    return *g_notices;
}

void setClock(Clock *c) { g_clock = c; }
void setSound(SoundOutput *s) { g_sound = s; }
void setShell(ShellOpener *s) { g_shell = s; }
void setMessages(MessageBox *m) { g_messages = m; }
void setWindows(WindowOps *w) { g_windows = w; }
void setTrayHost(TrayHost *h) { g_trayHost = h; }
void setNotices(DesktopNotices *n) { g_notices = n; }

void initResources() { initQuadreloResources(); }

}
