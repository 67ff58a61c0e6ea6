// SPDX-License-Identifier: GPL-3.0-or-later
// The store's owner among files others put in its way: nothing hangs or floods, nothing is
// written into what is not the store, and the person is told once.
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteStore.h"

#include <QtTest>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// What stands at `path`, as `ls -l` and `cat` tell it (never reading what is not a small file).
QString standing(const QString &path)
{
    const QFileInfo info(path);
    return (info.isSymLink() ? "-> " + info.symLinkTarget() : QString())
           + (info.isFile() && info.size() < 4096 ? bytesOf(path) : QString::number(info.size()));
}
} // namespace

class TestHostile : public QObject {
    Q_OBJECT
    TestPlatform platform;
    const QString store = SettingsStore::defaultPath();

private slots:
    void init() { platform.reset(); }

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
        NoteStore notes(QString(), "aaaa1111");
        QSignalSpy told(&notes, plant.contains("outro") ? &NoteStore::relinked : &NoteStore::unreadable);
        QObject::connect(&notes, &NoteStore::changedElsewhere, &notes, &NoteStore::takeInChanges);
        notes.open();
        notes.watch();
        plantIt();
        const QString before = standing(path);
        QTRY_COMPARE(told.size(), 1);
        QCOMPARE(told.at(0).at(0).toString(), path);
        // Looked at again: neither told nor, for a copy, opened again.
        const int opens = inotify_init1(IN_NONBLOCK);
        inotify_add_watch(opens, QFile::encodeName(path), IN_OPEN | IN_DONT_FOLLOW);
        notes.takeInChanges();
        char event[4096];
        QCOMPARE(place == "copy" && ::read(opens, event, sizeof event) > 0, false);
        ::close(opens);
        if (place == "store")
            QVERIFY_THROWS_EXCEPTION(RuntimeError, notes.save());
        else
            notes.save();
        QCOMPARE(told.size(), 1);
        QCOMPARE(standing(path), before);
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
