// SPDX-License-Identifier: GPL-3.0-or-later
// The note record (a note's typed value read from it and written back), the settings file's key
// order, and two machines' copies of the store merged: which notes, fields and places survive, the
// same on both machines, and what the file keeps of it.
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/ConflictCopy.h"
#include "records/MachineId.h"
#include "records/NoteValue.h"
#include "records/StoreFormat.h"
#include "records/StoreMerge.h"

#include <QtTest>
#include <functional>

using namespace NoteRecord;
using namespace StoreSync;
using StoreMerge::capture;
using StoreMerge::Result;

// The store as a file of the given bytes would hold it, read back from its bytes.
static Snapshot reread(const SettingsStore &image, const QString &machine = QString())
{
    return StoreFormat::read(SettingsStore::fromBytes(image.toBytes()), machine);
}

static SettingsStore withSnapshot(const Snapshot &s)
{
    SettingsStore image;
    StoreFormat::write(image, s);
    return image;
}

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

const QString A = QStringLiteral("aaaa1111"), B = QStringLiteral("bbbb2222");

// The notes' texts, each with what else matters here: pinned, alarm set, and its top when it is
// not where the common store had it.
QStringList summaries(const Snapshot &s)
{
    QStringList list;
    for (const Note &n : s.notes) {
        const QStringList f = split(n.record);
        list << f[Texto] + (f[Fixo] == "S" ? " +pin" : "") + (f[Aviso] == "S" ? " +alarm" : "")
                    + (f[Topo] != "1500" ? " @" + f[Topo] : "");
    }
    list.sort();
    return list;
}

// Everything both machines must agree on: identities, fields but those of place, versions,
// changes per field, deletions.
QStringList agreed(const Snapshot &s)
{
    auto text = [](const Version &v) {
        QString t;
        for (auto it = v.begin(); it != v.end(); ++it)
            t += it.key() + ':' + QString::number(it.value()) + ' ';
        return t;
    };
    QStringList list;
    for (const Note &n : s.notes) {
        QString dots;
        for (auto it = n.dots.begin(); it != n.dots.end(); ++it)
            dots += QString::number(it.key()) + '@' + it->machine + ':' + QString::number(it->counter) + ' ';
        QStringList f = split(n.record);
        for (int p : {Topo, Esquerda, Largura, Altura})
            f[p].clear();
        list << n.id + '|' + f.join('|') + '|' + text(n.version) + '|' + dots;
    }
    for (auto it = s.deleted.begin(); it != s.deleted.end(); ++it)
        list << "deleted " + it.key() + ' ' + text(it->version) + it->date.toString();
    list.sort();
    return list;
}

// The store after `edits` on `machine`: "new t", "del t", "text t=u", "alarm t" (it rang:
// fields 5 and 6 cleared), "remind t" (a new moment), "pin t", "move t" (to a place of this
// machine's own), "save".
Snapshot edited(Snapshot known, const QStringList &edits, const QString &machine)
{
    QList<Live> live;
    for (const Note &n : known.notes)
        live.append({n.id, n.record});
    for (const QString &edit : edits) {
        const QString op = edit.section(' ', 0, 0), arg = edit.section(' ', 1);
        if (op == "save")
            known = capture(known, live, machine);
        if (op == "new")
            live.append({QString(), recordWith({{Texto, arg}})});
        if (op == "save" || op == "new")
            continue;
        const auto it = std::find_if(live.begin(), live.end(),
                                     [&](const Live &l) { return field(l.record, Texto) == arg.section('=', 0, 0); });
        if (it == live.end())
            qFatal("no note %s", qPrintable(arg));
        QString &r = it->record;
        if (op == "text")
            r = ReplaceField(r, Texto, arg.section('=', 1));
        else if (op == "alarm")
            r = ReplaceField(ReplaceField(r, Aviso, "N"), DataHoraAviso, "");
        else if (op == "remind")
            r = ReplaceField(r, DataHoraAviso, "08/12/2026 09:00");
        else if (op == "pin")
            r = ReplaceField(r, Fixo, "S");
        else if (op == "move")
            r = ReplaceField(r, Topo, machine == A ? "500" : "900");
        else if (op == "del")
            live.erase(it);
    }
    return capture(known, live, machine);
}

const QStringList commonRecords{recordWith({{Texto, "a"}}), recordWith({{Texto, "b"}}),
                                recordWith({{Texto, "c"}, {Aviso, "S"}, {DataHoraAviso, "07/12/2026 12:00"}})};
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
        QTest::addColumn<QString>("edit");  // "colour", "text", "place" or nothing
        QTest::addColumn<QString>("reads"); // the fields as read, "-" for a number without value; or the error
        QTest::addColumn<QString>("written");
        const QString plain = recordWith({{Texto, "a~b"}});
        const QString plainReads = "01/12/2026 10:00||N|1500|1500|N||N|a\nb|0|0|N|0|3060|2430";
        const QString odd =
            recordWith({{Topo, " 1500 "}, {Largura, "3060,5"}, {Cor, " 3"}, {Minutos, "15,4"}, {Fixo, "s"}});
        const QString oddReads = "01/12/2026 10:00||N|1500|1500|N||N||3|15|N|0|3060.5|2430";
        auto row = [](const char *name, const QString &record, const QString &edit, const QString &reads,
                      const QString &written) { QTest::newRow(name) << rec(record) << edit << reads << rec(written); };
        row("as the program writes it", plain, "", plainReads, plain);
        row("extra fields", plain + "x||y|", "", plainReads, plain + "x||y|");
        row("tail without separator", plain + "fim", "", plainReads, plain + "fim");
        row("empty fields", QString("|").repeated(15), "", "||N|-|-|N||N||-|-|N|-|-|-", QString("|").repeated(15));
        row("blanks, commas, other flags", odd, "", oddReads, odd);
        row("out of range",
            recordWith({{Cor, "255"}, {Som, "256"}, {Minutos, "32768"}, {Altura, "1e39"}, {Largura, "largo"}}), "",
            "01/12/2026 10:00||N|1500|1500|N||N||255|-|N|-|-|-",
            recordWith({{Cor, "255"}, {Som, "256"}, {Minutos, "32768"}, {Altura, "1e39"}, {Largura, "largo"}}));
        row("line breaks stored otherwise", recordWith({{Texto, "a~b\r\nc\rd"}}), "",
            "01/12/2026 10:00||N|1500|1500|N||N|a\nb\r\nc\rd|0|0|N|0|3060|2430", recordWith({{Texto, "a~b\r\nc\rd"}}));
        row("text typed", plain + "x|", "text", "", recordWith({{Texto, QStringLiteral(u"x~y~y\u0308")}}) + "x|");
        row("colour chosen", odd, "colour", "",
            recordWith({{Topo, " 1500 "}, {Largura, "3060,5"}, {Cor, "5"}, {Minutos, "15,4"}, {Fixo, "s"}}));
        row("place taken away", odd, "place", "",
            recordWith({{Topo, ""}, {Esquerda, ""}, {Largura, "3060,5"}, {Cor, " 3"}, {Minutos, "15,4"}, {Fixo, "s"}}));
        row("256 separators", QString("|").repeated(256), "", "||N|-|-|N||N||-|-|N|-|-|-", QString("|").repeated(256));
        row("too short", QString("|").repeated(14) + "2430", "", "error 9", "");
        row("257 separators", QString("|").repeated(257), "", "error 6", "");
    }

    void noteValue()
    {
        QFETCH(QString, record);
        QFETCH(QString, edit);
        QFETCH(QString, reads);
        NoteValue v;
        const int error = errorOf([&] { v = NoteValue::fromRecord(record); });
        QCOMPARE(NoteValue::isNoteRecord(record), error == 0);
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

    void merge_data()
    {
        QTest::addColumn<bool>("oldStore");
        QTest::addColumn<QStringList>("ours");
        QTest::addColumn<QStringList>("theirs");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("conflicts");
        const QStringList all{"a", "b", "c +alarm"};
        const struct {
            const char *name;
            QStringList ours, theirs, expected;
            int conflicts;
        } rows[] = {
            {"new on both sides", {"new d"}, {"new e"}, all + QStringList{"d", "e"}, 0},
            {"deleted here", {"del a"}, {}, {"b", "c +alarm"}, 0},
            {"deleted on both", {"del a"}, {"del a", "del b"}, {"c +alarm"}, 0},
            {"deleted here, edited there", {"del a"}, {"text a=a2"}, {"a2", "b", "c +alarm"}, 0},
            {"different notes edited", {"text a=a1"}, {"text b=b2"}, {"a1", "b2", "c +alarm"}, 0},
            {"same note, different fields", {"pin a"}, {"text a=a2"}, {"a2 +pin", "b", "c +alarm"}, 0},
            {"same note, same new text", {"text a=x"}, {"text a=x"}, {"b", "c +alarm", "x"}, 0},
            // The later change (here the other machine's, by name) keeps the note; the other text
            // becomes a note of its own, a little below.
            {"same note, different texts", {"text a=a1"}, {"text a=a2"}, {"a1 @1860", "a2", "b", "c +alarm"}, 1},
            {"same note, different texts, here twice",
             {"text a=a1", "save", "text a1=a3"},
             {"text a=a2"},
             {"a2 @1860", "a3", "b", "c +alarm"},
             1},
            {"alarm rang here, text edited there", {"alarm c"}, {"text c=c2"}, {"a", "b", "c2"}, 0},
            {"alarm rang on both", {"alarm c"}, {"alarm c"}, {"a", "b", "c"}, 0},
            {"alarm set anew here, rang there", {"remind c"}, {"alarm c"}, {"a", "b", "c +alarm"}, 0},
            // The copy has no alarm: it would ring a second time.
            {"same note with an alarm, different texts",
             {"text c=c1"},
             {"text c=c2"},
             {"a", "b", "c1 @1860", "c2 +alarm"},
             1},
            {"moved here, deleted there", {"move a"}, {"del a"}, {"b", "c +alarm"}, 0},
            {"moved on both: each keeps its own place",
             {"move a"},
             {"move a", "move b"},
             {"a @500", "b", "c +alarm"},
             0},
        };
        for (bool old : {false, true})
            for (const auto &row : rows)
                QTest::addRow("%s%s", row.name, old ? " (old store)" : "")
                    << old << row.ours << row.theirs << row.expected << row.conflicts;
    }

    void merge()
    {
        QFETCH(bool, oldStore);
        QFETCH(QStringList, ours);
        QFETCH(QStringList, theirs);
        QFETCH(QStringList, expected);
        QFETCH(int, conflicts);
        // Without identities, each machine reads the store an older version wrote on its own.
        SettingsStore older;
        QList<Live> live;
        for (const QString &r : commonRecords) {
            older.write("Lembretes", QString::number(live.size()), r);
            live.append({QString(), r});
        }
        const Snapshot common = oldStore ? reread(older) : capture({}, live, "cccc3333");
        // This machine has shown the notes once: the store the other machine gets has its places.
        const Snapshot commonHere = edited(common, {}, A);
        const Snapshot commonThere = oldStore ? reread(older) : commonHere;
        const Snapshot o = edited(commonHere, ours, A), t = edited(commonThere, theirs, B);

        const Result r = StoreMerge::merge(o, t, A);
        QCOMPARE(summaries(r.merged), expected);
        QCOMPARE(r.conflicts, conflicts);
        // The other machine, merging the same pair the other way round, reaches the same notes: each
        // row is also its mirror image ("deleted here" is "deleted there" for the other machine).
        const Result back = StoreMerge::merge(t, o, B);
        QCOMPARE(agreed(back.merged), agreed(r.merged));
        QCOMPARE(back.conflicts, conflicts);
        // When the merged store meets either side again nothing changes and nothing is told twice.
        for (const Snapshot *side : {&o, &t}) {
            const Result again = StoreMerge::merge(r.merged, *side, A);
            QCOMPARE(agreed(again.merged), agreed(r.merged));
            QCOMPARE(again.conflicts, 0);
        }
    }

    // Two machines edit, save, and now and then merge the other's store as the sync tool last
    // brought it: once both have merged, they hold the same notes, and every text is there that
    // was not typed over or deleted where it was shown.
    void randomHistories()
    {
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
                } else if (op < 3) {
                    live[i].record = ReplaceField(live[i].record, op == 1 ? Topo : Fixo, text);
                } else {
                    gone << field(live[i].record, Texto);
                    if (op == 5 && seed % 2)
                        live.removeAt(i);
                    else
                        live[i].record = ReplaceField(live[i].record, Texto, text), typed << text;
                }
                known[x] = capture(known[x], live, x ? B : A);
                if (rng.bounded(3) == 0)
                    sync(x);
            }
            sync(0), sync(1), sync(0);
            QCOMPARE(agreed(known[0]), agreed(known[1]));
            for (const Note &n : known[0].notes)
                typed.remove(field(n.record, Texto));
            QVERIFY2((typed - gone).isEmpty(), qPrintable(QStringList((typed - gone).values()).join(' ')));
        }
    }

    // The merge data survives the store file, and an identity an older version left behind when
    // it rewrote the notes neither sticks to the wrong note nor brings back what it deleted.
    void storeFile()
    {
        const QString odd = QStringLiteral(u"x, y; \"z\" = \\ é");
        QList<Live> live;
        for (const QString &r : commonRecords + QStringList{recordWith({{Texto, odd}}), recordWith({{Texto, "d"}})})
            live.append({QString(), r});
        const Snapshot common = capture({}, live, A);
        const Snapshot here = edited(common, {"move a", "text b=b1", "del c"}, A);
        const Snapshot back = reread(withSnapshot(here));
        QCOMPARE(agreed(back), agreed(here));
        // A deletion is remembered for months, not for ever.
        QList<Live> now;
        for (const Note &n : back.notes)
            now.append({n.id, n.record});
        QCOMPARE(capture(back, now, A, QDate::currentDate().addMonths(5)).deleted.keys(), back.deleted.keys());
        QVERIFY(capture(back, now, A, QDate::currentDate().addMonths(7)).deleted.isEmpty());
        // The other machine moves "a" and saves: here it stays where this machine had it.
        QCOMPARE(summaries(reread(withSnapshot(edited(back, {"move a"}, B)), A)).value(0), QString("a @500"));

        // An older version deletes "a", changes "b" and adds "e"; "d" is damaged in place.
        // "Lembretes" renumbered, the rest kept.
        SettingsStore rewritten = withSnapshot(here);
        rewritten.deleteSection("Lembretes");
        const QStringList records{ReplaceField(here.notes[1].record, Texto, "b2"), here.notes[2].record,
                                  recordWith({{Texto, "e"}}), "bad"};
        for (int i = 0; i < records.size(); ++i)
            rewritten.write("Lembretes", QString::number(i), records[i]);
        const Snapshot old = reread(rewritten);
        QCOMPARE(old.notes.size(), 3);
        QVERIFY(old.notes[0].id != here.notes[1].id);
        QCOMPARE(old.notes[1].id, here.notes[2].id);
        QCOMPARE(old.setAside, QStringList{"bad"});
        // Merged with a machine that still has the notes as they were: the older version's
        // deletion and change reach it, nothing comes back, and the damaged note is kept there.
        const Result r = StoreMerge::merge(here, old, A);
        QCOMPARE(summaries(r.merged), QStringList({"b2", "d", "e", odd}));
        QCOMPARE(r.merged.setAside, QStringList{"bad"});
    }

    // The conflict copies of the store as each sync tool names them, and the files that are not one.
    void conflictCopies()
    {
        for (const char *copy : {"Quadrelo.sync-conflict-20261207-101010-ABCDEF7.conf",              // Syncthing
                                 "Quadrelo (conflicted copy 2026-12-07 101010).conf",                // Nextcloud
                                 "Quadrelo_conflict-20261207-101010.conf",                           // ownCloud
                                 "/home/x/Quadrelo (Someone's conflicted copy 2026-12-07 (1)).conf", // Dropbox
                                 "Quadrelo (Cópia em conflito de Fulano 2026-12-07).conf"})
            QVERIFY2(isConflictCopy(QString::fromUtf8(copy)), copy);
        for (const char *other : {"Quadrelo.conf", "Quadrelo.lock",
                                  "Quadrelo.lock.sync-conflict-20261207-101010-ABCDEF7", ".syncthing.Quadrelo.conf.tmp",
                                  "Quadrelo.conf.aB3xYz", "Outro.sync-conflict-20261207-101010-ABCDEF7.conf"})
            QVERIFY2(!isConflictCopy(QString::fromUtf8(other)), other);
    }

    // Made once and kept outside the configuration folder that a sync tool carries.
    void machineIdStaysOutOfTheStoreFolder()
    {
        const QString state = QDir::homePath() + "/estado";
        qputenv("XDG_STATE_HOME", state.toLocal8Bit());
        const QString id = machineId();
        QVERIFY2(QRegularExpression("^[a-z0-9]{8,12}$").match(id).hasMatch(), qPrintable(id));
        QCOMPARE(machineId(), id);
        QVERIFY(QFile::exists(state + "/Quadrelo/machine"));
        QCOMPARE(QDir(QFileInfo(SettingsStore::defaultPath()).absolutePath()).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
