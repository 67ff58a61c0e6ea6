// SPDX-License-Identifier: GPL-3.0-or-later
// The note record (a note's typed value read from it and written back), the settings file's key
// order, and two machines' copies of the store merged: which notes, fields and places survive, the
// same on both machines, and what the file keeps of it.
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/NoteValue.h"
#include "records/StoreFormat.h"
#include "records/StoreMerge.h"

#include <QtTest>
#include <QUuid>
#include <functional>

using namespace NoteRecord;
using namespace StoreSync;

namespace {
// Records written readably: "|" is the field separator, "~" the stored line break.
QString rec(QString text) { return text.replace(u'|', QChar(FieldSeparator)).replace(u'~', QChar(LineBreak)); }

const QString A = QStringLiteral("aaaa1111"), B = QStringLiteral("bbbb2222");

// What both machines must agree on: the notes (in one order) without each machine's own place.
Snapshot agreed(Snapshot s)
{
    for (Note &n : s.notes)
        n.record = withoutPlace(n.record);
    std::sort(s.notes.begin(), s.notes.end(), [](const Note &x, const Note &y) { return x.id < y.id; });
    s.setAside.sort();
    return s;
}

// What a machine's windows hold now, captured against what it last saved: the notes in `live`
// with an identity are its known notes as edited, those without are made there.
Snapshot capture(const Snapshot &known, QList<Live> &live, const QString &machine, const QDate &today)
{
    StoreMerge::Edits edits;
    for (Live &l : live) {
        if (l.id.isEmpty()) {
            l.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
            edits.made << l;
        } else {
            edits.changed.insert(l.id, l.record);
        }
    }
    for (const Note &n : known.notes)
        if (!edits.changed.contains(n.id))
            edits.removed.insert(n.id);
    return StoreMerge::capture(known, edits, machine, today);
}

// The record after an edit the person makes in the note's window.
QString edited(const QString &record, const std::function<void(NoteValue &)> &edit)
{
    NoteValue v = NoteValue::fromRecord(record);
    edit(v);
    return v.toRecord();
}

// As the store writes it, any record reads back as it was.
void readsBack(const QString &record)
{
    const QByteArray file = "[Lembretes]\n0=" + SettingsStore::iniValue(record) + "\n";
    QCOMPARE(SettingsStore::fromBytes(file).read("Lembretes", "0"), record);
}

}

class TestRecords : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    // A record read into a note value and written back. Odd spellings, numbers that cannot be
    // read and fields the program does not know go back as they came; a changed field is
    // written anew and the others stay as they were.
    void noteValue_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("edit");    // "colour", "text", "place" or nothing
        QTest::addColumn<QString>("reads");   // the fields as read, "-" for a number without value; or the error
        QTest::addColumn<QString>("written"); // the record as it came, unless given
        const QString plain = recordWith({{Texto, "a~b"}});
        const QString plainReads = "01/12/2026 10:00||N|1500|1500|N||N|a\nb|0|0|N|0|3060|2430";
        const QString odd =
            recordWith({{Topo, " 1500 "}, {Largura, "3060,5"}, {Cor, " 3"}, {Minutos, "15,4"}, {Fixo, "s"}});
        const QString oddReads = "01/12/2026 10:00||N|1500|1500|N||N||3|15|N|0|3060.5|2430";
        auto row = [](const char *name, const QString &record, const QString &edit, const QString &reads,
                      const QString &written = QString()) {
            QTest::newRow(name) << rec(record) << edit << reads << rec(written.isEmpty() ? record : written);
        };
        row("as the program writes it", plain, "", plainReads);
        row("extra fields", plain + "x||y|", "", plainReads);
        row("tail without separator", plain + "fim", "", plainReads);
        row("blanks, commas, other flags", odd, "", oddReads);
        row("out of range",
            recordWith({{Cor, "255"}, {Som, "256"}, {Minutos, "32768"}, {Altura, "1e39"}, {Largura, "largo"}}), "",
            "01/12/2026 10:00||N|1500|1500|N||N||255|-|N|-|-|-");
        row("line breaks stored otherwise", recordWith({{Texto, "a~b\r\nc\rd"}}), "",
            "01/12/2026 10:00||N|1500|1500|N||N|a\nb\r\nc\rd|0|0|N|0|3060|2430");
        row("text typed", plain + "x|", "text", "", recordWith({{Texto, QStringLiteral(u"x~y~y\u0308")}}) + "x|");
        row("colour chosen", odd, "colour", "",
            recordWith({{Topo, " 1500 "}, {Largura, "3060,5"}, {Cor, "5"}, {Minutos, "15,4"}, {Fixo, "s"}}));
        row("place taken away", odd, "place", "",
            recordWith({{Topo, ""}, {Esquerda, ""}, {Largura, "3060,5"}, {Cor, " 3"}, {Minutos, "15,4"}, {Fixo, "s"}}));
        row("256 separators", QString("|").repeated(256), "", "||N|-|-|N||N||-|-|N|-|-|-");
        row("too short", QString("|").repeated(14) + "2430", "", "error 9");
        row("257 separators", QString("|").repeated(257), "", "error 6");
        // Kept as they are, though no note: control characters (before a hex digit too), INI marks, 128 KB.
        QString controls = QStringLiteral(u"\u007f");
        for (char16_t c = 0; c < 0x20; ++c)
            controls += QChar(c) + QStringLiteral("a0");
        for (const QString &kept : {controls, QString(R"("a\"b\\ \x41 \)"), QString("a,b;c=d #e [f]"), QString("  a  "),
                                    QString(" "), QString(), QString("@Invalid()"), QString("@@x"),
                                    QStringLiteral(u"ÿ é 日本 😀 |"), QString(qsizetype(128) * 1024, 'x') + ";\"\\"})
            row(qPrintable(kept.left(12).toUtf8().toPercentEncoding()), kept, "", "");
    }

    void noteValue()
    {
        QFETCH(QString, record);
        QFETCH(QString, edit);
        QFETCH(QString, reads);
        NoteValue v;
        int error = 0; // the code reading ends with
        try {
            v = NoteValue::fromRecord(record);
        } catch (const RuntimeError &e) {
            error = e.code();
        }
        QCOMPARE(NoteValue::isNoteRecord(record), error == 0);
        readsBack(record);
        if (!reads.isEmpty()) {
            auto number = [](auto n) { return n ? QString::number(*n) : QString("-"); };
            auto flag = [](bool b) { return QString(b ? "S" : "N"); };
            const QString seen =
                error ? QStringLiteral("error %1").arg(error)
                      : QStringList{v.createdAt,      v.changedAt,          flag(v.pinned),    number(v.topTw),
                                    number(v.leftTw), flag(v.alarm),        v.alarmAt,         flag(v.readOnly),
                                    v.text,           number(v.colorIndex), number(v.minutes), flag(v.continuous),
                                    number(v.sound),  number(v.widthTw),    number(v.heightTw)}
                            .join('|');
            QCOMPARE(seen, reads);
        }
        if (error)
            return;
        if (edit == "colour")
            v.colorIndex = 5;
        else if (edit == "text")
            v.text = QStringLiteral(u"x\r\ny\nÿ");
        else if (edit == "place")
            v.topTw.reset(), v.leftTw.reset();
        QTEST(v.toRecord(), "written");
    }

    // Two machines edit, save, and now and then merge the other's store as the sync tool last
    // brought it: once both have merged, they hold the same notes, and every text is there that
    // was not typed over or deleted where it was shown. What they hold survives the store file,
    // and a deletion is remembered for months, not for ever.
    void randomHistories()
    {
        const QDate day(2026, 1, 5); // of every edit, so that a deletion's date read back is not today's
        for (int seed = 1; seed <= 200; ++seed) {
            QRandomGenerator rng(seed);
            Snapshot known[2], carried[2];
            QSet<QString> typed, gone;
            auto sync = [&](int x) {
                known[x] = carried[x] = StoreMerge::merge(known[x], carried[1 - x], x ? B : A).merged;
            };
            for (int serial = 1; serial <= 60; ++serial) {
                const int x = rng.bounded(2), op = rng.bounded(6);
                QList<Live> live;
                for (const Note &n : known[x].notes)
                    live.append({n.id, n.record});
                const QString text = QString::number(serial);
                const int i = live.isEmpty() ? -1 : rng.bounded(int(live.size()));
                if (i < 0 || op == 0) {
                    live.append({QString(), recordWith({{Texto, text}})});
                    typed << text;
                } else if (op == 1) {
                    live[i].record = edited(live[i].record, [&](NoteValue &v) { v.topTw = float(serial); });
                } else if (op == 2) { // every other field the properties dialog and the pin change
                    live[i].record = edited(live[i].record, [&](NoteValue &v) {
                        v.pinned = !v.pinned, v.readOnly = !v.readOnly, v.continuous = !v.continuous;
                        v.colorIndex = serial % 8, v.sound = serial % 9, v.minutes = serial, v.changedAt = text;
                    });
                } else {
                    gone << field(live[i].record, Texto);
                    if (op == 5 && seed % 2)
                        live.removeAt(i);
                    else
                        live[i].record = edited(live[i].record, [&](NoteValue &v) { v.text = text; }), typed << text;
                }
                known[x] = capture(known[x], live, x ? B : A, day);
                if (rng.bounded(3) == 0)
                    sync(x);
            }
            sync(0), sync(1), sync(0);
            QVERIFY(agreed(known[0]) == agreed(known[1]));
            for (const Note &n : known[0].notes)
                typed.remove(field(n.record, Texto));
            QVERIFY2((typed - gone).isEmpty(), qPrintable(QStringList((typed - gone).values()).join(' ')));
            const Snapshot back =
                StoreFormat::read(SettingsStore::fromBytes(StoreFormat::Writer().bytes({}, known[0])));
            QVERIFY(back == known[0]);
            QCOMPARE(StoreMerge::capture(back, {}, A, day.addMonths(5)).deleted.keys(), back.deleted.keys());
            QVERIFY(StoreMerge::capture(back, {}, A, day.addMonths(7)).deleted.isEmpty());
        }
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
