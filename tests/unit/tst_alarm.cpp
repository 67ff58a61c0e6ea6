// SPDX-License-Identifier: GPL-3.0-or-later
// The one alarm clock of all notes, without windows: when it wakes and whom it names.
#include "TestSupport.h"
#include "alarm/AlarmCheck.h"
#include "alarm/AlarmClock.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cstdio>
#include <ctime>

// logind as the system bus carries it: it tells when the machine goes to sleep and wakes.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
signals:
    void PrepareForSleep(bool sleeping);
};

class TestAlarm : public QObject {
    Q_OBJECT
    TestPlatform platform;
    QByteArray m_zone;
    QProcess m_bus;
    FakeLogind m_logind;

    void setZone(const QByteArray &zone)
    {
        zone.isEmpty() ? qunsetenv("TZ") : qputenv("TZ", zone);
        tzset();
    }

private slots:
    void initTestCase()
    {
        m_zone = qgetenv("TZ");
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (!m_bus.waitForReadyRead(5000))
            QSKIP("no dbus-daemon (./quadrelo.sh test installs it)");
        const QByteArray address = m_bus.readLine().trimmed();
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address); // the system bus, before any clock looks for it
        QDBusConnection logind = QDBusConnection::connectToBus(address, "logind");
        QVERIFY(logind.registerService("org.freedesktop.login1"));
        QVERIFY(logind.registerObject("/org/freedesktop/login1", &m_logind, QDBusConnection::ExportAllSignals));
    }
    void cleanupTestCase() { m_bus.kill(), m_bus.waitForFinished(); }
    void init() { platform.reset(); }
    void cleanup() { setZone(m_zone); }

    // The clock sleeps until the first minute at which an alarm is due (the moment entered, brought
    // forward by the minutes), and names its note then; an alarm already due, even of a day gone
    // by, rings at the start of the next minute; one that never comes due keeps it asleep.
    void sleepsUntilTheNextDueMinute_data()
    {
        QTest::addColumn<QStringList>("alarms"); // set at 05/12/2026 09:07:30
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QDateTime>("wakes");
        QTest::addColumn<int>("first"); // the alarm that rings then
        const auto at = [](int day, int h, int m) { return QDateTime(QDate(2026, 12, day), QTime(h, m)); };
        QTest::newRow("hours away") << QStringList{"05/12/2026 14:00", "05/12/2026 11:30", "06/12/2026 08:00"} << 0
                                    << at(5, 11, 30) << 1;
        QTest::newRow("brought forward across midnight")
            << QStringList{"06/12/2026 08:00", "06/12/2026 00:10"} << 30 << at(5, 23, 40) << 1;
        QTest::newRow("one of a day gone by")
            << QStringList{"06/12/2026 08:00", "04/12/2026 23:59"} << 0 << at(5, 9, 8) << 1;
        QTest::newRow("a time that cannot be read, the next day")
            << QStringList{"05/12/2026 9:30"} << 0 << at(6, 0, 0) << 0;
        QTest::newRow("not a date") << QStringList{"5/12/2026 14:00"} << 0 << QDateTime() << 0;
    }

    void sleepsUntilTheNextDueMinute()
    {
        QFETCH(QStringList, alarms);
        QFETCH(int, minutes);
        QFETCH(int, first);
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(9, 7, 30));
        AlarmClock clock;
        QSignalSpy rang(&clock, &AlarmClock::due);
        std::vector<std::unique_ptr<QObject>> notes;
        for (const QString &due : alarms) {
            notes.push_back(std::make_unique<QObject>());
            clock.setAlarm(notes.back().get(), AlarmDue::of(due, minutes).at);
        }
        QTEST(clock.nextWake(), "wakes");
        QVERIFY(rang.isEmpty());
        if (clock.nextWake().isValid()) {
            platform.clock.current = clock.nextWake();
            clock.timeChanged(); // the clock set to that moment: the first alarm rings, the others wait
            QCOMPARE(rang.size(), 1);
            QCOMPARE(rang.at(0).at(0).value<QObject *>(), notes.at(first).get());
        }
        notes.clear(); // notes that go away take their alarms with them
        QVERIFY(!clock.nextWake().isValid());
    }

    // An alarm rings once, at the first moment the local clock shows its minute, across a change
    // to or from summer time, when the machine's time zone is changed while it waits (by the
    // desktop's settings, each change noticed on its own) and when the machine wakes from a sleep
    // its timer slept through: at once when it wakes past the minute.
    void ringsAtItsLocalMinute_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QByteArrayList>("zonesLater"); // the zones the machine moves to meanwhile
        QTest::addColumn<QString>("due");
        QTest::addColumn<QDateTime>("rings"); // UTC
        QTest::addColumn<int>("wakesMs");     // when the machine wakes, from `rings`
        const auto utc = [](QDate d, int h, int m) { return QDateTime(d, QTime(h, m), Qt::UTC); };
        const QByteArray saoPaulo = "America/Sao_Paulo", berlin = "Europe/Berlin";
        // São Paulo went from 00:00 to 01:00 on 4 November 2018, and from 00:00 back to 23:00 on
        // 17 February 2019; Berlin goes from 02:00 to 03:00 on 29 March 2026 and from 03:00 back
        // to 02:00 on 25 October 2026.
        const auto row = [](const char *name, const QByteArray &zone, const QByteArrayList &later, const char *due,
                            const QDateTime &rings, int wakesMs = -100) {
            QTest::newRow(name) << zone << later << QString(due) << rings << wakesMs;
        };
        row("São Paulo, in the hour skipped", saoPaulo, {}, "04/11/2018 00:30", utc({2018, 11, 4}, 3, 0));
        row("São Paulo, after the hour skipped", saoPaulo, {}, "04/11/2018 01:10", utc({2018, 11, 4}, 3, 10));
        row("São Paulo, in the hour repeated", saoPaulo, {}, "16/02/2019 23:30", utc({2019, 2, 17}, 1, 30));
        row("Berlin, in the hour skipped", berlin, {}, "29/03/2026 02:30", utc({2026, 3, 29}, 1, 0));
        row("Berlin, in the hour repeated", berlin, {}, "25/10/2026 02:30", utc({2026, 10, 25}, 0, 30));
        row("São Paulo, woken five minutes after", saoPaulo, {}, "05/12/2026 09:00", utc({2026, 12, 5}, 12, 0),
            5 * 60000);
        row("Berlin, then São Paulo, then UTC", berlin, {saoPaulo, "UTC"}, "05/12/2026 09:00",
            utc({2026, 12, 5}, 9, 0));
    }

    void ringsAtItsLocalMinute()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QByteArrayList, zonesLater);
        QFETCH(QString, due);
        QFETCH(QDateTime, rings);
        QFETCH(int, wakesMs);
        setZone(zone);
        platform.clock.current = rings.addSecs(-2 * 3600); // before it, in each zone it passes through
        platform.clock.running.start();
        QTemporaryDir etc;
        const QString zoneFile = etc.filePath("localtime");
        AlarmClock clock(zoneFile);
        QObject note;
        QSignalSpy rang(&clock, &AlarmClock::due);
        clock.setAlarm(&note, AlarmDue::of(due, 0).at);
        for (const QByteArray &later : zonesLater) {
            // As the desktop's settings do it: a new link renamed over the old one.
            const QDateTime before = clock.nextWake();
            setZone(later);
            QVERIFY(QFile::link(QString::fromLatin1("/usr/share/zoneinfo/" + later), etc.filePath("new")));
            QCOMPARE(std::rename(qPrintable(etc.filePath("new")), qPrintable(zoneFile)), 0);
            QTRY_VERIFY(clock.nextWake() != before);
        }
        QCOMPARE(clock.nextWake(), rings);
        QVERIFY(rang.isEmpty());
        // Hours pass asleep, the timer aimed at the moment before; logind says the machine is back.
        platform.clock.current = rings.addMSecs(wakesMs);
        platform.clock.running.start();
        emit m_logind.PrepareForSleep(false);
        QTRY_COMPARE_WITH_TIMEOUT(rang.size(), 1, 2000);
        const qint64 late = std::max(rings, rings.addMSecs(wakesMs)).msecsTo(platform.clock.now());
        QVERIFY2(late >= 0 && late < 1000, qPrintable(QString::number(late)));
        QCOMPARE(rang.first().first().value<QObject *>(), &note);
        // The same wall-clock minute an hour later (the hour repeated) or the zone's own
        // moment for it: the alarm is gone.
        for (int hours : {1, 4}) {
            platform.clock.current = rings.addSecs(hours * 3600);
            clock.timeChanged();
        }
        QCOMPARE(rang.size(), 1);
        QVERIFY(!clock.nextWake().isValid());
    }
};

QTEST_MAIN(TestAlarm)
#include "tst_alarm.moc"
