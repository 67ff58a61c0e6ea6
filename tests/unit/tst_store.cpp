// SPDX-License-Identifier: GPL-3.0-or-later
// The settings store on disk: key order, save-all, and files it must not touch.
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
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

    // A file the store cannot take whole is refused at start and left byte for byte: saving it
    // would lose the notes after the bad line.
    void unusableFilesAreLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray head = "[Config]\nAbertura=S\n[Lembretes]\n0=\"a\"\n";
        QTest::newRow("unclosed section") << QByteArray("[Config]\nAbertura=S\n[Lembretes\n0=note\n");
        QTest::newRow("note line without =") << head + "1\"b\"\n2=\"c\"\n";
        QTest::newRow("stray text line") << head + "texto solto\n2=\"c\"\n";
        QTest::newRow("unterminated quote") << head + "1=\"b\n2=\"c\"\n";
        QTest::newRow("binary blob") << head + QByteArray("\x00\x01\xfe\xff=", 5) + "\n";
        QTest::newRow("not UTF-8") << head + "1=\"caf\xe9\"\n";
    }

    void unusableFilesAreLeftAlone()
    {
        QFETCH(QByteArray, bytes);
        const QString path = SettingsStore::defaultPath();
        writeBytes(path, bytes);
        QVERIFY_THROWS_EXCEPTION(RuntimeError, SettingsStore().checkUsable());
        QCOMPARE(bytesOf(path), bytes);
    }

    // A failed save does not make the next ones fail: each is judged by its own write. A lock
    // left by a save that was killed does not block the next one.
    void eachSaveStandsAlone()
    {
        const QString folder = QFileInfo(SettingsStore::defaultPath()).absolutePath() + "/blocked";
        writeBytes(folder, "mine"); // a file where the store's folder should be
        SettingsStore store(folder + "/Quadrelo.conf");
        QVERIFY_THROWS_EXCEPTION(RuntimeError, Persistence::writeNotes(store, {"a"}, {}));
        QCOMPARE(bytesOf(folder), QByteArray("mine"));
        QFile::remove(folder);
        writeBytes(folder + "/Quadrelo.conf.lock", "999999\ntst_store\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        Persistence::writeNotes(store, {"b"}, {});
        QCOMPARE(SettingsStore(folder + "/Quadrelo.conf").readSection("Lembretes"), (KeyValueList{{"0", "b"}}));
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
