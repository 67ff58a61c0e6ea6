// SPDX-License-Identifier: GPL-3.0-or-later
// The owner of the store file, without any window: two machines, each with its store and the
// notes its windows hold, and a sync tool carrying the file between them (whole, cut short, as a
// conflict copy, rewritten by an older version). Every file written holds each note once, and a
// note deleted on one machine never comes back. Among files others put in its way, nothing hangs
// or floods, nothing is written into what is not the store, and the person is told once.
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/NoteStore.h"
#include "records/NoteValue.h"
#include "records/Persistence.h"
#include "records/StoreFormat.h"

#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace NoteRecord;

namespace {

// Makes a file or folder writable or not, root included (whom only the immutable attribute stops).
bool setWritable(const QString &path, bool writable)
{
    const bool root = ::geteuid() == 0;
    return QProcess::execute(root ? "chattr" : "chmod",
                             {root ? (writable ? "-i" : "+i") : (writable ? "u+w" : "u-w"), path})
           == 0;
}

// The permissions of a file, through a link, as `ls -l` would count them: "640".
QString modeOf(const QString &path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? QString::number(st.st_mode & 0777, 8) : "none";
}

// What stands at `path`, as `ls -l` and `cat` tell it (never reading what is not a small file).
QString standing(const QString &path)
{
    const QFileInfo info(path);
    return (info.isSymLink() ? "-> " + info.symLinkTarget() : QString())
           + (info.isFile() && info.size() < 4096 ? bytesOf(path) : QString::number(info.size()));
}

QString textOf(const QString &record) { return decodeText(split(record).value(Texto)); }

// The disk as the store reaches it, counting what each look costs.
struct Counted : FileAccess {
    int reads = 0, writes = 0;
    std::optional<QByteArray> read(const QString &path) override { return ++reads, FileAccess::read(path); }
    void write(const QString &path, const QByteArray &bytes) override { ++writes, FileAccess::write(path, bytes); }
};

// One machine: its store file, and its notes as its windows write them.
struct Machine {
    QString path;
    std::shared_ptr<Counted> disk = std::make_shared<Counted>();
    NoteStore store;
    QSignalSpy told{&store, &NoteStore::unreadable};
    QSignalSpy relinked{&store, &NoteStore::relinked};
    QSignalSpy heard{&store, &NoteStore::changedElsewhere}; // since the last file brought here
    QSignalSpy settled{&store, &NoteStore::conflictsSettled};
    QStringList news; // what the windows were told, a join at a time, since the last file brought here

    Machine(const QString &folder, const QString &name)
        : path(folder + "/Quadrelo.conf"), store(path, name, nullptr, disk)
    {
        // As the program does: a file changed elsewhere is joined.
        QObject::connect(&store, &NoteStore::changedElsewhere, &store, &NoteStore::takeInChanges);
        QObject::connect(&store.notes(), &NoteBook::joined, &store, [this](const QList<NoteBook::Change> &changes) {
            const QMap<int, QString> names{{Fixo, "pin"}, {Texto, "text"}, {Aviso, "alarm"}, {DataHoraAviso, "at"}};
            QStringList joined;
            for (const NoteBook::Change &c : changes) {
                QStringList fields;
                for (int f : c.fields)
                    fields << names.value(f, QString::number(f));
                joined << QStringList{"+", "-", ""}.at(c.kind) + textOf(c.record)
                              + (fields.isEmpty() ? QString() : ":" + fields.join(','));
            }
            joined.sort();
            news << joined.join(' ');
        });
    }

    void start()
    {
        store.open();
        store.watch();
        store.findChild<QTimer *>("storeSettle")->setInterval(1);
    }

    // The notes as the windows show them: the last join, with the edits made since.
    QList<StoreSync::Note> windows() const { return store.notes().capture().notes; }

    StoreSync::Note window(const QString &text) const
    {
        for (const StoreSync::Note &w : windows())
            if (textOf(w.record) == text)
                return w;
        qFatal("no note %s", qPrintable(text));
    }

    // "new t", "del t", "text t=u", "pin t", "move t=top", "remind t=DD" (an alarm at 09:00 on
    // that day of December 2026), "alarm t" (it rang) and "toggle S|N" (show-at-start), as the
    // person does in a window or the tray menu.
    void act(const QString &op, const QString &arg)
    {
        if (op == "new")
            return void(store.notes().add(recordWith({{Texto, encodeText(arg)}})));
        if (op == "del")
            return store.notes().remove(window(arg).id);
        if (op == "toggle")
            return store.setSetting("Config", "Abertura", arg);
        const QString value = arg.section('=', 1);
        const StoreSync::Note w = window(arg.section('=', 0, 0));
        NoteValue v = NoteValue::fromRecord(w.record);
        if (op == "text")
            v.text = value;
        else if (op == "pin")
            v.pinned = true;
        else if (op == "move")
            v.topTw = value.toFloat();
        else
            v.alarm = op == "remind", v.alarmAt = v.alarm ? value + "/12/2026 09:00" : QString();
        store.notes().update(w.id, v.toRecord());
    }

    // The texts; with `shown`, each with its pin, its alarm and its top when not the usual one.
    QStringList texts(bool shown = false) const
    {
        QStringList list;
        for (const StoreSync::Note &w : windows()) {
            const QStringList f = split(w.record);
            list << textOf(w.record)
                        + (shown ? QString(f[Fixo] == "S" ? "+pin" : "") + (f[Aviso] == "S" ? "+alarm" : "")
                                       + (f[Topo] != "1500" ? "@" + f[Topo] : "")
                                 : QString());
        }
        list.sort();
        return list;
    }
};

// The file's notes by text; fails the test when a key or an identity is there twice, or a note
// has no identity beside it.
QStringList fileTexts(const QString &path)
{
    const SettingsStore file(path);
    const KeyValueList notes = file.readSection(Persistence::notesSection());
    const KeyValueList sync = file.readSection("Sincronia");
    QSet<QString> ids;
    for (const auto &pair : sync)
        ids.insert(pair.second.section(' ', 0, 0));
    QStringList texts;
    for (const auto &pair : notes)
        if (NoteValue::isNoteRecord(pair.second)) // a record that cannot be a note is kept without one
            texts << textOf(pair.second);
    if (ids.size() != sync.size() || sync.size() != texts.size())
        return {
            QString::asprintf("%lld records, %lld identities, %lld different", texts.size(), sync.size(), ids.size())};
    texts.sort();
    return texts;
}

// The file as an older version would have rewritten it: no seal, the notes in the opposite order
// under new keys, identities kept beside their records.
QByteArray olderRewrite(const QByteArray &bytes)
{
    SettingsStore image = SettingsStore::fromBytes(bytes), older = image;
    older.deleteSection("Lembretes"), older.deleteSection("Sincronia");
    const KeyValueList notes = image.readSection("Lembretes"), sync = image.readSection("Sincronia");
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const QString key = QString::number(notes.size() - 1 - i + 10);
        older.write("Lembretes", key, notes[i].second);
        if (i < sync.size())
            older.write("Sincronia", key, sync[i].second);
    }
    return older.toBytes();
}

} // namespace

class TestStore : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    // Each step is "X op arg" on machine X (A or B): an edit as the person makes it (Machine::act);
    // "save", "refuses" (a save that fails, the file left as it is), "join" (the watcher told of a
    // change and it was joined), "damage t" (t's record in the file cut short, by a disk fault or a
    // hand edit); checks: "has", "opens" (show-at-start, in the store and its file), "keeps" (the
    // damaged record as it was), "told n" (files it could not read). "X<Y how": the sync tool
    // brings Y's file to X, whole, "cut" in a line, "cut-line" at a line end, "bare" without its
    // settings, as a "copy" beside the store, or "older" as an older version rewrote it. Both start
    // from notes a and b made on A. A file a writer has not finished is neither taken nor told
    // until it is whole; one that stays cut is told once. Rows marked "join" (edits made before
    // either machine saw the other's) also run from a store an older version wrote, and end with
    // one more join both ways, which changes nothing and tells no conflict again.
    void twoMachines_data()
    {
        QTest::addColumn<bool>("older");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("onA"); // texts, each with "+pin", "+alarm", "@top" (see Machine::texts)
        QTest::addColumn<QString>("onB");
        QTest::addColumn<int>("conflicts"); // told on either machine: texts changed on both
        // ">A" is the sync tool bringing B's file to A and A joining it, ">B" the other way;
        // "both" is A's save, B's save, >A and >B.
        const QString alarmC = "A new c; A remind c=07; A save; >B; "; // a note c with an alarm on both
        const struct {
            const char *name;
            QString steps;
            const char *a, *b;
            int conflicts = 0;
            bool join = true, mirror = true;
        } rows[] = {
            // clang-format off
            // A file from the other side saved before it saw a deletion here: the file written
            // after the join holds each note once, and the deleted one not at all.
            {"deleted here, new on both", "A del a; A new d; B new c; both", "b c d", "b c d"},
            {"deleted here, moved there", "A del a; B move b=900; both", "b", "b@900"},
            {"keys added, dropped and renumbered between two saves",
                "B new c; B del a; B text b=b2; B save; A<B older; A new d; A save; A join; >B", "b2 c d", "b2 c d", 0,
                false},
            {"a file cut in the middle of a line, then whole",
                "B new c; B del b; B save; A<B cut; A join; A has a,b; A refuses; A told 0; A told 1; A<B cut; A join; "
                "A told 1; >A", "a c", "a c", 0, false},
            {"a file cut at a line end, then whole", "B new c; B save; A<B cut-line; A join; A has a,b; >A", "a b c",
                "a b c", 0, false},
            // An older version's file cut at a line end parses well: what it lacks is no deletion.
            {"an older version's file cut at a line end", "B new c; B text a=a2; B save; A<B older-cut; A join; A save",
                "a b c", "a2 b c", 0, false},
            {"Syncthing's, Nextcloud's, Dropbox's and a Portuguese conflict copy", "B text a=a2; B save; A<B copy; "
                "A join; A has a2,b; B text b=b2; B save; A<B copy-nextcloud; A join; A has a2,b2; B new c; B save; "
                "A<B copy-dropbox; A join; A has a2,b2,c; B text c=c2; B save; A<B copy-pt; A join; >B", "a2 b2 c2",
                "a2 b2 c2", 0, false},
            {"a sync tool's file not written whole is no copy", "B text a=a2; B save; A<B temp; A join", "a b", "a2 b", 0,
                false},
            // Each join tells the windows once, and only of the notes and fields it changed.
            {"the windows told what changed elsewhere", "B text a=a2; B pin b; B new c; B save; >A; A shows +c a2:text "
                "b:pin; B remind c=08; B save; >A; A shows c:alarm,at; B del a2; B save; >A; A shows -a2; B save; >A; "
                "A shows ", "b+pin c+alarm", "b+pin c+alarm", 0, false},
            {"deleted on both", "A del a; B del a; B del b; both", "", ""},
            {"deleted here, edited there", "A del a; B text a=a2; both", "a2 b", "a2 b"},
            {"same note, different fields", "A pin a; B text a=a2; both", "a2+pin b", "a2+pin b"},
            {"same note, same new text", "A text a=x; B text a=x; both", "b x", "b x"},
            // The later change keeps the note (here B's, by name: not mirrored); the other text
            // becomes a note of its own, a little below.
            {"same note, different texts", "A text a=a1; B text a=a2; both", "a1@1860 a2 b", "a1@1860 a2 b", 1, true,
                false},
            {"same note, different texts, here twice", "A text a=a1; A save; A text a1=a3; B text a=a2; both",
                "a2@1860 a3 b", "a2@1860 a3 b", 1},
            {"alarm rang here, text edited there", alarmC + "A alarm c; B text c=c2; both", "a b c2", "a b c2"},
            // A reminder missed is worse than one too many: set anew beats rung, though A's change is the later.
            {"alarm rang here, set anew there", alarmC + "A alarm c; B remind c=08; both", "a b c+alarm",
                "a b c+alarm"},
            // The copy has no alarm: it would ring a second time. A made c: its change is the later.
            {"same note with an alarm, different texts", alarmC + "A text c=c1; B text c=c2; both",
                "a b c1+alarm c2@1860", "a b c1+alarm c2@1860", 1},
            {"moved here, deleted there", "A move a=500; B del a; both", "b", "b"},
            {"edited, then deleted there", "A text a=a2; A save; >B; B del a2; both", "b", "b"},
            {"moved on both: each keeps its own place", "A move a=500; B move a=900; B move b=900; both", "a@500 b",
                "a@900 b@900"},
            // A record this machine cannot read is no deletion: the other machine keeps the note.
            {"a record damaged here", "A damage a; A join; A keeps; A has a,b; >B; B has a,b; >A; A keeps", "a b",
                "a b", 0, false},
            // The later change wins on both, though the earlier one was made on the other machine.
            {"show-at-start off here, on again there later",
                "A toggle N; >B; B opens N; B toggle S; >A; A opens S; >B; B opens S", "a b", "a b", 0, false},
            {"show-at-start off here, a file without it from there", "A toggle N; A<B bare; A join; A opens N", "a b",
                "a b", 0, false},
            // The file is read only when another writer changed it, though it kept its size and time.
            {"what saves and looks cost", "A text a=a1; A save; A costs 0/1; A join; A costs 0/0; >B; B new c; "
                "B save; >A; A costs 1/0; A text b=b2; B text c=c2; B save; >A; A costs 1/1; A join; A costs 0/0; "
                "A rewrite; A join; A costs 1/0; A opens N", "a1 b2 c2", "a1 b c2", 0, false, false},
            // clang-format on
        };
        for (const auto &row : rows) {
            QString steps = QString(row.steps).replace("both", "A save; B save; >A; >B") + (row.join ? "; >A; >B" : "");
            steps.replace(">A", "A<B; A join").replace(">B", "B<A; B join");
            // The same with the machines' parts swapped.
            const QString mirrored = QString(steps).replace('A', '#').replace('B', 'A').replace('#', 'B');
            for (bool older : row.join ? QList{false, true} : QList{false}) {
                const char *o = older ? ", older store" : "";
                QTest::addRow("%s%s", row.name, o)
                    << older << steps.split("; ") << QString(row.a) << QString(row.b) << row.conflicts;
                if (row.mirror)
                    QTest::addRow("%s%s, mirrored", row.name, o)
                        << older << mirrored.split("; ") << QString(row.b) << QString(row.a) << row.conflicts;
            }
        }
    }

    void twoMachines()
    {
        QFETCH(bool, older);
        QFETCH(QStringList, steps);
        QTemporaryDir folderA, folderB;
        Machine a(folderA.path(), "aaaa1111"), b(folderB.path(), "bbbb2222");
        QMap<QString, Machine *> m{{"A", &a}, {"B", &b}};
        // Notes a and b as an older version wrote them; each machine reads that file, or A saves
        // it with identities first and the sync tool carries that.
        SettingsStore file;
        file.write("Config", "Abertura", "S");
        file.write("Lembretes", "0", recordWith({{Texto, "a"}}));
        file.write("Lembretes", "1", recordWith({{Texto, "b"}}));
        SettingsStore::writeFile(a.path, file.toBytes());
        a.start();
        if (!older)
            a.store.save();
        SettingsStore::writeFile(b.path, bytesOf(a.path));
        b.start();

        QString damaged;
        a.disk->reads = a.disk->writes = 0;
        for (const QString &step : steps) {
            Machine &x = *m.value(step.left(1));
            if (step.at(1) == '<') {
                const Machine &y = *m.value(step.mid(2, 1));
                const QString how = step.section(' ', 1);
                QByteArray bytes = bytesOf(y.path);
                if (how == "cut")
                    bytes.chop(bytes.size() - bytes.lastIndexOf("Sincronia") - 20);
                else if (how == "bare") // no seal, no settings: a part of a store
                    bytes = bytes.mid(bytes.indexOf("[Lembretes]"));
                else if (how == "cut-line")
                    bytes = bytes.left(bytes.indexOf("\n[Lugares]") + 1);
                else if (how.startsWith("older"))
                    bytes = olderRewrite(bytes);
                if (how == "older-cut") // after the first two notes: the rest of them and all identities lost
                    bytes = bytes.left(bytes.indexOf('\n', bytes.indexOf("\n11=") + 1) + 1);
                // Beside the store: a conflict copy as each sync tool names it, or a sync tool's file
                // not written whole yet, which is no copy; put in place as a sync tool does, written
                // beside it and renamed over it.
                const QMap<QString, QString> beside{
                    {"copy", "Quadrelo.sync-conflict-20261207-101010-ABCDEF7.conf"}, // Syncthing
                    {"copy-nextcloud", "Quadrelo (conflicted copy 2026-12-07 101010).conf"},
                    {"copy-dropbox", "Quadrelo (Someone's conflicted copy 2026-12-07 (1)).conf"},
                    {"copy-pt", "Quadrelo (Cópia em conflito de Fulano 2026-12-07).conf"},
                    {"temp", "Quadrelo.conf.aB3xYz"}};
                SettingsStore::writeFile(QFileInfo(x.path).dir().filePath(beside.value(how, "Quadrelo.conf")), bytes);
                x.heard.clear();
                x.news.clear();
                continue;
            }
            const QString op = step.section(' ', 1, 1), arg = step.section(' ', 2);
            const QByteArray was = bytesOf(x.path);
            if (op == "save") {
                x.store.save(), x.heard.clear(); // "join" then waits for the watcher's look
            } else if (op == "refuses") {
                QVERIFY_THROWS_EXCEPTION(RuntimeError, x.store.save());
                QCOMPARE(bytesOf(x.path), was);
            } else if (op == "join") {
                QVERIFY(!x.heard.isEmpty() || x.heard.wait(2000)); // and joined it
            } else if (op == "shows") {
                QCOMPARE(x.news.join(" | "), arg);
            } else if (op == "has") {
                QCOMPARE(x.texts().join(','), arg);
            } else if (op == "damage") {
                SettingsStore image = SettingsStore::fromBytes(was);
                for (const auto &[key, record] : image.readSection("Lembretes"))
                    if (textOf(record) == arg)
                        image.write("Lembretes", key, damaged = record.section(QChar(FieldSeparator), 0, Texto));
                SettingsStore::writeFile(x.path, image.toBytes());
                x.heard.clear();
            } else if (op == "rewrite") { // show-at-start changed by hand in place: same size, same time
                const QDateTime time = QFileInfo(x.path).lastModified();
                QByteArray body = was.mid(was.indexOf('\n') + 1);
                body = StoreFormat::seal(body.left(body.lastIndexOf("; sha256=")).replace("Abertura=S", "Abertura=N"));
                QFile out(x.path);
                QVERIFY(out.open(QIODevice::WriteOnly) && out.write(body) == was.size()
                        && out.setFileTime(time, QFileDevice::FileModificationTime));
                x.heard.clear();
            } else if (op == "costs") { // reads and writes of the file since the last count
                QCOMPARE(QString("%1/%2").arg(x.disk->reads).arg(x.disk->writes), arg);
                x.disk->reads = x.disk->writes = 0;
            } else if (op == "keeps") {
                QVERIFY(SettingsStore(x.path).values().values().contains(damaged));
            } else if (op == "opens") {
                QCOMPARE(x.store.setting("Config", "Abertura"), arg);
                QCOMPARE(SettingsStore(x.path).read("Config", "Abertura"), arg);
            } else if (op == "told") {
                if (arg != "0") // the wait before telling is over
                    x.store.findChild<QTimer *>("storeTell")->setInterval(0);
                QTRY_COMPARE(x.told.size(), arg.toInt());
            } else {
                x.act(op, arg);
            }
        }
        QTEST(a.texts(true).join(' '), "onA");
        QTEST(b.texts(true).join(' '), "onB");
        QTEST(int(a.settled.size() + b.settled.size()), "conflicts");
        // Saved once more, each file holds just what its windows show.
        for (Machine *x : {&a, &b}) {
            x->store.save();
            QCOMPARE(fileTexts(x->path), x->texts());
        }
        QCOMPARE(platform.messages.shown, QStringList());
    }

    // What a start makes of the file: the first start plants the welcome note in a file of the
    // person's own; a store that has notes but lacks the setting (a part of a store, a file
    // edited by hand) only gets the setting, and the file keeps its permissions. A file the store
    // cannot take whole, or could not save to (the file or its folder not writable), is refused
    // and left byte for byte, since saving it would lose the notes after the bad line, or fail.
    void open_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // of a file made readable to the group
        QTest::addColumn<QString>("locked");   // "file" or "folder": not writable, even for root
        // The notes' texts (their start), "|", Abertura, "|", the file's mode; or what the start says.
        QTest::addColumn<QString>("opened");
        const QByteArray head = "[Config]\nAbertura=S\n[Lembretes]\n0=\"a\"\n";
        const auto row = [](const char *name, const QByteArray &bytes, const QString &opened, const char *locked = "") {
            QTest::newRow(name) << bytes << QString(locked) << opened;
        };
        row("no file", QByteArray(), "O Quadrelo|S|600");
        row("setting only", "[Config]\nAbertura=N\n", "|N|640");
        row("notes, no setting", "[Lembretes]\n0=\"" + recordWith({{Texto, "minha"}}).toUtf8() + "\"\n", "minha|S|640");
        row("a record that cannot be a note, no setting", "[Lembretes]\n0=quebrado\n", "|S|640");
        const QString refused = "Erro de acesso ao caminho/arquivo: ~ ",
                      invalid = refused + "está com formato inválido";
        row("unclosed section", "[Config]\nAbertura=S\n[Lembretes\n0=note\n", invalid);
        row("note line without =", head + "1\"b\"\n2=\"c\"\n", invalid);
        row("unterminated quote", head + "1=\"b\n2=\"c\"\n", invalid);
        row("not UTF-8", head + "1=\"caf\xe9\"\n", invalid);
        row("read-only file", head, refused + "não pode ser gravado", "file");
        row("read-only folder", head, refused + "não pode ser gravado", "folder");
        // Lines Qt would read as something else than they say (a list, a value cut at ";", an escape
        // dropped, a nested key, a record seen twice), which a save would lose or change.
        row("unquoted comma", head + "1=" + recordWith({{Texto, "b, c"}}).toUtf8() + "\n", invalid);
        row("unquoted semicolon", head + "1=b; c\n", invalid);
        row("unknown escape", head + "1=C:\\dir\n", invalid);
        row("type prefix", head + "1=@Invalid()\n", invalid);
        row("key with backslash", head + "1\\2=\"b\"\n", invalid);
        row("key twice", head + "0=\"b\"\n", invalid);
        row("group twice", head + "[Lembretes]\n1=\"b\"\n", invalid);
    }

    void open()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, locked);
        const QString path = SettingsStore::defaultPath();
        if (!bytes.isEmpty()) {
            SettingsStore::writeFile(path, bytes);
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        }
        const QString lockedPath = locked == "file" ? path : QFileInfo(path).absolutePath();
        if (!locked.isEmpty() && !setWritable(lockedPath, false))
            QSKIP("this file system cannot keep root from writing");
        const auto unlock = qScopeGuard([&] { locked.isEmpty() || setWritable(lockedPath, true); });
        NoteStore store;
        QString opened;
        try {
            store.open();
            QStringList texts;
            for (const StoreSync::Note &n : store.notes().known().notes)
                texts << textOf(n.record).left(10);
            opened = texts.join(',') + '|' + store.setting("Config", "Abertura") + '|' + modeOf(path);
        } catch (const RuntimeError &e) {
            opened = e.description().replace(path, "~");
            QCOMPARE(bytesOf(path), bytes);
        }
        QTEST(opened, "opened");
    }

    // Saves go where the person's file is, through a linked folder or a linked file, and keep its
    // permissions; settings and groups the store does not know stay.
    void whereSavesGo_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"plain", "linked folder", "linked file"})
            QTest::newRow(how) << how;
    }

    void whereSavesGo()
    {
        QFETCH(QString, how);
        const QString path = SettingsStore::defaultPath(), config = QFileInfo(path).absolutePath();
        QTemporaryDir elsewhere;
        QDir(config).removeRecursively();
        if (how == "linked folder")
            QVERIFY(QFile::link(elsewhere.path(), config));
        else if (how == "linked file")
            QVERIFY(QDir().mkpath(config) && QFile::link(elsewhere.filePath("Quadrelo.conf"), path));
        auto restore = qScopeGuard([config] {
            QFile::remove(config) || QDir(config).removeRecursively();
            QDir().mkpath(config);
        });
        SettingsStore::writeFile(path, "[Config]\nAbertura=N\n[Outro]\nchave=valor\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        Machine x(config, how == "plain" ? QString() : "aaaa1111"); // plain: this machine's own id
        x.start();
        x.act("new", "n");
        x.store.save();
        const SettingsStore file(path);
        QCOMPARE(fileTexts(path), QStringList{"n"});
        QCOMPARE(file.read("Config", "Abertura"), QString("N"));
        QCOMPARE(file.read("Outro", "chave"), QString("valor"));
        QCOMPARE(modeOf(path), "640"); // as the person set it
        QCOMPARE(QFileInfo(path).isSymLink(), how == "linked file");
        QCOMPARE(QFileInfo(config).isSymLink(), how == "linked folder");
        // Nothing but the store in the folder a sync tool carries: the machine's id is kept elsewhere.
        QCOMPARE(QDir(config).entryList(QDir::Files), QStringList{"Quadrelo.conf"});
    }

    // Each hostile file where the store is (swapped in while the program runs), beside it as a
    // conflict copy, as the machine's name or as the folder of the private copy Qt's INI reader
    // needs (at start): told once, naming it, and left as it is; the store is not saved into it, a
    // copy that cannot be read is not read again until it changes, and a failing private copy is
    // never a store "com formato inválido".
    void outsideFiles_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("plant"); // a shell command putting it at '%1'
        // The huge one is a store that would read well: only its size refuses it.
        const QMap<QString, QString> plants{
            {"fifo", "mkfifo '%1'"},
            {"zero", "ln -s /dev/zero '%1'"},
            {"huge", "{ printf '[Config]\\n;'; head -c 68157440 /dev/zero | tr '\\0' x; } > '%1'"},
            {"damaged", "printf '[Lembretes\\n' > '%1'"},
            {"link", "printf '[Geral]\\ntema=escuro\\n' > '%1.outro' && ln -s '%1.outro' '%1'"},
            {"blocked", "rm -r '%1' && touch '%1'"}};
        for (const char *row :
             {"fifo store", "zero store", "huge store", "link store", "fifo copy", "zero copy", "huge copy",
              "damaged copy", "fifo machine", "zero machine", "huge machine", "blocked private"})
            QTest::newRow(row) << QString(row).section(' ', 1) << plants[QString(row).section(' ', 0, 0)];
    }

    void outsideFiles()
    {
        QFETCH(QString, place);
        QFETCH(QString, plant);
        const QString store = SettingsStore::defaultPath();
        ::alarm(60); // a step that hangs (a FIFO opened for reading waits for a writer) ends the program
        NoteStore(QString(), "aaaa1111").open(); // the welcome note, and the private folder made
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QString path = place == "store" ? store
                             : place == "copy"
                                 ? QFileInfo(store).path() + "/Quadrelo.sync-conflict-20261207-101010-ABCDEF7.conf"
                             : place == "private" ? runtime + "/" + QDir(runtime).entryList({"quadrelo-ini-*"}).value(0)
                                                  : qEnvironmentVariable("XDG_STATE_HOME") + "/Quadrelo/machine";
        const auto plantIt = [&] {
            QDir().mkpath(QFileInfo(path).path());
            QFile::remove(path);
            QCOMPARE(std::system(qPrintable(plant.arg(path))), 0);
        };
        auto cleanup = qScopeGuard([&] {
            QFile::remove(path) && QFile::remove(path + ".outro");
            if (place == "private")
                QDir().mkdir(path);
        });
        if (place == "machine" || place == "private") {
            plantIt();
            const QString before = standing(path) + standing(store);
            try {
                NoteStore(QString(), place == "machine" ? QString() : "aaaa1111").open();
                QFAIL("opened");
            } catch (const RuntimeError &e) {
                QVERIFY2(e.description().contains(path) && !e.description().contains("formato"),
                         qPrintable(e.description()));
            }
            QCOMPARE(standing(path) + standing(store), before);
            return;
        }
        Machine x(QFileInfo(store).path(), "aaaa1111");
        const QSignalSpy &told = plant.contains("outro") ? x.relinked : x.told;
        x.start();
        plantIt();
        const QString before = standing(path);
        QTRY_COMPARE(told.size(), 1);
        QCOMPARE(told.at(0).at(0).toString(), path);
        // Looked at again: neither told nor, for a copy, read again.
        const int reads = x.disk->reads;
        x.store.takeInChanges();
        QCOMPARE(place == "copy" && x.disk->reads > reads, false);
        if (place == "store")
            QVERIFY_THROWS_EXCEPTION(RuntimeError, x.store.save());
        else
            x.store.save();
        QCOMPARE(told.size(), 1);
        QCOMPARE(standing(path), before);
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
