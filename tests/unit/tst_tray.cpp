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
        // reason@ms (Context, DoubleClick, Trigger, Middle, in Qt's order), and after ">" the commands
        QTest::addColumn<QString>("events");
        QTest::newRow("two clicks in the double-click time") << false << "T@0 T@400 > S NS";
        QTest::newRow("two clicks apart") << false << "T@0 T@401 > S S";
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
        TrayClicks rules;
        rules.doubleClickMs = 400;
        QStringList got;
        for (const QString &event : events.section(" > ", 0, 0).split(' ')) {
            const int c = rules.take(QSystemTrayIcon::ActivationReason(QString("?CDTM").indexOf(event[0])),
                                     event.mid(2).toLongLong(), gnome);
            got << ((c & TrayClicks::NewNote ? "N" : "") + QString(c & TrayClicks::ShowAll ? "S" : ""))
                       .leftJustified(1, '-');
        }
        QCOMPARE(got.join(' '), events.section(" > ", 1));
    }

    // The icon is made only once there is a tray (Qt settles the kind of icon then), with the
    // tip and menu given meanwhile, and its clicks reach the program; a start that finds none
    // within the wait says so once. A registry that comes up anew (a panel restarted) knows
    // nothing of the icon: it is made again, unless it was removed at the end.
    void waitForTray_data()
    {
        // offered at the start ("H" panel, "W" registry, "X" X tray, "?" no answer yet), then before
        // the wait is over ("none": no change; "R": the registry restarted)
        QTest::addColumn<QString>("offers");
        QTest::addColumn<bool>("removed"); // the program ends right after the start
        QTest::addColumn<QString>("icon"); // at the start, after the later offer, after the wait: none
                                           // ("N"), made ("Y"), made again ("A"), hidden ("H")
        QTest::addColumn<int>("told");
        QTest::newRow("panel at start") << "WH none" << false << "YYY" << 0;
        QTest::newRow("tray comes later") << " X" << false << "NYY" << 0;
        QTest::newRow("no tray comes") << " none" << false << "NNN" << 1;
        // KDE's proxy for X icons beside a panel still starting: taken only once the wait is over.
        QTest::newRow("proxy beside a starting panel") << "?X WX" << false << "NNY" << 0;
        QTest::newRow("panel comes beside its proxy") << "WX WHX" << false << "NYY" << 0;
        QTest::newRow("ended before a tray came") << " X" << true << "NNN" << 0;
        QTest::newRow("panel restarted") << "WH R" << false << "YAA" << 0;
        QTest::newRow("panel restarted after the end") << "WH R" << true << "HHH" << 0;
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
        QMenu menu;
        TrayIcon tray(&host);
        QSignalSpy noTray(&tray, &TrayIcon::noTrayAfterWait);
        tray.graceMs = 100;
        tray.show("Quadrelo - 0 Lembrete(s)");
        if (removed)
            tray.remove();
        QPointer<QSystemTrayIcon> first; // the first icon made, gone once made again
        bool madeOnce = false;
        auto made = [&] {
            if (!madeOnce && tray.icon())
                first = tray.icon(), madeOnce = true;
            return QString(!tray.icon() ? "N" : !tray.icon()->isVisible() ? "H" : first ? "Y" : "A");
        };
        QString seen = made();
        tray.setTip("Quadrelo - 2 Lembrete(s)"); // kept for an icon made later
        tray.setContextMenu(&menu);
        later == "R" ? host.restartRegistry() : later != "none" ? host.set(later) : void();
        seen += made();
        QTest::qWait(150);
        seen += made();
        QCOMPARE(seen, icon);
        QCOMPARE(noTray.size(), told);
        if (!tray.icon() || removed)
            return;
        QCOMPARE(tray.icon()->toolTip(), QString("Quadrelo - 2 Lembrete(s)"));
        QCOMPARE(tray.icon()->contextMenu(), &menu);
        QSignalSpy shown(&tray, &TrayIcon::showAllRequested);
        emit tray.icon()->activated(QSystemTrayIcon::Trigger);
        QCOMPARE(shown.size(), 1);
    }
};

QTEST_MAIN(TestTray)
#include "tst_tray.moc"
