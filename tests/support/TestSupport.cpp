#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "note/frmLembrete.h"
#include "platform/WindowOps.h"
#include "shell/frmPrincipal.h"

#include <QApplication>

#include <QFile>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

TestPlatform::TestPlatform()
{
    // Refuse to run against the real user's configuration.
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (config.isEmpty() || runtime.isEmpty() || !config.startsWith("/tmp/")) {
        std::fprintf(stderr, "tests must run with a temporary XDG_CONFIG_HOME and XDG_RUNTIME_DIR\n");
        std::abort();
    }
    Platform::initResources();
    Platform::setClock(&clock);
    Platform::setSound(&sound);
    Platform::setShell(&shell);
    Platform::setMessages(&messages);
}

TestPlatform::~TestPlatform()
{
    Platform::setClock(nullptr);
    Platform::setSound(nullptr);
    Platform::setShell(nullptr);
    Platform::setMessages(nullptr);
}

QString TestPlatform::storePath() { return SettingsStore::defaultPath(); }

void TestPlatform::clearStore() { QFile::remove(storePath()); }

void TestPlatform::reset()
{
    clearStore();
    clock.current = FakeClock().current;
    sound.devices = 1;
    sound.played.clear();
    sound.stops = 0;
    shell.opened.clear();
    messages.shown.clear();
    messages.whileOpen = nullptr;
}

QStringList fieldsOf(const QString &record) { return NoteRecord::split(record); }

QString recordOf(const QStringList &fields)
{
    QString r;
    for (const QString &f : fields)
        r += f + QChar(NoteRecord::FieldSeparator);
    return r;
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
    shell->trayAvailable = [] { return true; };
    shell->quitApplication = [this] { ++quits; };
}

ShellFixture::~ShellFixture()
{
    removeAllNotes();
    delete frmPrincipal::instance();
}

void ShellFixture::seedStore(const QStringList &records, const QString &abertura)
{
    SettingsStore store;
    store.write("Config", "Abertura", abertura);
    for (int i = 0; i < records.size(); ++i)
        store.write("Lembretes", QString::number(i), records.at(i));
    store.commit();
}

QList<QPair<QString, QString>> ShellFixture::storedNotes()
{
    SettingsStore store;
    return store.readSection("Lembretes");
}

QList<frmLembrete *> openNotes()
{
    QList<frmLembrete *> notes;
    for (QWidget *w : WindowOps::openWindows())
        if (auto *n = qobject_cast<frmLembrete *>(w); n && !n->isDeleted())
            notes << n;
    return notes;
}
