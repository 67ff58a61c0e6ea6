// SPDX-License-Identifier: GPL-3.0-or-later
// The store's owner among files others put in its way: a FIFO, a device or a huge file where the
// store, a conflict copy or the machine's name should be, a link swapped in while it runs, a
// folder that will not take the private copy. Nothing hangs or floods, nothing is written into
// what is not the store, and the person is told once.
#include "TestSupport.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "records/NoteStore.h"

#include <QtTest>
#include <atomic>
#include <thread>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Ends the test program when a step hangs (a FIFO opened for reading waits for a writer).
struct Watchdog {
    std::atomic<bool> done{false};
    std::thread thread{[this] {
        for (int i = 0; i < 250 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!done)
            qFatal("hangs");
    }};
    ~Watchdog()
    {
        done = true;
        thread.join();
    }
};

// What stands at `path`, as `ls -l` would tell it.
QString standing(const QString &path)
{
    const QFileInfo info(path);
    return info.isSymLink() ? "-> " + info.symLinkTarget() : QString("%1 %2").arg(info.isFile()).arg(info.size());
}

} // namespace

class TestHostile : public QObject {
    Q_OBJECT
    TestPlatform platform;
    const QString store = SettingsStore::defaultPath();

private slots:
    void init() { platform.reset(); }

    // Each hostile file where the store is (swapped in while the program runs), beside it as a
    // conflict copy, or as the machine's name (at start): told once and left as it is; the store
    // is not saved over it, and a copy that cannot be read is not read again until it changes.
    void outsideFiles_data()
    {
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("what");
        for (const char *place : {"store", "copy", "machine"})
            for (const char *what : {"fifo", "zero", "huge", "damaged"})
                if (strcmp(what, "damaged") != 0 || strcmp(place, "copy") == 0)
                    QTest::addRow("%s as %s", what, place) << place << what;
    }

    void outsideFiles()
    {
        QFETCH(QString, place);
        QFETCH(QString, what);
        const QString folder = QFileInfo(store).absolutePath();
        const QString path = place == "store"  ? store
                             : place == "copy" ? folder + "/Quadrelo.sync-conflict-20261207-101010-ABCDEF7.conf"
                                               : qEnvironmentVariable("XDG_STATE_HOME") + "/Quadrelo/machine";
        const auto plant = [&] {
            QDir().mkpath(QFileInfo(path).absolutePath());
            QFile::remove(path);
            QFile file(path);
            QVERIFY(what == "fifo" ? ::mkfifo(QFile::encodeName(path), 0600) == 0
                    : what == "zero"
                        ? QFile::link("/dev/zero", path)
                        : file.open(QIODevice::WriteOnly)
                              && (what == "huge" ? file.write("[Config]\n;" + QByteArray(65 << 20, 'x')) > 0
                                                 : file.write("[Lembretes\n") > 0));
        };
        auto cleanup = qScopeGuard([&] { QFile::remove(path); });
        Watchdog watchdog;
        if (place == "machine") {
            plant();
            const QString before = standing(path);
            try {
                NoteStore notes;
                QFAIL("started");
            } catch (const RuntimeError &e) {
                QVERIFY2(e.description().contains(path), qPrintable(e.description()));
                QCOMPARE(standing(path), before);
            }
            return;
        }
        NoteStore notes(QString(), "aaaa1111");
        QSignalSpy told(&notes, &NoteStore::unreadable);
        QObject::connect(&notes, &NoteStore::changedElsewhere, &notes, &NoteStore::takeInChanges);
        notes.open();
        notes.watch();
        plant();
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
        QCOMPARE(SettingsStore(store).readSection("Lembretes").size(), place == "store" ? 0 : 1);
    }

    // A store that becomes a link, or whose link leads elsewhere, while the program runs: what it
    // leads to is read, but neither the join nor a save writes into it, and the person is told once.
    void linkSwappedIn_data()
    {
        QTest::addColumn<bool>("linkedAtStart");
        QTest::newRow("a file becomes a link") << false;
        QTest::newRow("a link changes target") << true;
    }

    void linkSwappedIn()
    {
        QFETCH(bool, linkedAtStart);
        QTemporaryDir elsewhere;
        const QString other = elsewhere.filePath("outro.ini");
        QFile file(other);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("[Geral]\ntema=escuro\n") > 0);
        file.close();
        if (linkedAtStart)
            QVERIFY(QFile::link(elsewhere.filePath("Quadrelo.conf"), store));
        auto cleanup = qScopeGuard([&] { QFile::remove(store); });
        NoteStore notes(QString(), "aaaa1111");
        QSignalSpy told(&notes, &NoteStore::relinked);
        notes.open();
        QVERIFY(QFile::remove(store) && QFile::link(other, store));
        const QByteArray theirs = bytesOf(other);
        notes.takeInChanges();
        notes.takeInChanges();
        QVERIFY_THROWS_EXCEPTION(RuntimeError, notes.save());
        QCOMPARE(told.size(), 1);
        QCOMPARE(bytesOf(other), theirs);
        QCOMPARE(QFileInfo(store).symLinkTarget(), other);
    }

    // The private copy Qt's INI reader needs cannot be written (a full or missing runtime folder):
    // the error names that folder, never the store's format, and the store stays as it was.
    void privateCopyFails_data()
    {
        QTest::addColumn<bool>("running");
        QTest::newRow("at start") << false;
        QTest::newRow("saving") << true;
    }

    void privateCopyFails()
    {
        QFETCH(bool, running);
        NoteStore notes(QString(), "aaaa1111");
        notes.open(); // the welcome note, and the private folder made
        const QByteArray was = bytesOf(store);
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QString copies = runtime + "/" + QDir(runtime).entryList({"quadrelo-ini-*"}).value(0);
        QVERIFY(QDir(copies).removeRecursively());
        QFile blocker(copies);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        auto restore = qScopeGuard([&] { QFile::remove(copies) && QDir().mkdir(copies); });
        try {
            running ? notes.setSetting("Config", "Abertura", "N") : NoteStore(QString(), "aaaa1111").open();
            QFAIL("no error");
        } catch (const RuntimeError &e) {
            QVERIFY2(e.description().contains(copies) && !e.description().contains("formato"),
                     qPrintable(e.description()));
        }
        QCOMPARE(bytesOf(store), was);
    }
};

QTEST_GUILESS_MAIN(TestHostile)
#include "tst_hostile.moc"
