// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "note/frmLembrete.h"
#include "platform/SingleInstance.h"
#include "shell/frmPrincipal.h"

#include <QDBusConnectionInterface>
#include <QProcess>
#include <QtTest>
#include <array>
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
    // its call: hidden notes never come on the screen. The store's lock keeps one writer, told; a
    // lock another user left in the open folder does not. An instance leaves nothing behind.
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
                 Row{"a process without the bus writes the store", "lock held", "", "S", ""},
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
};

QTEST_MAIN(TestLaunch)
#include "tst_launch.moc"
