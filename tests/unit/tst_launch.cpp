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
    // keeps no one out. A start waits a while for a process without the bus to let go of the store's
    // lock (told if not) and for a writer to finish the store (a sync tool at login; refused if not),
    // woken by either at once, and ended at once by a signal, the store left as it was.
    void launch_data()
    {
        QTest::addColumn<QString>("how"); // "bus", "start", "bus start"; or a start beside a lock or a cut store
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("abertura");
        QTest::addColumn<QString>("shown"); // per note: shown, hidden, never shown; or what the person is told
        using Row = std::array<const char *, 5>;
        for (const Row &row : {
                 Row{"new note, running", "bus", "novo", "N", "-S"},
                 Row{"new note, at start", "start", "novo", "N", "-S"},
                 Row{"show all, at start", "start", "mostrar", "N", "S"},
                 Row{"hide all, at start", "start", "esconder", "S", "-"},
                 Row{"hide all, started by the bus", "bus start", "esconder", "S", "-"},
                 Row{"another instance took the name a moment before", "name held", "", "S", ""},
                 Row{"another user's lock in a folder left open", "foreign lock", "", "N", "-"},
                 Row{"lock kept", "lock held", "", "S", "O Quadrelo já está em execução."},
                 Row{"lock let go", "lock held, let go", "", "S", "S"},
                 Row{"its holder killed", "killed, let go", "", "S", "S"},
                 Row{"TERM meanwhile", "lock held, TERM", "", "S", "ended"},
                 Row{"store cut", "cut", "", "S", "11 - 75 - Erro de acesso ao caminho/arquivo: ~ está incompleto"},
                 Row{"made whole", "cut, let go", "", "N", "-"},
                 Row{"INT meanwhile", "cut, INT", "", "S", "ended"},
                 Row{"HUP meanwhile", "cut, HUP", "", "S", "ended"},
             })
            QTest::newRow(row[0]) << QString(row[1]) << QString(row[2]) << QString(row[3]) << QString(row[4]);
    }

    void launch()
    {
        QFETCH(QString, how);
        QFETCH(QString, command);
        QFETCH(QString, abertura);
        const QString lock = SingleInstance::storeLockPath(), folder = QFileInfo(lock).absolutePath();
        QLockFile running(lock); // held by a process that runs: this one
        QVERIFY(QDir().mkpath(folder) && (!how.contains("lock") || running.tryLock(0)));
        if (how == "foreign lock" && ::chown(qPrintable(lock), 65534, 65534) != 0)
            QSKIP("only root can give a file to another user");
        QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
        QProcess holder; // a process that holds the lock, killed during the start's wait
        if (how.startsWith("killed")) {
            holder.start("flock", {"-o", lock, "sh", "-c", "echo; exec cat"});
            QFile file(lock);
            QVERIFY(holder.waitForReadyRead() && file.open(QIODevice::WriteOnly));
            file.write(QByteArray::number(holder.processId()) + "\nflock\n" + QSysInfo::machineHostName().toUtf8());
        }
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
        SettingsStore store; // sealed as the program writes it; "cut" short by a writer not done with it
        store.write("Config", "Abertura", abertura), store.write("Lembretes", "0", recordWith({}));
        const QByteArray whole = StoreFormat::seal(store.toBytes()), path = SettingsStore::defaultPath().toUtf8();
        const QByteArray before = how.startsWith("cut") ? whole.left(whole.size() / 2) : whole;
        SettingsStore::writeFile(path, before);
        QObject thisRow;                        // a row that ends sooner leaves no timer to a later one
        QTimer::singleShot(200, &thisRow, [&] { // during the start's wait
            if (how == "cut, let go")
                SettingsStore::writeFile(path, whole);
            else if (how.endsWith("let go"))
                holder.processId() ? holder.kill() : running.unlock();
            else if (how.contains(", "))
                std::raise(how.endsWith("TERM") ? SIGTERM : how.endsWith("INT") ? SIGINT : SIGHUP);
        });
        // The other launch, which waits for the answer (tried again until this instance owns its name).
        auto answer = std::async(std::launch::async, [this, how, command] {
            auto got = SingleInstance::Answer::NobodyListening;
            for (int i = 0; how.startsWith("bus") && i < 100 && got == SingleInstance::Answer::NobodyListening; ++i)
                QThread::msleep(20), got = SingleInstance::notifyRunning(command, launcher());
            return got;
        });
        const QDeadlineTimer soon(1200);
        const auto result = f.shell->Form_Load(how == "start" ? command : QString(), false, how == "bus start");
        QVERIFY(!how.contains(", ") || !soon.hasExpired()); // woken by what it waits for
        QTRY_VERIFY(answer.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QCOMPARE(answer.get() == SingleInstance::Answer::Answered, how.startsWith("bus"));
        QCOMPARE(heard, int(how == "name held"));
        QString shown = (result == frmPrincipal::StartResult::Ended ? "ended" : "") + platform.messages.shown.join('|');
        for (frmLembrete *note : openNotes())
            shown += note->isVisible() ? "S" : note->windowHandle() ? "N" : "-";
        QTEST(shown.replace(path, "~"), "shown");
        QCOMPARE(QFileInfo(folder).permissions() & (QFileDevice::WriteOther | QFileDevice::WriteGroup), 0);
        if (result == frmPrincipal::StartResult::Running)
            f.choose("encerrar");
        else
            QCOMPARE(bytesOf(path), before);
        running.unlock(); // what stays is the other instance's
        QCOMPARE(QDir(folder).entryList({"*.lock"}).size(), int(bool(other)));
        QCOMPARE(launcher().interface()->isServiceRegistered(SingleInstance::serviceName()).value(), bool(other));
    }
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
