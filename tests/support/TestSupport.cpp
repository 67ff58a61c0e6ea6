// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "note/NoteRegistry.h"
#include "note/frmLembrete.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "shell/frmPrincipal.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QTest>
#include <cstdio>
#include <cstdlib>

TestPlatform::TestPlatform()
{
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray state = qgetenv("XDG_STATE_HOME");
    if (config.isEmpty() || runtime.isEmpty() || !config.startsWith("/tmp/") || !state.startsWith("/tmp/")) {
        std::fprintf(stderr, "tests must run with a temporary XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_RUNTIME_DIR\n");
        std::abort();
    }
    Platform::initResources();
    Platform::setClock(&clock);
    Platform::setSound(&sound);
    Platform::setShell(&shell);
    Platform::setMessages(&messages);
    Platform::setWindows(&windows);
    Platform::setTrayHost(&trayHost);
}

TestPlatform::~TestPlatform()
{
    Platform::setClock(nullptr);
    Platform::setSound(nullptr);
    Platform::setShell(nullptr);
    Platform::setMessages(nullptr);
    Platform::setWindows(nullptr);
    Platform::setTrayHost(nullptr);
}

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

QString recordOf(const QStringList &fields)
{
    QString r;
    for (const QString &f : fields)
        r += f + QChar(NoteRecord::FieldSeparator);
    return r;
}

QString recordWith(const QList<QPair<int, QString>> &changes)
{
    QStringList f{"01/12/2026 10:00", "", "N", "1500", "1500", "N", "", "N", "", "0", "0", "N", "0", "3060", "2430"};
    for (const auto &change : changes)
        f[change.first] = change.second;
    return recordOf(f);
}

static void removeAllNotes()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (qobject_cast<frmLembrete *>(w))
            delete w;
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

void ShellFixture::start(const QStringList &records, const QString &abertura, const QString &command)
{
    SettingsStore store;
    store.write(QStringLiteral("Config"), QStringLiteral("Abertura"), abertura);
    for (int i = 0; i < records.size(); ++i)
        store.write(QStringLiteral("Lembretes"), QString::number(i), records.at(i));
    SettingsStore::writeFile(SettingsStore::defaultPath(), store.toBytes());
    QCOMPARE(shell->Form_Load(command), frmPrincipal::StartResult::Running);
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

QList<frmLembrete *> openNotes() { return NoteRegistry::notes(); }

void clickChild(QWidget *window, const char *name)
{
    QWidget *child = window->findChild<QWidget *>(QLatin1String(name));
    QVERIFY2(child, name);
    QVERIFY2(child->isVisible(), name);
    QTest::mouseClick(child, Qt::LeftButton);
}
