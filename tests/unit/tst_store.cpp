// SPDX-License-Identifier: GPL-3.0-or-later
// The owner of the store file, without any window: two machines, each with its store and the
// notes its windows hold, and a sync tool carrying the file between them (whole, cut short, as a
// conflict copy, rewritten by an older version). Every file written holds each note once, and a
// note deleted on one machine never comes back.
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteRecord.h"
#include "records/NoteStore.h"
#include "records/Persistence.h"

#include <QtTest>

using namespace NoteRecord;
using StoreSync::Live;

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// A sync tool's way of putting a file in place: written beside it, renamed over it.
void carry(const QByteArray &bytes, const QString &to)
{
    writeBytes(to + ".syncthing.tmp", bytes);
    QFile::remove(to);
    QFile::rename(to + ".syncthing.tmp", to);
}

QString textOf(const QString &record) { return decodeText(split(record).value(Texto)); }

// One machine: its store file and what its windows hold.
struct Machine {
    QString path;
    QList<Live> windows;
    NoteStore store;
    QSignalSpy told{&store, &NoteStore::unreadable};

    Machine(const QString &folder, const QString &name) : path(folder + "/Quadrelo.conf"), store(path, name)
    {
        // As the program does: a file changed elsewhere is joined.
        QObject::connect(&store, &NoteStore::changedElsewhere, &store, &NoteStore::takeInChanges);
        NoteStore::Views views;
        views.live = [this] { return windows; };
        views.identify = [this](const QStringList &ids) {
            for (qsizetype i = 0; i < ids.size(); ++i)
                windows[i].id = ids[i];
        };
        // As the windows do: notes gone elsewhere close, changed ones take the change, new ones open.
        views.show = [this](const StoreSync::Snapshot &merged) {
            QList<Live> shown;
            for (const StoreSync::Note &n : merged.notes)
                shown << Live{n.id, n.record};
            for (const Live &w : std::as_const(windows))
                if (w.id.isEmpty())
                    shown << w;
            windows = shown;
            return QSet<QString>();
        };
        store.setViews(views);
    }

    void start()
    {
        store.open();
        for (const StoreSync::Note &n : store.notes().notes) {
            windows << Live{n.id, n.record};
            store.windowMade(n.id);
        }
    }

    Live *window(const QString &text)
    {
        for (Live &w : windows)
            if (textOf(w.record) == text)
                return &w;
        qFatal("no note %s", qPrintable(text));
    }

    // "new t", "del t", "text t=u", as the person does in a window.
    void act(const QString &op, const QString &arg)
    {
        if (op == "new")
            windows << Live{QString(), recordWith({{Texto, encodeText(arg)}})};
        else if (op == "del")
            windows.removeAt(window(arg) - windows.data());
        else if (Live *w = window(arg.section('=', 0, 0)); op == "text")
            w->record = ReplaceField(w->record, Texto, arg.section('=', 1));
    }

    QStringList texts() const
    {
        QStringList list;
        for (const Live &w : windows)
            list << textOf(w.record);
        list.sort();
        return list;
    }
};

// The file's notes by text; fails the test when a key or an identity is there twice, or a record
// has no identity beside it.
QStringList fileTexts(const QString &path)
{
    const SettingsStore file(path);
    const KeyValueList notes = file.readSection(Persistence::notesSection());
    const KeyValueList sync = file.readSection("Sincronia");
    QSet<QString> ids;
    for (const auto &pair : sync)
        ids.insert(pair.second.section(' ', 0, 0));
    if (ids.size() != sync.size() || sync.size() != notes.size())
        return {QStringLiteral("%1 records, %2 identities, %3 different")
                    .arg(notes.size())
                    .arg(sync.size())
                    .arg(ids.size())};
    QStringList texts;
    for (const auto &pair : notes)
        texts << textOf(pair.second);
    texts.sort();
    return texts;
}

// The file as an older version would have rewritten it: no seal, the notes in the opposite order
// under new keys, identities kept beside their records.
QByteArray olderRewrite(const QByteArray &bytes)
{
    SettingsStore image = SettingsStore::fromBytes(bytes), older;
    for (auto it = image.values().begin(); it != image.values().end(); ++it)
        if (!it.key().startsWith("Lembretes/") && !it.key().startsWith("Sincronia/"))
            older.setValue(it.key(), it.value());
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

    // Each step is "X op arg" on machine X (A or B): "new", "del", "text t=u" as the person does
    // in a window; "save" (save-all or the automatic save), "refuses" (a save that fails and
    // leaves the file as it is) and "join" (the watcher saw the file change); "has" and "told n"
    // (files it could not read) check; "X<Y how": the sync tool brings Y's file to X, whole, "cut"
    // short in the middle of a line, "cut-line" at a line end, as a "copy" beside the store, or
    // "older" as an older version rewrote it. Both machines start from notes a and b made on A and
    // carried to B. A file a writer has not finished is not taken, nor told, until it is whole;
    // one that stays cut is told once, when it is looked at again.
    void twoMachines_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("onA");
        QTest::addColumn<QString>("onB");
        // ">A" is the sync tool bringing B's file to A and A joining it, ">B" the other way.
        const char *rows[][4] = {
            // A file from the other side saved before it saw a deletion here: the file written
            // after the join holds each note once, and the deleted one not at all.
            {"deleted here, new there", "A del a; A save; B new c; B save; >A; >B", "b c", "b c"},
            // What was typed here and not saved yet is kept through the join.
            {"typed here, typed there", "A text b=b1; B text a=a2; B save; >A; >B", "a2 b1", "a2 b1"},
            {"deleted here, moved there", "A del a; A save; B move b; B save; >A; >B", "b", "b"},
            {"deleted here, an older save from there arrives", "B save; A del a; A save; >A; >B", "b", "b"},
            {"keys added, dropped and renumbered between two saves",
             "B new c; B del a; B save; A<B older; A new d; A save; A join; >B", "b c d", "b c d"},
            {"a file cut in the middle of a line, then whole",
             "B new c; B del b; B save; A<B cut; A join; A has a,b; A refuses; A told 0; A told 1; >A", "a c", "a c"},
            {"a file cut at a line end, then whole", "B new c; B save; A<B cut-line; A join; A has a,b; >A", "a b c",
             "a b c"},
            // An older version's file cut at a line end parses well: what it lacks is no deletion.
            {"an older version's file cut at a line end", "B new c; B text a=a2; B save; A<B older-cut; A join; A save",
             "a b c", "a2 b c"},
            {"a conflict copy with a change", "B text a=a2; B save; A<B copy; B new c; B save; >A; >B", "a2 b c",
             "a2 b c"},
        };
        for (const auto &[name, steps, a, b] : rows) {
            QStringList expanded, mirrored;
            for (const QString &step : QString(steps).split("; "))
                expanded << (step.startsWith('>')
                                 ? QStringList{step.mid(1) + (step == ">A" ? "<B" : "<A"), step.mid(1) + " join"}
                                 : QStringList{step});
            QTest::addRow("%s", name) << expanded << QString(a) << QString(b);
            // The same with the machines' parts swapped.
            for (QString step : expanded)
                mirrored << step.replace('A', '#').replace('B', 'A').replace('#', 'B');
            QTest::addRow("%s, mirrored", name) << mirrored << QString(b) << QString(a);
        }
    }

    void twoMachines()
    {
        QFETCH(QStringList, steps);
        QTemporaryDir folderA, folderB;
        Machine a(folderA.path(), "aaaa1111"), b(folderB.path(), "bbbb2222");
        QMap<QString, Machine *> m{{"A", &a}, {"B", &b}};
        a.start();
        a.windows.clear(); // no welcome note: two notes of the person's own
        a.act("new", "a");
        a.act("new", "b");
        a.store.save();
        carry(bytesOf(a.path), b.path);
        b.start();
        QCOMPARE(b.texts(), QStringList({"a", "b"}));

        for (const QString &step : steps) {
            Machine &x = *m.value(step.left(1));
            if (step.at(1) == '<') {
                const Machine &y = *m.value(step.mid(2, 1));
                const QString how = step.section(' ', 1);
                QByteArray bytes = bytesOf(y.path);
                if (how == "cut")
                    bytes.chop(bytes.size() - bytes.lastIndexOf("Sincronia") - 20);
                else if (how == "cut-line")
                    bytes = bytes.left(bytes.indexOf("\n[Lugares]") + 1);
                else if (how.startsWith("older"))
                    bytes = olderRewrite(bytes);
                if (how == "older-cut") // after the first two notes: the rest of them and all identities lost
                    bytes = bytes.left(bytes.indexOf('\n', bytes.indexOf("\n11=") + 1) + 1);
                carry(bytes, how == "copy" ? QFileInfo(x.path).absolutePath()
                                                 + "/Quadrelo.sync-conflict-20261207-101010-ABCDEFG.conf"
                                           : x.path);
                continue;
            }
            const QString op = step.section(' ', 1, 1), arg = step.section(' ', 2);
            const QByteArray was = bytesOf(x.path);
            if (op == "save") {
                x.store.save();
            } else if (op == "refuses") {
                QVERIFY_THROWS_EXCEPTION(RuntimeError, x.store.save());
                QCOMPARE(bytesOf(x.path), was);
            } else if (op == "join") {
                x.store.takeInChanges();
            } else if (op == "has") {
                QCOMPARE(x.texts().join(','), arg);
            } else if (op == "told") {
                QTRY_COMPARE_WITH_TIMEOUT(x.told.size(), arg.toInt(), 8000);
            } else {
                x.act(op, arg);
            }
        }
        QTEST(a.texts().join(' '), "onA");
        QTEST(b.texts().join(' '), "onB");
        // Saved once more, each file holds just what its windows show.
        for (Machine *x : {&a, &b}) {
            x->store.save();
            QCOMPARE(fileTexts(x->path), x->texts());
        }
        QCOMPARE(platform.messages.shown, QStringList());
    }

    // What a start makes of the file: the first start plants the welcome note; a store that has
    // notes but lacks the setting (a part of a store, a file edited by hand) only gets the
    // setting; a file the store cannot take whole is refused and left byte for byte, since saving
    // it would lose the notes after the bad line.
    void open_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("opened"); // the notes' texts (their start), "|", Abertura; or "refused"
        const QByteArray head = "[Config]\nAbertura=S\n[Lembretes]\n0=\"a\"\n";
        QTest::newRow("no file") << QByteArray() << "O Quadrelo|S";
        QTest::newRow("setting only") << QByteArray("[Config]\nAbertura=N\n") << "|N";
        QTest::newRow("notes, no setting")
            << ("[Lembretes]\n0=\"" + recordWith({{Texto, "minha"}}).toUtf8() + "\"\n") << "minha|S";
        QTest::newRow("a record that cannot be a note, no setting") << QByteArray("[Lembretes]\n0=quebrado\n") << "|S";
        QTest::newRow("unclosed section") << QByteArray("[Config]\nAbertura=S\n[Lembretes\n0=note\n") << "refused";
        QTest::newRow("note line without =") << head + "1\"b\"\n2=\"c\"\n"
                                             << "refused";
        QTest::newRow("stray text line") << head + "texto solto\n2=\"c\"\n"
                                         << "refused";
        QTest::newRow("unterminated quote") << head + "1=\"b\n2=\"c\"\n"
                                            << "refused";
        QTest::newRow("binary blob") << head + QByteArray("\x00\x01\xfe\xff=", 5) + "\n"
                                     << "refused";
        QTest::newRow("not UTF-8") << head + "1=\"caf\xe9\"\n"
                                   << "refused";
        QTest::newRow("sealed but cut") << QByteArray("; quadrelo-sealed: the last line checks this file\n") + head
                                        << "refused";
    }

    void open()
    {
        QFETCH(QByteArray, bytes);
        if (!bytes.isEmpty())
            writeBytes(SettingsStore::defaultPath(), bytes);
        NoteStore store;
        QString opened = "refused";
        try {
            store.open();
            QStringList texts;
            for (const StoreSync::Note &n : store.notes().notes)
                texts << textOf(n.record).left(10);
            opened = texts.join(',') + '|' + store.setting("Config", "Abertura");
        } catch (const RuntimeError &) {
            QCOMPARE(bytesOf(SettingsStore::defaultPath()), bytes);
        }
        QTEST(opened, "opened");
    }

    // Saves go where the person's file is, through a linked folder or a linked file; a save that
    // fails leaves everything as it was and the next one works; odd characters come back whole;
    // settings and groups the store does not know stay.
    void whereSavesGo_data()
    {
        QTest::addColumn<QString>("how");
        for (const char *how : {"plain", "linked folder", "linked file", "blocked, then free"})
            QTest::newRow(how) << how;
    }

    void whereSavesGo()
    {
        QFETCH(QString, how);
        const QString config = QFileInfo(SettingsStore::defaultPath()).absolutePath();
        QTemporaryDir elsewhere;
        QDir(config).removeRecursively();
        if (how == "linked folder")
            QVERIFY(QFile::link(elsewhere.path(), config));
        else if (how == "linked file")
            QVERIFY(QDir().mkpath(config)
                    && QFile::link(elsewhere.filePath("Quadrelo.conf"), SettingsStore::defaultPath()));
        auto restore = qScopeGuard([config] {
            QFile::remove(config) || QDir(config).removeRecursively();
            QDir().mkpath(config);
        });
        const QString odd = QStringLiteral(u"ÿ\u00A0é\n\"quoted\" a=b; c, [d] #e \\f");
        writeBytes(SettingsStore::defaultPath(), "[Config]\nAbertura=N\n[Outro]\nchave=valor\n");
        Machine x(config, "aaaa1111");
        x.start();
        x.act("new", odd);
        if (how.startsWith("blocked")) {
            // A file where the store's folder should be.
            QVERIFY(QFile::rename(config, config + ".away"));
            writeBytes(config, "mine");
            QVERIFY_THROWS_EXCEPTION(RuntimeError, x.store.save());
            QCOMPARE(bytesOf(config), QByteArray("mine"));
            QVERIFY(QFile::remove(config) && QFile::rename(config + ".away", config));
            QCOMPARE(bytesOf(SettingsStore::defaultPath()), QByteArray("[Config]\nAbertura=N\n[Outro]\nchave=valor\n"));
        }
        x.store.save();
        const SettingsStore file(SettingsStore::defaultPath());
        QCOMPARE(fileTexts(SettingsStore::defaultPath()), QStringList{decodeText(encodeText(odd))});
        QCOMPARE(file.read("Config", "Abertura"), QString("N"));
        QCOMPARE(file.read("Outro", "chave"), QString("valor"));
        QCOMPARE(QFileInfo(SettingsStore::defaultPath()).isSymLink(), how == "linked file");
        QCOMPARE(QFileInfo(config).isSymLink(), how == "linked folder");
    }
};

QTEST_GUILESS_MAIN(TestStore)
#include "tst_store.moc"
