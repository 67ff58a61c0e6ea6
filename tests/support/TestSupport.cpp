// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "dialogs/frmProp.h"
#include "note/frmLembrete.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/NoteValue.h"
#include "shell/NoteWindows.h"
#include "shell/frmPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <cstdio>
#include <cstdlib>

// The fakes in place of the desktop facilities, or (nullptr) the real ones back.
static void install(TestPlatform *p)
{
    Platform::setClock(p ? &p->clock : nullptr);
    Platform::setSound(p ? &p->sound : nullptr);
    Platform::setShell(p ? &p->shell : nullptr);
    Platform::setMessages(p ? &p->messages : nullptr);
    Platform::setWindows(p ? &p->windows : nullptr);
    Platform::setTrayHost(p ? &p->trayHost : nullptr);
}

TestPlatform::TestPlatform()
{
    for (const char *folder : {"XDG_CONFIG_HOME", "XDG_RUNTIME_DIR", "XDG_STATE_HOME"}) {
        if (!qgetenv(folder).startsWith("/tmp/")) {
            std::fprintf(stderr, "tests must run with a temporary %s (and the other XDG folders)\n", folder);
            std::abort();
        }
    }
    Platform::initResources();
    install(this);
}

TestPlatform::~TestPlatform() { install(nullptr); }

void TestPlatform::reset()
{
    QFile::remove(SettingsStore::defaultPath());
    clock.current = FakeClock().current;
    clock.running.invalidate();
    sound = RecordingSound();
    shell.opened.clear();
    messages.shown.clear();
    windows.topmost.clear();
    trayHost.set("X");
}

QString recordWith(const QList<QPair<int, QString>> &changes)
{
    // The 15 fields, and after the last separator nothing.
    QStringList f{
        "01/12/2026 10:00", "", "N", "1500", "1500", "N", "", "N", "", "0", "0", "N", "0", "3060", "2430", ""};
    for (const auto &change : changes)
        f[change.first] = change.second;
    return f.join(QChar(NoteRecord::FieldSeparator));
}

std::unique_ptr<frmLembrete> noteWith(const QList<QPair<int, QString>> &changes)
{
    static auto *const ownNotes = new NoteRegistry(qApp); // the notes of their own share one pin band
    auto note = std::make_unique<frmLembrete>();
    note->setUp(NoteValue::fromRecord(recordWith(changes)));
    ownNotes->add(note.get());
    QObject::connect(note.get(), &frmLembrete::propertiesRequested,
                     [](frmLembrete *n) { frmProp::instance().mostrar(n); });
    return note;
}

void removeAllNotes()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *note = qobject_cast<frmLembrete *>(w)) {
            note->dispose(); // its alarm leaves the clock
            delete note;
        }
}

ShellFixture::ShellFixture()
{
    removeAllNotes();
    delete frmPrincipal::instance();
    shell = frmPrincipal::instance();
    shell->quitApplication = [this] { ++quits; };
}

ShellFixture::~ShellFixture()
{
    removeAllNotes();
    delete frmPrincipal::instance();
}

void ShellFixture::start(const QStringList &records)
{
    SettingsStore store;
    store.write(QStringLiteral("Config"), QStringLiteral("Abertura"), QStringLiteral("S"));
    for (int i = 0; i < records.size(); ++i)
        store.write(QStringLiteral("Lembretes"), QString::number(i), records.at(i));
    SettingsStore::writeFile(SettingsStore::defaultPath(), store.toBytes());
    QCOMPARE(shell->Form_Load(), frmPrincipal::StartResult::Running);
}

void ShellFixture::choose(const char *item)
{
    QAction *action = shell->menu()->findChild<QAction *>(QLatin1String(item));
    QVERIFY2(action, item);
    action->trigger();
}

QStringList ShellFixture::storedRecords()
{
    QStringList records;
    for (const auto &pair : SettingsStore(SettingsStore::defaultPath()).readSection(QStringLiteral("Lembretes")))
        records << pair.second;
    return records;
}

QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

QList<frmLembrete *> openNotes()
{
    const NoteWindows *windows = frmPrincipal::instance()->findChild<NoteWindows *>();
    return windows ? windows->registry().notes() : QList<frmLembrete *>();
}

void clickChild(QWidget *window, const char *name)
{
    QWidget *child = window->findChild<QWidget *>(QLatin1String(name));
    QVERIFY2(child, name);
    QVERIFY2(child->isVisible(), name);
    QTest::mouseClick(child, Qt::LeftButton);
}
