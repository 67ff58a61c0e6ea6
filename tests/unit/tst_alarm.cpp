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

    // The clock sleeps until the first moment the local clock shows the minute of an alarm, and
    // then names its note, once: across a change to or from summer time, when the machine's time
    // zone is changed while it waits (by the desktop's settings, each change noticed on its own),
    // and when the machine wakes past it from a sleep its timer slept through: at once.
    // An alarm already due, even of a day gone by, rings at the start of the next minute; one that
    // never comes due keeps the clock asleep.
    void sleepsUntilTheNextDueMinute_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<QByteArrayList>("zonesLater"); // the zones the machine moves to meanwhile
        QTest::addColumn<QStringList>("alarms");
        QTest::addColumn<QDateTime>("wakes");
        QTest::addColumn<int>("first"); // the alarm that rings then
        const auto utc = [](QDate d, int h, int m) { return QDateTime(d, QTime(h, m), Qt::UTC); };
        const QByteArray saoPaulo = "America/Sao_Paulo", berlin = "Europe/Berlin";
        const auto row = [](const char *name, const QByteArray &zone, const QStringList &alarms, const QDateTime &wakes,
                            int first = 0, const QByteArrayList &later = {}) {
            QTest::newRow(name) << zone << later << alarms << wakes << first;
        };
        row("hours away", "UTC", {"05/12/2026 14:00", "05/12/2026 11:30", "06/12/2026 08:00"},
            utc({2026, 12, 5}, 11, 30), 1);
        row("one of a day gone by", "UTC", {"06/12/2026 08:00", "04/12/2026 23:59"}, utc({2026, 12, 5}, 9, 8), 1);
        row("a time that cannot be read, the next day", "UTC", {"05/12/2026 9:30"}, utc({2026, 12, 6}, 0, 0));
        row("not a date", "UTC", {"5/12/2026 14:00"}, QDateTime());
        // São Paulo went from 00:00 to 01:00 on 4 November 2018, and from 00:00 back to 23:00 on
        // 17 February 2019; Berlin goes from 02:00 to 03:00 on 29 March 2026 and from 03:00 back
        // to 02:00 on 25 October 2026.
        row("São Paulo, in the hour skipped", saoPaulo, {"04/11/2018 00:30"}, utc({2018, 11, 4}, 3, 0));
        row("São Paulo, after the hour skipped", saoPaulo, {"04/11/2018 01:10"}, utc({2018, 11, 4}, 3, 10));
        row("São Paulo, in the hour repeated", saoPaulo, {"16/02/2019 23:30"}, utc({2019, 2, 17}, 1, 30));
        row("São Paulo, the minute after the hour repeated", saoPaulo, {"17/02/2019 00:00"}, utc({2019, 2, 17}, 3, 0));
        row("Berlin, in the hour skipped", berlin, {"29/03/2026 02:30"}, utc({2026, 3, 29}, 1, 0));
        row("Berlin, in the hour repeated", berlin, {"25/10/2026 02:30"}, utc({2026, 10, 25}, 0, 30));
        row("Berlin, then São Paulo, then UTC", berlin, {"05/12/2026 09:00"}, utc({2026, 12, 5}, 9, 0), 0,
            {saoPaulo, "UTC"});
    }

    void sleepsUntilTheNextDueMinute()
    {
        QFETCH(QByteArray, zone);
        QFETCH(QByteArrayList, zonesLater);
        QFETCH(QStringList, alarms);
        QFETCH(QDateTime, wakes);
        QFETCH(int, first);
        setZone(zone);
        // Set in UTC on 5 December at 09:07:30; elsewhere hours before, in each zone passed through.
        platform.clock.current =
            zone == "UTC" ? QDateTime(QDate(2026, 12, 5), QTime(9, 7, 30), Qt::UTC) : wakes.addSecs(-2LL * 3600);
        platform.clock.running.start();
        QTemporaryDir etc;
        const QString zoneFile = etc.filePath("localtime");
        AlarmClock clock(zoneFile);
        QSignalSpy rang(&clock, &AlarmClock::due);
        std::vector<std::unique_ptr<QObject>> notes;
        for (const QString &due : alarms) {
            notes.push_back(std::make_unique<QObject>());
            clock.setAlarm(notes.back().get(), AlarmDue::of(due, 0).at);
        }
        for (const QByteArray &later : zonesLater) {
            // As the desktop's settings do it: a new link renamed over the old one.
            const QDateTime before = clock.nextWake();
            setZone(later);
            QVERIFY(QFile::link(QString::fromLatin1("/usr/share/zoneinfo/" + later), etc.filePath("new")));
            QCOMPARE(std::rename(qPrintable(etc.filePath("new")), qPrintable(zoneFile)), 0);
            QTRY_VERIFY(clock.nextWake() != before);
        }
        QCOMPARE(clock.nextWake(), wakes);
        QVERIFY(rang.isEmpty());
        if (wakes.isValid()) {
            // Hours pass asleep, the timer aimed hours ahead still; logind says the machine is back.
            const QDateTime woke = wakes.addSecs(5LL * 60);
            platform.clock.current = woke;
            platform.clock.running.start();
            emit m_logind.PrepareForSleep(false);
            QTRY_COMPARE_WITH_TIMEOUT(rang.size(), 1, 2000); // the first alarm rings, the others wait
            const qint64 late = woke.msecsTo(platform.clock.now());
            QVERIFY2(late >= 0 && late < 1000, qPrintable(QString::number(late)));
            QCOMPARE(rang.first().first().value<QObject *>(), notes.at(first).get());
            notes.at(first).release()->setParent(this); // rung, hence forgotten: it never rings again
        }
        notes.clear(); // notes that go away take their alarms with them
        QVERIFY(!clock.nextWake().isValid());
    }
};

QTEST_MAIN(TestAlarm)
#include "tst_alarm.moc"
