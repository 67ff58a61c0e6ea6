#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "records/NoteRecord.h"

#include <QtTest>

using namespace NoteRecord;

static const QString S = QString(QChar(FieldSeparator));
static QString rec(const QString &pipes) { return QString(pipes).replace(QLatin1Char('|'), S); }

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void replaceFieldRebuildsAndDropsTail()
    {
        QCOMPARE(ReplaceField(rec("a|b|c|"), 1, "X"), rec("a|X|c|"));
        QCOMPARE(ReplaceField(rec("a|b|c"), 1, "X"), rec("a|X|"));
        QCOMPARE(ReplaceField(rec("a|b|"), 5, "X"), rec("a|b|"));
        QCOMPARE(ReplaceField(rec("|"), 0, "X"), rec("X|"));
        // A value holding a separator adds a field.
        QCOMPARE(ReplaceField(rec("a|b|"), 0, rec("x|y")), rec("x|y|b|"));
    }

    void replaceFieldOverflows()
    {
        auto overflows = [](const QString &r) {
            try {
                ReplaceField(r, 0, "X");
            } catch (const RuntimeError &e) {
                return e.code() == RuntimeError::Overflow;
            }
            return false;
        };
        QVERIFY(overflows(QString()));
        QVERIFY(overflows("no separator"));
        QVERIFY(!overflows(S.repeated(255)));
        QCOMPARE(ReplaceField(S.repeated(255), 254, "X"), S.repeated(254) + "X" + S);
        QVERIFY(overflows(S.repeated(256)));
        QVERIFY(overflows(S.repeated(300)));
    }

    void colourTable()
    {
        QCOMPARE(ColorFromIndex(0), QColor(224, 255, 0));
        QCOMPARE(ColorFromIndex(5), QColor(255, 128, 255));
        QCOMPARE(ColorFromIndex(7), QColor(255, 128, 128));
        QCOMPARE(ColorFromIndex(8), QColor(0, 0, 0));
        QCOMPARE(ColorFromIndex(255), QColor(0, 0, 0));
    }

    void textEncoding()
    {
        const QString nbsp = QString(QChar(LineBreak));
        QCOMPARE(encodeText("a\r\nb"), "a" + nbsp + "b");
        QCOMPARE(encodeText("a\nb\n"), "a" + nbsp + "b" + nbsp);
        QCOMPARE(decodeText("a" + nbsp + "b"), QString("a\nb"));
        // A typed no-break space comes back as a line break: the stored format has no other way.
        QCOMPARE(decodeText(encodeText("a" + nbsp + "b")), QString("a\nb"));
        // The separator letter would shift every later field; it is stored decomposed.
        const QString stored = encodeText(QString("caf") + QChar(0xFF));
        QVERIFY(!stored.contains(QChar(FieldSeparator)));
        QCOMPARE(stored.normalized(QString::NormalizationForm_C), QString("caf") + QChar(0xFF));
        QCOMPARE(split(ReplaceField(newNoteRecord(QDateTime::currentDateTime()), Texto, stored)).size(), 16);
    }

    void newAndWelcomeRecords()
    {
        const QString r = newNoteRecord(QDateTime(QDate(2026, 12, 5), QTime(9, 7, 31)));
        QCOMPARE(r, rec("05/12/2026 09:07||N|||N||N||0|0|N|0|3060|2010|"));

        const QStringList w = split(welcomeRecord());
        QCOMPARE(w.size(), 16);
        QCOMPARE(w.mid(0, 8), QStringList({"26/05/2004 14:56", "", "S", "1590", "1560", "N", "", "S"}));
        QCOMPARE(w.mid(9), QStringList({"0", "0", "N", "0", "7200", "2925", ""}));
        const QStringList paragraphs = w.at(Texto).split(QString(QChar(LineBreak)).repeated(2));
        QCOMPARE(paragraphs.size(), 6); // the last two paragraphs are one line break apart
        QCOMPARE(paragraphs.at(3), QString("Conheça outros produtos da Borvane, visitando nosso site: www.borvane.com.br"));
        QCOMPARE(paragraphs.at(5), QString("Abraços") + QChar(LineBreak) + "Equipe Borvane");
    }

    void conversionsFailLikeThePlatform()
    {
        QCOMPARE(toSingle(" 3060 "), 3060.0f);
        QCOMPARE(toSingle("-15"), -15.0f);
        QCOMPARE(toByte("7"), quint8(7));
        QCOMPARE(toByte("2.5"), quint8(2)); // half to even
        QCOMPARE(toInteger("32767"), qint16(32767));
        auto code = [](auto f) {
            try {
                f();
            } catch (const RuntimeError &e) {
                return e.code();
            }
            return 0;
        };
        QCOMPARE(code([] { toSingle("abc"); }), int(RuntimeError::TypeMismatch));
        QCOMPARE(code([] { toSingle(""); }), int(RuntimeError::TypeMismatch));
        QCOMPARE(code([] { toByte("256"); }), int(RuntimeError::Overflow));
        QCOMPARE(code([] { toByte("-1"); }), int(RuntimeError::Overflow));
        QCOMPARE(code([] { toInteger("32768"); }), int(RuntimeError::Overflow));
        QCOMPARE(code([] { addInteger(32767, 1); }), int(RuntimeError::Overflow));
        QCOMPARE(code([] { field(QStringList{"a"}, 1); }), int(RuntimeError::SubscriptOutOfRange));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
