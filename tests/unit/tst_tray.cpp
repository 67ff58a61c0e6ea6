// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "shell/TrayIcon.h"

#include <QMenu>
#include <QtTest>

// The tray icon without a real tray: its click rules, and its wait for a tray that a fake desktop
// offers or withholds.
class TestTray : public QObject {
    Q_OBJECT

private slots:
    // Each activation's commands: "N" new note, "S" show all, "-" nothing.
    void clicks_data()
    {
        QTest::addColumn<bool>("gnome"); // GNOME's AppIndicator host
        // reason@ms (Trigger, DoubleClick, Middle, Context), and after ">" the commands
        QTest::addColumn<QString>("events");
        QTest::newRow("one left click") << false << "T@0 > S";
        QTest::newRow("two clicks in the double-click time") << false << "T@0 T@300 > S NS";
        QTest::newRow("two clicks apart") << false << "T@0 T@401 > S S";
        QTest::newRow("three quick clicks: one double click") << false << "T@0 T@100 T@200 > S NS S";
        QTest::newRow("XEmbed double click") << false << "T@0 D@100 > S NS";
        QTest::newRow("double click after two clicks") << false << "T@0 T@100 D@100 T@150 > S NS - S";
        QTest::newRow("middle and right clicks") << false << "M@0 C@100 > - -";
        QTest::newRow("GNOME double clicks") << true << "T@0 T@100 > NS NS";
        QTest::newRow("GNOME middle and right clicks") << true << "M@0 C@100 > S -";
    }

    void clicks()
    {
        QFETCH(bool, gnome);
        QFETCH(QString, events);
        const QHash<QChar, QSystemTrayIcon::ActivationReason> reasons{{'T', QSystemTrayIcon::Trigger},
                                                                      {'D', QSystemTrayIcon::DoubleClick},
                                                                      {'M', QSystemTrayIcon::MiddleClick},
                                                                      {'C', QSystemTrayIcon::Context}};
        TrayClicks rules;
        rules.doubleClickMs = 400;
        QStringList got;
        for (const QString &event : events.section(" > ", 0, 0).split(' ')) {
            const int c = rules.take(reasons.value(event[0]), event.mid(2).toLongLong(), gnome);
            got << ((c & TrayClicks::NewNote ? "N" : "") + QString(c & TrayClicks::ShowAll ? "S" : ""))
                       .leftJustified(1, '-');
        }
        QCOMPARE(got.join(' '), events.section(" > ", 1));
    }

    // The icon is made only once there is a tray (Qt settles the kind of icon then), with the
    // tip given meanwhile; a start that finds none within the wait says so once.
    void waitForTray_data()
    {
        // offered at the start ("H" panel, "W" registry, "X" X tray, "?" no answer yet), then before
        // the wait is over ("none": no change)
        QTest::addColumn<QString>("offers");
        QTest::addColumn<bool>("removed"); // the program ends right after the start
        QTest::addColumn<QString>("icon"); // made: at the start, after the later offer, after the wait
        QTest::addColumn<int>("told");
        QTest::newRow("tray at start") << "X none" << false << "YYY" << 0;
        QTest::newRow("panel at start") << "WH none" << false << "YYY" << 0;
        QTest::newRow("tray comes later") << " X" << false << "NYY" << 0;
        QTest::newRow("panel comes later") << "W WH" << false << "NYY" << 0;
        QTest::newRow("no tray comes") << " none" << false << "NNN" << 1;
        // KDE's proxy for X icons beside a panel still starting: taken only once the wait is over.
        QTest::newRow("proxy beside a starting panel") << "?X WX" << false << "NNY" << 0;
        QTest::newRow("panel comes beside its proxy") << "WX WHX" << false << "NYY" << 0;
        QTest::newRow("ended before a tray came") << " X" << true << "NNN" << 0;
    }

    void waitForTray()
    {
        QFETCH(QString, offers);
        const QString later = offers.section(' ', 1);
        QFETCH(bool, removed);
        QFETCH(QString, icon);
        QFETCH(int, told);
        FakeTrayHost host;
        host.set(offers.section(' ', 0, 0));
        TrayIcon tray(&host);
        QSignalSpy noTray(&tray, &TrayIcon::noTrayAfterWait);
        tray.graceMs = 300;
        auto made = [&tray] { return QString(tray.icon() ? "Y" : "N"); };
        tray.show("Quadrelo - 0 Lembrete(s)");
        if (removed)
            tray.remove();
        QString seen = made();
        tray.setTip("Quadrelo - 2 Lembrete(s)"); // kept for an icon made later
        if (later != "none")
            host.set(later);
        seen += made();
        QTest::qWait(400);
        seen += made();
        QCOMPARE(seen, icon);
        QCOMPARE(noTray.size(), told);
        if (tray.icon())
            QCOMPARE(tray.icon()->toolTip(), QString("Quadrelo - 2 Lembrete(s)"));
    }

    // A registry that comes up anew (a panel restarted) knows nothing of the icon: it is made
    // again, with its tip and menu, and its clicks reach the program; an icon removed at the end
    // is not put back.
    void iconMadeAgainUntilRemoved()
    {
        FakeTrayHost host;
        host.set("WH");
        QMenu menu;
        TrayIcon tray(&host);
        tray.setContextMenu(&menu);
        tray.show("Quadrelo - 1 Lembrete(s)");
        QPointer<QSystemTrayIcon> first = tray.icon();
        host.set("WH"); // no change: the icon stays
        QCOMPARE(tray.icon(), first.data());
        host.restartRegistry();
        QVERIFY(first.isNull() && tray.icon());
        QCOMPARE(tray.icon()->toolTip(), QString("Quadrelo - 1 Lembrete(s)"));
        QCOMPARE(tray.icon()->contextMenu(), &menu);
        QSignalSpy shown(&tray, &TrayIcon::showAllRequested);
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(shown.size(), 1);
        tray.remove();
        QSystemTrayIcon *hidden = tray.icon();
        host.restartRegistry();
        QVERIFY(tray.icon() == hidden && !hidden->isVisible());
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
