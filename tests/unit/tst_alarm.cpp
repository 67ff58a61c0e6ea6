// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "alarm/AlarmCheck.h"
#include "alarm/AlarmCourse.h"
#include "note/frmLembrete.h"
#include "platform/RuntimeError.h"
#include "records/NoteRecord.h"

#include <QPlainTextEdit>
#include <QTimer>
#include <QtTest>

using namespace NoteRecord;

class TestAlarm : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    void dueText_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("due"); // or the error code
        QTest::newRow("no advance") << "05/12/2026 08:30" << 0 << "05/12/2026 08:30";
        QTest::newRow("advance") << "05/12/2026 08:30" << 15 << "05/12/2026 08:15";
        QTest::newRow("across midnight") << "05/12/2026 00:10" << 30 << "04/12/2026 23:40";
        QTest::newRow("across the year") << "01/01/2027 00:00" << 1 << "31/12/2026 23:59";
        QTest::newRow("no time") << "05/12/2026" << 0 << "5";
        QTest::newRow("impossible time") << "05/12/2026 25:00" << 5 << "13";
        QTest::newRow("impossible date") << "31/02/2026 10:00" << 5 << "13";
    }

    void dueText()
    {
        QFETCH(QString, moment);
        QFETCH(int, minutes);
        QString got;
        try {
            got = AlarmDueText(moment, minutes);
        } catch (const RuntimeError &e) {
            got = QString::number(e.code());
        }
        QTEST(got, "due");
    }

    void dueRule_data()
    {
        QTest::addColumn<QString>("due");
        QTest::addColumn<QTime>("now"); // on 05/12/2026
        QTest::addColumn<bool>("rings");
        QTest::newRow("a second before") << "05/12/2026 08:30" << QTime(8, 29, 59) << false;
        QTest::newRow("its first second") << "05/12/2026 08:30" << QTime(8, 30, 0) << true;
        QTest::newRow("later that minute") << "05/12/2026 08:30" << QTime(8, 30, 59) << true;
        QTest::newRow("a past day") << "04/12/2026 23:59" << QTime(0, 0, 1) << true;
        QTest::newRow("tomorrow") << "06/12/2026 00:00" << QTime(23, 59, 59) << false;
        QTest::newRow("no alarm") << "" << QTime(12, 0) << false;
        QTest::newRow("not a date") << "5/12/2026 08:30" << QTime(12, 0) << false;
    }

    void dueRule()
    {
        QFETCH(QString, due);
        QFETCH(QTime, now);
        QTEST(isAlarmDue(due, QDateTime(QDate(2026, 12, 5), now)), "rings");
    }

    // A note's whole ringing course, tick by tick: the colour it shows, its bell, its sound, how
    // it ends and what it leaves in the record. F = flash colour, N = the note's own colour.
    void ringingCourse_data()
    {
        QTest::addColumn<bool>("continuous");
        QTest::addColumn<int>("clickAfter"); // the person clicks the text after this tick (0: never)
        QTest::addColumn<int>("devices");
        QTest::addColumn<QString>("colours");
        QTest::addColumn<QString>("bell"); // shown (1) or hidden (0) after each tick
        QTest::addColumn<int>("sounds");
        QTest::newRow("plain") << false << 0 << 1 << "FNFNFN" << "010100" << 3;
        QTest::newRow("plain, no sound device") << false << 0 << 0 << "FNFNFN" << "010100" << 0;
        QTest::newRow("continuous until clicked") << true << 10 << 1 << "FNFNFNNNNNN" << "01010111010" << 6;
        QTest::newRow("plain, clicked at once") << false << 1 << 1 << "FN" << "00" << 1;
    }

    void ringingCourse()
    {
        QFETCH(bool, continuous);
        QFETCH(int, clickAfter);
        QFETCH(int, devices);
        QFETCH(int, sounds);
        platform.sound.devices = devices;
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(9, 0, 0));
        ShellFixture f;
        f.start({recordWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 09:00"}, {Som, "1"},
                             {Continuo, continuous ? "S" : "N"}, {Cor, "3"}})},
                "N");
        frmLembrete *note = openNotes().value(0);
        QVERIFY(note && !note->isVisible());
        auto *text = note->findChild<QPlainTextEdit *>("txtTexto");
        auto *bellPicture = note->findChild<QWidget *>("Alarme");
        auto *check = note->findChild<QTimer *>("tmrAviso");
        auto *ticker = note->findChild<QTimer *>("tmrContAlarme");

        QString seenColours, seenBell;
        connect(ticker, &QTimer::timeout, this, [&] {
            const QColor shown = text->palette().color(QPalette::Base);
            seenColours += shown == AlarmCourse::flashColor() ? 'F' : shown == ColorFromIndex(3) ? 'N' : '?';
            seenBell += bellPicture->isVisible() ? '1' : '0';
            if (seenColours.size() == clickAfter)
                QTest::mouseClick(text->viewport(), Qt::LeftButton);
        });
        // The minute check, without the minute: once.
        connect(check, &QTimer::timeout, check, &QTimer::stop, Qt::SingleShotConnection);
        check->setInterval(1);
        QTRY_VERIFY(ticker->isActive());
        QVERIFY2(note->isVisible(), "a hidden note comes forward when its alarm rings");
        QCOMPARE(platform.windows.topmost, (QList<QPair<QWidget *, bool>>{{note, true}, {note, false}}));
        ticker->setInterval(5);
        QTRY_VERIFY(!ticker->isActive());

        QTEST(seenColours, "colours");
        QTEST(seenBell, "bell");
        QCOMPARE(platform.sound.played, QStringList(sounds, "TIC"));
        QVERIFY(bellPicture->isHidden());
        QVERIFY(bellPicture->toolTip().isEmpty());
        QCOMPARE(split(note->record()).mid(Aviso, 2), (QStringList{"N", ""}));
        QCOMPARE(check->interval(), AlarmCheckIntervalMs);
        QVERIFY(check->isActive());
    }

    // An alarm consumed on another machine is consumed here when the change arrives; one already
    // due here that has not rung yet rings here too, and neither rings again.
    void consumedElsewhere_data()
    {
        QTest::addColumn<QTime>("now");
        QTest::addColumn<int>("sounds");
        QTest::newRow("not due here yet") << QTime(8, 59) << 0;
        QTest::newRow("due here, not rung yet") << QTime(9, 0) << 3;
    }

    void consumedElsewhere()
    {
        QFETCH(QTime, now);
        QFETCH(int, sounds);
        platform.clock.current = QDateTime(QDate(2026, 12, 5), now);
        ShellFixture f;
        f.start({recordWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 09:00"}, {Som, "1"}})}, "N");
        frmLembrete *note = openNotes().value(0);
        auto *check = note->findChild<QTimer *>("tmrAviso");
        auto *ticker = note->findChild<QTimer *>("tmrContAlarme");
        note->applyElsewhere(recordWith({{Som, "1"}, {Texto, "tocou lá"}}));
        ticker->setInterval(5);
        QTRY_VERIFY(!ticker->isActive());
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(9, 5));
        check->setInterval(1);
        QTest::qWait(30); // minute checks past the alarm's time
        QVERIFY(!ticker->isActive());
        QCOMPARE(platform.sound.played, QStringList(sounds, "TIC"));
        QVERIFY(note->findChild<QWidget *>("Alarme")->isHidden());
        QCOMPARE(split(note->record()).mid(Aviso, 4), (QStringList{"N", "", "N", "tocou lá"}));
    }

    // When an alarm for 09:00 rings, with the clock running from `start`: at the start of its
    // minute, or within two seconds of the clock being set past it; and once only, however the
    // clock is set afterwards.
    void ringingMoment_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("setTo"); // the clock is set to this at once (none: left alone)
        QTest::addColumn<bool>("backAndForth"); // after the ring: set back to 08:59, then to 09:00:10
        QTest::newRow("the start of its minute") << QTime(8, 59, 59, 300) << QTime() << false;
        QTest::newRow("the clock set forward") << QTime(8, 40, 30) << QTime(9, 0, 5) << false;
        QTest::newRow("set forward, back and forward again") << QTime(8, 40, 30) << QTime(9, 0, 5) << true;
    }

    void ringingMoment()
    {
        QFETCH(QTime, start);
        QFETCH(QTime, setTo);
        QFETCH(bool, backAndForth);
        const auto setClock = [this](QTime to) {
            platform.clock.current = QDateTime(QDate(2026, 12, 5), to);
            platform.clock.running.start();
        };
        setClock(start);
        ShellFixture f;
        f.start({recordWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 09:00"}, {Som, "1"}})}, "N");
        auto *ticker = openNotes().value(0)->findChild<QTimer *>("tmrContAlarme");
        if (setTo.isValid()) {
            QTest::qWait(1200); // the program has seen the clock run at the old time
            setClock(setTo);
        }
        const QDateTime due = setTo.isValid() ? platform.clock.now() : QDateTime(QDate(2026, 12, 5), QTime(9, 0));
        QTRY_VERIFY_WITH_TIMEOUT(ticker->isActive(), 4000);
        const qint64 late = due.msecsTo(platform.clock.now());
        QVERIFY2(late >= 0 && late < 2000, qPrintable(QString::number(late)));
        ticker->setInterval(5);
        QTRY_VERIFY(!ticker->isActive());
        if (backAndForth) {
            setClock(QTime(8, 59));
            QTest::qWait(1500);
            setClock(QTime(9, 0, 10));
            QTest::qWait(1500);
        }
        QCOMPARE(platform.sound.played, QStringList(3, "TIC"));
    }
};

QTEST_MAIN(TestAlarm)
#include "tst_alarm.moc"
