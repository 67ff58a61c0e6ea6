// SPDX-License-Identifier: GPL-3.0-or-later
// The note record: colours, field replacement, the two built-in records, text and number conversions.
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
    void colours_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QColor>("colour");
        const QColor table[] = {{224, 255, 0},   {128, 128, 255}, {255, 255, 255}, {128, 255, 255},
                                {224, 224, 224}, {255, 128, 255}, {128, 255, 128}, {255, 128, 128}};
        const char *names[] = {"Amarelo", "Azul", "Branco", "Ciano", "Cinza", "Púrpura", "Verde", "Vermelho"};
        for (int i = 0; i < 8; ++i)
            QTest::newRow(names[i]) << i << table[i];
    }

    void colours()
    {
        QFETCH(int, index);
        QTEST(ColorFromIndex(quint8(index)), "colour");
    }

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

    void builtInRecords()
    {
        QCOMPARE(welcomeRecord(),
                 rec("26/05/2004 14:56||S|1590|1560|N||S|"
                     "O Quadrelo 2.0 é um utilitário de tecnologia nacional.~~"
                     "Oferecemos gratuitamente esse utilitário, para mostrar a qualidade de programas nacionais.~~"
                     "Esperamos que esse utilitário possa ajudá-lo em seu dia a dia.~~"
                     "Conheça outros produtos da Borvane, visitando nosso site: www.borvane.com.br~~"
                     "Caso necessite de serviços de programação, procure-nos.~~"
                     "Abraços~Equipe Borvane|0|0|N|0|7200|2925|"));
        QCOMPARE(newNoteRecord(QDateTime(QDate(2026, 3, 9), QTime(7, 5, 59))),
                 rec("09/03/2026 07:05||N|||N||N||0|0|N|0|3060|2010|"));
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
