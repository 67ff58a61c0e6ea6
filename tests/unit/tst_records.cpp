// SPDX-License-Identifier: GPL-3.0-or-later
// The note record: field replacement, text and number conversions.
#include "platform/RuntimeError.h"
#include "records/NoteRecord.h"

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
}

class TestRecords : public QObject {
    Q_OBJECT
private slots:
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
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
