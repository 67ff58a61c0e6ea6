// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "note/frmLembrete.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "records/StoreFormat.h"
#include "shell/frmPrincipal.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QtTest>
#include <array>
#include <csignal>
#include <future>
#include <unistd.h>

// Launches as the desktop makes them, on a session bus of this test's own.
class TestLaunch : public QObject {
    Q_OBJECT
    TestPlatform platform;
    QProcess daemon;
    QString address;
    // Another launch's connection to the bus, as another process has.
    QDBusConnection launcher() const { return QDBusConnection::connectToBus(address, "launcher"); }

private slots:
    void initTestCase()
    {
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!daemon.waitForReadyRead(5000))
            QSKIP("no dbus-daemon (./quadrelo.sh test installs it)");
        address = daemon.readLine().trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLatin1()); // before the program looks for it
    }
    void init() { platform.reset(); }

    // Desktop actions from another process through the bus, at a start, or at a start by the bus for
    // its call: hidden notes never come on the screen. A lock another user left in the open folder
    // keeps no one out. An instance leaves nothing behind.
    void launch_data()
    {
        QTest::addColumn<QString>("how"); // "bus", "start", "bus start"; or a start beside a lock
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("abertura");
        QTest::addColumn<QString>("shown"); // per note, the stored one first: shown, hidden, never shown
        using Row = std::array<const char *, 5>;
        for (const Row &row : {
                 Row{"new note, running", "bus", "novo", "N", "-S"},
                 Row{"new note, at start", "start", "novo", "N", "-S"},
                 Row{"show all, at start", "start", "mostrar", "N", "S"},
                 Row{"hide all, at start", "start", "esconder", "S", "-"},
                 Row{"hide all, started by the bus", "bus start", "esconder", "S", "-"},
                 Row{"another instance took the name a moment before", "name held", "", "S", ""},
                 Row{"another user's lock in a folder left open", "foreign lock", "", "N", "-"},
             })
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]) << QString(row[4]);
    }

    void launch()
    {
        QFETCH(QString, how);
        QFETCH(QString, command);
        QFETCH(QString, abertura);
        QFETCH(QString, shown);
        const QString path = SingleInstance::storeLockPath(), folder = QFileInfo(path).absolutePath();
        QLockFile running(path); // held by a process that runs: this one
        QVERIFY(QDir().mkpath(folder) && (!how.contains("lock") || running.tryLock(0)));
        if (how == "foreign lock" && ::chown(qPrintable(path), 65534, 65534) != 0)
            QSKIP("only root can give a file to another user");
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
        ShellFixture f;
        std::unique_ptr<SingleInstance> other; // a running instance, answering on a thread of its own
        QThread thread;
        const auto stop = qScopeGuard([&thread] { thread.quit(), thread.wait(); });
        int heard = 0; // the launches handed to it
        if (how == "name held") {
            other = std::make_unique<SingleInstance>(launcher());
            QCOMPARE(other->acquire(), SingleInstance::Outcome::Acquired);
            connect(other.get(), &SingleInstance::launchedAgain, [&heard] { ++heard; });
            other->moveToThread(&thread), thread.start();
        }
        if (how.endsWith("held")) { // it ends: the running one is handed the launch, or the person told
            QVERIFY(f.shell->Form_Load() != frmPrincipal::StartResult::Running);
            QCOMPARE(platform.messages.shown, heard ? QStringList() : QStringList{"O Quadrelo já está em execução."});
            QCOMPARE(heard, int(how == "name held"));
            return;
        }
        // The other launch, which waits for the answer (tried again until this instance owns its name).
        auto answer = std::async(std::launch::async, [this, how, command] {
            auto got = SingleInstance::Answer::NobodyListening;
            for (int i = 0; how.startsWith("bus") && i < 100 && got == SingleInstance::Answer::NobodyListening; ++i)
                QThread::msleep(20), got = SingleInstance::notifyRunning(command, launcher());
            return got;
        });
        f.start({recordWith({})}, abertura, how == "start" ? command : QString(), how == "bus start");
        QTRY_VERIFY(answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(answer.get() == SingleInstance::Answer::Answered, how.startsWith("bus"));
        QString marks;
        for (frmLembrete *note : openNotes())
            marks += note->isVisible() ? "S" : note->windowHandle() ? "N" : "-";
        QCOMPARE(marks, shown);
        QCOMPARE(QFileInfo(folder).permissions() & (QFileDevice::WriteOther | QFileDevice::WriteGroup), 0);
        f.choose("encerrar");
        QCOMPARE(QDir(folder).entryList({"*.lock"}), QStringList());
        QVERIFY(!launcher().interface()->isServiceRegistered(SingleInstance::serviceName()));
    }

    // A start waits a while for a process without the bus to let go of the store's lock (told if
    // it keeps it), and for a writer to finish the store (a sync tool at login; refused if it does
    // not): a store made whole meanwhile is loaded, and a signal ends the program at once, the
    // store left as it was and nothing of the instance behind.
    void startWaits_data()
    {
        QTest::addColumn<QString>("waitFor"); // "lock" held, or the store "cut" short
        QTest::addColumn<int>("meanwhile");   // a signal, 0: the lock let go or the store made whole, -1: nothing
        QTest::addColumn<QString>("outcome"); // "ended", "loaded", or what the person is told
        QTest::newRow("lock kept") << "lock" << -1 << "O Quadrelo já está em execução.";
        QTest::newRow("lock let go") << "lock" << 0 << "loaded";
        QTest::newRow("TERM at the lock") << "lock" << SIGTERM << "ended";
        QTest::newRow("store made whole") << "cut" << 0 << "loaded";
        QTest::newRow("store left cut") << "cut" << -1
                                        << "11 - 75 - Erro de acesso ao caminho/arquivo: ~ está incompleto";
        QTest::newRow("INT at the store") << "cut" << SIGINT << "ended";
        QTest::newRow("HUP at the store") << "cut" << SIGHUP << "ended";
    }

    void startWaits()
    {
        QFETCH(QString, waitFor);
        QFETCH(int, meanwhile);
        const QString lock = SingleInstance::storeLockPath(), path = SettingsStore::defaultPath();
        QLockFile running(lock); // held by a process that runs: this one
        QVERIFY(waitFor != "lock" || running.tryLock(0));
        ShellFixture f;
        SettingsStore whole;
        whole.write("Lembretes", "0", recordWith({}));
        const QByteArray sealed = StoreFormat::seal(whole.toBytes());
        const QByteArray before = waitFor == "cut" ? sealed.left(sealed.size() / 2) : sealed;
        SettingsStore::writeFile(path, before);
        QTimer::singleShot(200, [&] {
            if (meanwhile > 0)
                std::raise(meanwhile);
            else if (meanwhile == 0)
                waitFor == "lock" ? running.unlock() : SettingsStore::writeFile(path, sealed);
        });
        QElapsedTimer took;
        took.start();
        const frmPrincipal::StartResult result = f.shell->Form_Load();
        const bool loaded = result == frmPrincipal::StartResult::Running;
        QString outcome = platform.messages.shown.join('|').replace(path, "~");
        if (outcome.isEmpty())
            outcome = result == frmPrincipal::StartResult::Ended ? "ended" : loaded ? "loaded" : "nothing told";
        QTEST(outcome, "outcome");
        QVERIFY(meanwhile < 0 || took.elapsed() < 1200); // woken by what it waited for
        QCOMPARE(openNotes().size(), int(loaded));
        if (loaded)
            f.choose("encerrar");
        else
            QCOMPARE(bytesOf(path), before);
        running.unlock();
        QCOMPARE(QDir(QFileInfo(lock).absolutePath()).entryList({"*.lock"}), QStringList());
        QVERIFY(!launcher().interface()->isServiceRegistered(SingleInstance::serviceName()));
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
