// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store on disk: first use, key order, save-all, and files it must not touch.
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/Persistence.h"

#include <QtTest>

namespace {
QByteArray bytesOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}
}

class TestStore : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    void firstUseSeedsTheWelcomeNote()
    {
        {
            SettingsStore store;
            QCOMPARE(Persistence::ReadSettingSeeded(store, "Config", "Abertura", "S"), QString("S"));
        }
        const SettingsStore onDisk;
        QCOMPARE(onDisk.read("Config", "Abertura"), QString("S"));
        QCOMPARE(onDisk.readSection("Lembretes"), KeyValueList({{"999", NoteRecord::welcomeRecord()}}));
    }

    void sectionReadsInNumericKeyOrder()
    {
        writeBytes(SettingsStore::defaultPath(), "[Lembretes]\n10=a\n999=b\n2=c\n0=d\n1=e\n");
        QStringList keys;
        for (const auto &pair : SettingsStore().readSection("Lembretes"))
            keys << pair.first;
        QCOMPARE(keys, QStringList({"0", "1", "2", "10", "999"}));
    }

    void writeNotes_data()
    {
        QTest::addColumn<QStringList>("notes");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("notes then kept") << QStringList{"first", "second"} << QStringList{"set aside"};
        QTest::newRow("only kept") << QStringList{} << QStringList{"x"};
        QTest::newRow("special characters") << QStringList{QStringLiteral(u"ÿ\u00A0é\r\n\"quoted\" a=b; c, [d] #e \\f")}
                                            << QStringList{QStringLiteral(u"\"ÿ\"")};
    }

    void writeNotes()
    {
        QFETCH(QStringList, notes);
        QFETCH(QStringList, kept);
        writeBytes(SettingsStore::defaultPath(), "[Config]\nAbertura=N\n[Lembretes]\n3=deleted\n999=welcome\n");
        SettingsStore store;
        Persistence::writeNotes(store, notes, kept);

        // Read back by a fresh store, so only what reached the file counts.
        const SettingsStore onDisk;
        KeyValueList expected;
        for (const QString &record : notes + kept)
            expected.append({QString::number(expected.size()), record});
        QCOMPARE(onDisk.readSection("Lembretes"), expected);
        QCOMPARE(onDisk.read("Config", "Abertura"), QString("N"));
    }

    void unusableFilesAreLeftAlone()
    {
        // Qt reports the unclosed section header as a format error.
        const QByteArray damaged = "[Config]\nAbertura=S\n[Lembretes\n0=note\n";
        const QString path = SettingsStore::defaultPath();
        writeBytes(path, damaged);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, SettingsStore().checkUsable());
        QCOMPARE(bytesOf(path), damaged);

        // A file standing where the store's folder should be: nothing can be written below it.
        const QString blocker = QFileInfo(path).absolutePath() + "/blocked";
        writeBytes(blocker, "mine");
        SettingsStore store(blocker + "/Quadrelo.conf");
        QVERIFY_THROWS_EXCEPTION(RuntimeError, Persistence::writeNotes(store, {"a"}, {}));
        QCOMPARE(bytesOf(blocker), QByteArray("mine"));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
