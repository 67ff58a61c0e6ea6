#include "TestSupport.h"
#include "platform/Platform.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"

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

QStringList fieldsOf(const QString &record) { return NoteRecord::split(record); }

QString recordOf(const QStringList &fields)
{
    QString r;
    for (const QString &f : fields)
        r += f + QChar(NoteRecord::FieldSeparator);
    return r;
}
