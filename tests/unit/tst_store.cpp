#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/Persistence.h"

#include <QtTest>

static QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class TestStore : public QObject {
    Q_OBJECT
    TestPlatform platform;
private slots:
    void init() { platform.reset(); }

    void storeLivesInTheUsersConfigFolder()
    {
        QCOMPARE(SettingsStore::defaultPath(), qEnvironmentVariable("XDG_CONFIG_HOME") + "/Quadrelo/Quadrelo.conf");
    }

    void seededReadPlantsTheWelcomeNoteOnce()
    {
        {
            SettingsStore store;
            QCOMPARE(Persistence::ReadSettingSeeded(store, "Config", "Abertura", "S"), QString("S"));
        }
        SettingsStore store;
        QCOMPARE(store.read("Config", "Abertura"), QString("S"));
        QCOMPARE(store.read("Lembretes", "999"), NoteRecord::welcomeRecord());

        // An existing value is returned as it is and plants nothing.
        store.write("Config", "Abertura", "N");
        store.deleteSection("Lembretes");
        store.commit();
        QCOMPARE(Persistence::ReadSettingSeeded(store, "Config", "Abertura", "S"), QString("N"));
        QVERIFY(store.readSection("Lembretes").isEmpty());

        // An empty value counts as missing, and the welcome note comes back beside the saved notes.
        store.write("Config", "Abertura", "");
        store.write("Lembretes", "0", "x");
        QCOMPARE(Persistence::ReadSettingSeeded(store, "Config", "Abertura", "S"), QString("S"));
        QCOMPARE(store.readSection("Lembretes").size(), 2);
    }

    void sectionComesBackInNumericKeyOrder()
    {
        SettingsStore store;
        for (const char *key : {"10", "2", "999", "0", "1", "abc"})
            store.write("Lembretes", key, QString("v") + key);
        store.commit();
        SettingsStore again;
        QStringList keys;
        for (const auto &kv : again.readSection("Lembretes"))
            keys << kv.first;
        QCOMPARE(keys, QStringList({"0", "1", "2", "10", "999", "abc"}));
    }

    void writeNotesReplacesTheWholeSection()
    {
        SettingsStore store;
        store.write("Lembretes", "999", "welcome");
        store.write("Lembretes", "5", "old");
        store.commit();
        Persistence::writeNotes(store, {"a", "b"}, {"damaged"});
        SettingsStore again;
        const KeyValueList pairs = again.readSection("Lembretes");
        QCOMPARE(pairs, KeyValueList({{"0", "a"}, {"1", "b"}, {"2", "damaged"}}));

        // No notes at all: the section is gone, not left empty.
        Persistence::writeNotes(store, {}, {});
        QVERIFY(!fileBytes(store.path()).contains("[Lembretes]"));
    }

    void specialCharactersSurviveTheFile()
    {
        const QString value = QString("a") + QChar(0xFF) + QChar(0xA0) + "\r\n\"x\\,;=#[]\t" + QChar(0x1) + "é";
        {
            SettingsStore store;
            Persistence::writeNotes(store, {value}, {});
        }
        SettingsStore again;
        QCOMPARE(again.read("Lembretes", "0"), value);
    }

    void anUnusableFileIsLeftAlone()
    {
        const QString path = TestPlatform::storePath();
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QByteArray damaged = "[Config]\nAbertura=S\n[Lembretes\n0=note\n";
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(damaged);
        }
        {
            SettingsStore store;
            bool refused = false;
            try {
                store.checkUsable();
            } catch (const RuntimeError &e) {
                refused = e.code() == RuntimeError::FileAccess;
            }
            QVERIFY(refused);
        }
        QCOMPARE(fileBytes(path), damaged);
    }

    void aFailedWriteIsReportedAndChangesNothing()
    {
        // The folder cannot be created where a plain file stands.
        const QString blocker = qEnvironmentVariable("XDG_CONFIG_HOME") + "/blocker";
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        SettingsStore store(blocker + "/Quadrelo.conf");
        bool reported = false;
        try {
            Persistence::writeNotes(store, {"a"}, {});
        } catch (const RuntimeError &e) {
            reported = e.code() == RuntimeError::FileAccess;
        }
        QVERIFY(reported);
        QVERIFY(QFileInfo(blocker).isFile());
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
