// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/ShellOpener.h"
#include "platform/SoundOutput.h"
#include "platform/TrayHost.h"
#include "platform/WindowOps.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QPair>
#include <QStringList>
#include <memory>

class frmLembrete;
class frmPrincipal;
class QWidget;

// Recording stand-ins for the desktop facilities.
class FakeClock : public Clock {
public:
    QDateTime current = QDateTime(QDate(2026, 12, 5), QTime(9, 7, 0));
    // Once started, the clock runs on from `current` as real time passes.
    QElapsedTimer running;
    QDateTime now() const override { return running.isValid() ? current.addMSecs(running.elapsed()) : current; }
};

class RecordingSound : public SoundOutput {
public:
    int devices = 1;
    QStringList played;
    int stops = 0;
    int deviceCount() const override { return devices; }
    void play(const QString &name) override { played << name; }
    void stop() override { ++stops; }
};

class RecordingShell : public ShellOpener {
public:
    QStringList opened;
    void open(const QString &address) override { opened << address; }
};

class RecordingMessages : public MessageBox {
public:
    QStringList shown;
    void show(const QString &text, Icon, QWidget *) override { shown << text; }
};

// A desktop whose tray comes and goes as a test says.
class FakeTrayHost : public TrayHost {
public:
    // "H" a StatusNotifierItem panel, "W" their registry, "X" an X tray, "?" the bus has not
    // answered yet; "" none.
    void set(const QString &offered)
    {
        Presence p = presence();
        p.known = !offered.contains('?');
        p.statusNotifierHost = offered.contains('H');
        p.statusNotifierWatcher = offered.contains('W');
        p.xembedTray = offered.contains('X');
        update(p);
    }
    // The registry comes up anew, as after a panel's restart.
    void restartRegistry()
    {
        Presence p = presence();
        ++p.watcherStarts;
        update(p);
    }
};

// The real window operations, with the always-on-top requests written down in order.
class RecordingWindows : public QtWindowOps {
public:
    QList<QPair<QWidget *, bool>> topmost;
    void setTopmost(QWidget *window, bool on) override
    {
        topmost.append({window, on});
        QtWindowOps::setTopmost(window, on);
    }
    // Whether the window was last asked to stay above the others.
    bool onTop(const QWidget *window) const
    {
        const auto last = std::find_if(topmost.crbegin(), topmost.crend(), [=](auto &r) { return r.first == window; });
        return last != topmost.crend() && last->second;
    }
};

// Installs the fakes for the lifetime of a test program, and refuses to run unless the folders
// the program writes to are temporary ones.
struct TestPlatform {
    FakeClock clock;
    RecordingSound sound;
    RecordingShell shell;
    RecordingMessages messages;
    RecordingWindows windows;
    FakeTrayHost trayHost;
    TestPlatform();
    ~TestPlatform();
    // Empty store, nothing recorded, one sound device, a tray, the default "now": each test's start.
    void reset();
};

// A good record (a 3060 x 2430 note at 100, 100 px, colour 0, no alarm, empty text) with these
// fields replaced (field number -> value).
QString recordWith(const QList<QPair<int, QString>> &changes);

// A note of its own, without the program around it, holding recordWith(changes); its properties
// picture opens the properties dialog as the program wires it, and the pin band is theirs to share.
std::unique_ptr<frmLembrete> noteWith(const QList<QPair<int, QString>> &changes);

// A fresh tray controller for each test: notes of earlier tests gone, and exiting counted instead
// of ending the test program.
struct ShellFixture {
    frmPrincipal *shell = nullptr;
    int quits = 0;
    ShellFixture();
    ~ShellFixture();
    // Writes records under keys "0", "1", ... with Abertura "S", then runs the start-up sequence.
    void start(const QStringList &records);
    // Chooses a tray menu item by its name ("novo", "salvar", ...).
    void choose(const char *item);
    // The records of "Lembretes" as the store file holds them now.
    static QStringList storedRecords();
};

// A file's bytes, or "(missing)".
QByteArray bytesOf(const QString &path);
// Every note the program has open, in creation order.
QList<frmLembrete *> openNotes();
// Closes every note window there is, the program's and tests' own.
void removeAllNotes();
// A left click on the window's child of that name, as a person gives it.
void clickChild(QWidget *window, const char *name);
