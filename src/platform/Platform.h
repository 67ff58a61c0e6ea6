#pragma once

class Clock;
class SoundOutput;
class ShellOpener;
class MessageBox;

// The replaceable desktop facilities. The program installs the real ones at start; tests install
// recording fakes. Nothing here owns what it is given.
namespace Platform {
Clock &clock();
SoundOutput &sound();
ShellOpener &shell();
MessageBox &messages();

void setClock(Clock *clock);
void setSound(SoundOutput *sound);
void setShell(ShellOpener *shell);
void setMessages(MessageBox *messages);

// Loads the built-in pictures, icons and sounds.
void initResources();
}
