// SPDX-License-Identifier: GPL-3.0-or-later
// A note window as a person uses it, and its alarm: when it is due, how it rings, and when.
#include "TestSupport.h"
#include "alarm/AlarmClock.h"
#include "alarm/AlarmCourse.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"
#include "records/NoteValue.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <QtTest>

using namespace NoteRecord;

class TestNote : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    // The ink stands out from the note's paper whatever the desktop's theme: black on the fixed
    // bright colours under a dark theme, white on a damaged record's black. The text, the edge
    // lines and the delete question's frame, which shows on the note's own paper.
    void inkOnPaper_data()
    {
        QTest::addColumn<QString>("colour");
        QTest::addColumn<bool>("darkTheme");
        QTest::addColumn<int>("ink"); // the gray the ink is near
        QTest::newRow("bright note, dark theme") << "0" << true << 0;
        QTest::newRow("damaged colour's black note") << "9" << false << 255;
    }

    void inkOnPaper()
    {
        QFETCH(QString, colour);
        QFETCH(bool, darkTheme);
        QFETCH(int, ink);
        const QPalette before = QApplication::palette();
        // White ink on a gray lighter than black ink: a note drawn in the theme's colours fails.
        const QColor gray(70, 70, 70);
        QApplication::setPalette(
            darkTheme ? QPalette(Qt::white, gray, gray, gray, gray, Qt::white, Qt::white, gray, gray) : before);
        auto w = noteWith({{Cor, colour}});
        w->show();
        QTest::keyClicks(w->findChild<QPlainTextEdit *>("txtTexto"), "WWWWWWWW");
        clickChild(w.get(), "Lixeira");
        const QRect frame = w->findChild<QWidget *>("fraExclusao")->geometry();
        const QImage shot = w->grab().toImage();
        QApplication::setPalette(before);
        QCOMPARE(shot.pixelColor(frame.bottomLeft() + QPoint(3, -3)), ColorFromIndex(colour.toInt()));
        const QList<QPair<const char *, QRect>> inked{{"text", QRect(28, 2, 60, 14)},
                                                      {"right edge", QRect(203, 60, 1, 10)},
                                                      {"bottom edge", QRect(60, 161, 10, 1)},
                                                      {"frame edge", QRect(frame.x() + 30, frame.bottom(), 40, 1)},
                                                      {"frame caption", QRect(frame.x() + 4, frame.y(), 60, 10)}};
        for (const auto &[what, area] : inked) {
            int nearest = 255;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    nearest = qMin(nearest, qAbs(qGray(shot.pixel(x, y)) - ink));
            QVERIFY2(nearest < 60, what);
        }
    }

    // A note's whole ringing course as a person sees and hears it, at the ringing's own pace. Its
    // alarm, 00:10 with a warning 15 minutes early, rings at 23:55 the day before, clicks on the
    // text and hiding the note before notwithstanding: the note comes forward and flashes for three
    // seconds, the flash colour and its own taking turns each half second, the bell shown with its
    // own colour only; the sound is heard once a second. A plain alarm ends by itself after three
    // seconds; a continuous one then blinks its bell until a click, and ends at the next tick. The
    // end leaves the note's own colour, no bell and no alarm in the record. The note's next alarm,
    // pinned now, rings the same way and leaves it on top.
    void ringingCourse_data()
    {
        QTest::addColumn<bool>("continuous");
        QTest::addColumn<int>("clickAt"); // ms into the ringing the person clicks (0: never)
        QTest::addColumn<bool>("onBell"); // the click is on the bell, not the text
        QTest::addColumn<int>("devices");
        QTest::addColumn<int>("endsAt"); // ms into the ringing
        QTest::newRow("plain") << false << 0 << false << 1 << 3000;
        QTest::newRow("plain, no sound device") << false << 0 << false << 0 << 3000;
        QTest::newRow("plain, clicked in its own colour") << false << 1000 << false << 1 << 1500;
        QTest::newRow("continuous, bell clicked at 5 s") << true << 5000 << true << 1 << 5500;
        QTest::newRow("continuous, left three minutes") << true << 180000 << false << 1 << 180500;
    }

    void ringingCourse()
    {
        QFETCH(bool, continuous);
        QFETCH(int, clickAt);
        QFETCH(bool, onBell);
        QFETCH(int, devices);
        QFETCH(int, endsAt);
        platform.sound.devices = devices;
        const QList<QPair<int, QString>> alarm{{Aviso, "S"}, {DataHoraAviso, "06/12/2026 00:10"}, {Minutos, "15"},
                                               {Som, "1"},   {Continuo, continuous ? "S" : "N"},  {Cor, "3"}};
        auto note = noteWith(alarm);
        auto *text = note->findChild<QPlainTextEdit *>("txtTexto");
        auto *bellPicture = note->findChild<QWidget *>("Alarme");
        auto *ticker = note->findChild<QTimer *>("tmrContAlarme");
        for (bool pinned : {false, true}) {
            if (pinned)
                note->setValue(NoteValue::fromRecord(recordWith(alarm + QList<QPair<int, QString>>{{Fixo, "S"}})));
            platform.windows.topmost.clear();
            platform.sound.played.clear();
            note->show();
            QTest::mouseClick(text->viewport(), Qt::LeftButton);
            clickChild(note.get(), "esconder");
            QVERIFY(note->isHidden());
            for (QTime now : {QTime(23, 54, 59), QTime(23, 55)}) {
                platform.clock.current = QDateTime(QDate(2026, 12, 5), now);
                AlarmClock::instance().timeChanged(); // rather than wait for the minute
                QCOMPARE(ticker->isActive(), now.minute() == 55);
            }
            QVERIFY2(note->isVisible(), "a hidden note comes forward when its alarm rings");
            // Raised to the front, and on top again only when pinned.
            const QList<QPair<QWidget *, bool>> raised{{note.get(), true}, {note.get(), false}};
            QCOMPARE(platform.windows.topmost, raised.mid(0, pinned ? 1 : 2));

            // After each tick: the time into the ringing, the colour (F flash, N its own), the bell
            // (+ shown, - hidden), and when a sound was heard.
            const int tickMs = ticker->interval();
            int at = 0;
            QString colours, bells;
            QList<int> heard;
            QEventLoop ringing;
            connect(ticker, &QTimer::timeout, &ringing, [&] {
                at += tickMs;
                const QColor shown = text->palette().color(QPalette::Base);
                colours += shown == AlarmCourse::flashColor() ? 'F' : shown == ColorFromIndex(3) ? 'N' : '?';
                bells += bellPicture->isVisible() ? '+' : '-';
                if (platform.sound.played.size() > heard.size())
                    heard << at;
                if (at == clickAt)
                    QTest::mouseClick(onBell ? bellPicture : text->viewport(), Qt::LeftButton);
                if (!ticker->isActive() || at > 2 * endsAt)
                    ringing.quit();
            });
            ticker->setInterval(0); // the ringing's time, not the test's
            ringing.exec();

            QCOMPARE(at, endsAt);
            QList<int> onceASecond;
            for (int t = tickMs; devices && t <= endsAt; t += 1000)
                onceASecond << t;
            QCOMPARE(heard, onceASecond);
            const qsizetype flashing = std::min(colours.size(), qsizetype(3000 / tickMs));
            for (qsizetype i = 0; i < colours.size(); ++i) {
                const bool last = i == colours.size() - 1;
                QCOMPARE(colours.at(i), QChar(i < flashing && !last && i % 2 == 0 ? 'F' : 'N'));
                if (i < flashing || last)
                    QCOMPARE(bells.at(i), QChar(last || colours.at(i) == 'F' ? '-' : '+'));
            }
            const QString blinking = bells.chopped(1).mid(flashing);
            QVERIFY2(!blinking.contains("+++") && !blinking.contains("---"), qPrintable(blinking));
            QCOMPARE(split(note->value().toRecord()).mid(Aviso, 2), (QStringList{"N", ""}));
            QVERIFY2(!AlarmClock::instance().nextWake().isValid(), "the rung alarm is no longer set");
        }
    }

    // An alarm consumed on another machine is consumed here when the change arrives; one already
    // due here that has not rung yet rings here too, and neither rings again. A delete confirmation
    // asked about the note as it was is withdrawn.
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
        auto note = noteWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 09:00"}, {Som, "1"}});
        auto *ticker = note->findChild<QTimer *>("tmrContAlarme");
        note->show();
        clickChild(note.get(), "Lixeira");
        note->applyElsewhere(recordWith({{Som, "1"}, {Texto, "tocou lá"}}));
        QVERIFY(note->findChild<QWidget *>("fraExclusao")->isHidden());
        ticker->setInterval(5);
        QTRY_VERIFY(!ticker->isActive());
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(9, 5));
        AlarmClock::instance().timeChanged(); // a look past the alarm's time
        QVERIFY(!ticker->isActive());
        QCOMPARE(platform.sound.played, QStringList(sounds, "TIC"));
        QVERIFY(note->findChild<QWidget *>("Alarme")->isHidden());
        QCOMPARE(split(note->value().toRecord()).mid(Aviso, 4), (QStringList{"N", "", "N", "tocou lá"}));
    }

    // Two notes due in the same minute both ring when the clock reaches it, each once; one deleted
    // while it rings falls silent at once, the other rings on.
    void ringsOnceInItsMinute()
    {
        const auto alarmNote = [](const char *sound, const char *continuous) {
            return noteWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 09:00"}, {Som, sound}, {Continuo, continuous}});
        };
        platform.clock.current = QDateTime(QDate(2026, 12, 5), QTime(8, 59, 59, 800));
        platform.clock.running.start(); // on from there as real time passes
        AlarmClock::instance().timeChanged();
        auto a = alarmNote("1", "N");                            // Tic-Tic
        QPointer<frmLembrete> b = alarmNote("5", "S").release(); // Blip-Blip, until clicked
        b->show();
        auto *ticker = a->findChild<QTimer *>("tmrContAlarme");
        QTRY_VERIFY_WITH_TIMEOUT(ticker->isActive() && b->findChild<QTimer *>("tmrContAlarme")->isActive(), 2000);
        QCOMPARE_LE(platform.clock.now(), QDateTime(QDate(2026, 12, 5), QTime(9, 0, 1)));
        const qsizetype blips = platform.sound.played.count("BLIP");
        clickChild(b, "Lixeira");
        clickChild(b, "cmdExcSim");
        QCOMPARE(platform.sound.stops, 1);
        QTRY_VERIFY(!b);
        ticker->setInterval(5);
        QTRY_VERIFY(!ticker->isActive());
        QCOMPARE(platform.sound.played.count("TIC"), 3);
        QCOMPARE(platform.sound.played.count("BLIP"), blips);
        QCOMPARE(split(a->value().toRecord()).mid(Aviso, 2), (QStringList{"N", ""}));
    }

    // The e-mail command's address travels as one program argument, which Linux limits to 131,072
    // bytes with its closing NUL: a text that fits goes whole, a longer one is cut at a word and says
    // so, and the mail program still opens. 68,000 characters once made a 132 KB address that
    // started nothing.
    void emailAddressLimit_data()
    {
        QTest::addColumn<int>("length"); // of the text: Brazilian words and characters a URL escapes
        QTest::addColumn<bool>("cut");
        QTest::newRow("a 40,000-character note") << 40000 << false;
        QTest::newRow("a 128 KB note") << 128 * 1024 << true;
        QTest::newRow("no blank to cut at") << -70000 << true;
    }

    void emailAddressLimit()
    {
        QFETCH(int, length);
        QFETCH(bool, cut);
        QString text = length < 0 ? QString(-length, QChar(u'ç')) : QString();
        while (text.size() < length)
            text += QStringLiteral("Ação não você à pôr tranqüilo café É ÇÃO & #%1 ").arg(text.size());
        auto note = noteWith({{Texto, text}});
        note->show();
        clickChild(note.get(), "imgEmail");
        const QString address = platform.shell.opened.value(0);
        QVERIFY(address.toLocal8Bit().size() < 131072);
        const QString body = QUrl::fromPercentEncoding(address.section("&body=", 1).toLatin1());
        const QString sent = body.section("\r\n\r\nPrograma Quadrelo", 0, 0);
        QCOMPARE(sent != text, cut);
        if (!cut)
            return;
        QVERIFY2(address.size() > 120000, "as much of the text as fits");
        QVERIFY2(sent.endsWith(" …"), qPrintable(sent.right(20)));
        const QString kept = sent.chopped(2);
        QVERIFY(text.startsWith(kept));
        QVERIFY(length < 0 || text.at(kept.size()).isSpace()); // cut at a word
    }
};

QTEST_MAIN(TestNote)
#include "tst_note.moc"
