// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class Clock;
class SoundOutput;
class ShellOpener;
class MessageBox;
class WindowOps;
class TrayHost;
class DesktopNotices;

// The replaceable desktop facilities. The program installs the real ones at start; tests install
// recording fakes. Nothing here owns what it is given.
namespace Platform {
Clock &clock();
SoundOutput &sound();
ShellOpener &shell();
MessageBox &messages();
WindowOps &windows();
TrayHost &trayHost();
DesktopNotices &notices();

void setClock(Clock *clock);
void setSound(SoundOutput *sound);
void setShell(ShellOpener *shell);
void setMessages(MessageBox *messages);
void setWindows(WindowOps *windows);
void setTrayHost(TrayHost *host);
void setNotices(DesktopNotices *notices);

// Loads the built-in pictures, icons and sounds.
void initResources();
}
