// SPDX-License-Identifier: GPL-3.0-or-later
// The note record (field replacement, text and number conversions) and the settings store on
// disk (key order, save-all, and files it must not touch).
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/Persistence.h"

#include <QtTest>
#include <functional>

using namespace NoteRecord;

namespace {
// Records written readably: "|" is the field separator, "~" the stored line break.
QString rec(const QString &text)
{
    QString r = text;
    return r.replace(u'|', QChar(FieldSeparator)).replace(u'~', QChar(LineBreak));
}

// The error code a call ends with, 0 when it succeeds.
int errorOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const RuntimeError &e) {
        return e.code();
    }
    return 0;
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}
}

class TestRecords : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    void replaceField_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("expected");
        const QString overflow = QStringLiteral("error %1").arg(RuntimeError::Overflow);
        QTest::newRow("middle") << rec("a|b|c|") << 1 << rec("a|X|c|");
        QTest::newRow("first") << rec("a|b|c|") << 0 << rec("X|b|c|");
        QTest::newRow("last") << rec("a|b|c|") << 2 << rec("a|b|X|");
        QTest::newRow("tail dropped") << rec("a|b|tail") << 0 << rec("X|b|");
        QTest::newRow("255 separators") << rec("|").repeated(255) << 254 << rec("|").repeated(254) + rec("X|");
        QTest::newRow("no separator") << QStringLiteral("Form1") << 0 << overflow;
        QTest::newRow("256 separators") << rec("|").repeated(256) << 0 << overflow;
    }

    void replaceField()
    {
        QFETCH(QString, record);
        QFETCH(int, position);
        QString result;
        const int error = errorOf([&] { result = ReplaceField(record, quint8(position), "X"); });
        QTEST(error ? QStringLiteral("error %1").arg(error) : result, "expected");
    }

    void textEncoding_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("LF") << "a\nb\n" << rec("a~b~") << "a\nb\n";
        QTest::newRow("CR LF") << "a\r\nb" << rec("a~b") << "a\nb";
        // The separator letter would split the record; stored decomposed, it still reads as ÿ.
        QTest::newRow("U+00FF") << QStringLiteral(u"café ÿ") << QStringLiteral(u"café y\u0308") << QStringLiteral(u"café y\u0308");
    }

    void textEncoding()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QCOMPARE(encodeText(typed), stored);
        QTEST(decodeText(stored), "shown");
    }

    void numberConversions()
    {
        const int M = RuntimeError::TypeMismatch, O = RuntimeError::Overflow;
        const struct {
            const char *name;
            std::function<void()> call;
            int error;
        } rows[] = {
            {"toSingle letters", [] { toSingle("abc"); }, M},    {"toSingle empty", [] { toSingle(""); }, M},
            {"toSingle 1e39", [] { toSingle("1e39"); }, O},     {"toByte letters", [] { toByte("x1"); }, M},
            {"toByte 255", [] { toByte("255"); }, 0},           {"toByte 256", [] { toByte("256"); }, O},
            {"toByte -1", [] { toByte("-1"); }, O},             {"toInteger letters", [] { toInteger("12a"); }, M},
            {"toInteger 32767", [] { toInteger("32767"); }, 0}, {"toInteger 32768", [] { toInteger("32768"); }, O},
            {"toInteger -32769", [] { toInteger("-32769"); }, O},
            {"addInteger to 32767", [] { addInteger(32766, 1); }, 0},
            {"addInteger past 32767", [] { addInteger(32767, 1); }, O},
        };
        for (const auto &row : rows) {
            const int error = errorOf(row.call);
            QVERIFY2(error == row.error, qPrintable(QStringLiteral("%1: error %2").arg(row.name).arg(error)));
        }
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

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
