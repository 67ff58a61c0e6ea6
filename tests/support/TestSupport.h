#pragma once
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/ShellOpener.h"
#include "platform/SoundOutput.h"

#include <QDateTime>
#include <QStringList>
#include <functional>

// Recording stand-ins for the desktop facilities.
class FakeClock : public Clock {
public:
    QDateTime current = QDateTime(QDate(2026, 12, 5), QTime(9, 7, 0));
    QDateTime now() const override { return current; }
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
    struct Shown {
        QString text;
        Icon icon;
    };
    QList<Shown> shown;
    // Runs while the box would be open (a modal box blocks the caller until closed).
    std::function<void()> whileOpen;
    void show(const QString &text, Icon icon, QWidget *) override
    {
        shown.append({text, icon});
        if (whileOpen)
            whileOpen();
    }
    QStringList texts() const
    {
        QStringList t;
        for (const Shown &s : shown)
            t << s.text;
        return t;
    }
};

// Installs the fakes for the lifetime of a test program, and checks that the folders the
// program writes to are temporary ones.
struct TestPlatform {
    FakeClock clock;
    RecordingSound sound;
    RecordingShell shell;
    RecordingMessages messages;
    TestPlatform();
    ~TestPlatform();
    // Path of the store file, inside the test's own XDG_CONFIG_HOME.
    static QString storePath();
    // Removes the store file, so each test starts from an empty store.
    static void clearStore();
    // Empty store, nothing recorded, one sound device, the default "now": each test's start.
    void reset();
};

// Splits a record at the field separator (the same split the program uses), for assertions.
QStringList fieldsOf(const QString &record);
// Builds a record from field values, each followed by the separator.
QString recordOf(const QStringList &fields);

class frmPrincipal;
class frmLembrete;

// A fresh main window for each test: notes of earlier tests gone, the tray taken as present,
// and exiting recorded instead of ending the test program.
struct ShellFixture {
    frmPrincipal *shell = nullptr;
    int quits = 0;
    ShellFixture();
    ~ShellFixture();
    // Writes records under keys "0", "1", ... (and Abertura) before the start-up sequence runs.
    static void seedStore(const QStringList &records, const QString &abertura = QStringLiteral("S"));
    // The section "Lembretes" as the store file holds it now.
    static QList<QPair<QString, QString>> storedNotes();
};

// Every open note window, in creation order.
QList<frmLembrete *> openNotes();
