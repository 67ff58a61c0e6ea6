// SPDX-License-Identifier: GPL-3.0-or-later
// The About dialog, opened from the tray menu: its links and its Okay button.
#include "TestSupport.h"
#include "dialogs/frmSobre.h"

#include <QTimer>
#include <QtTest>

class TestFrmSobre : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void linksAndOkay()
    {
        platform.reset();
        ShellFixture f;
        f.start({});
        bool openAfterLinks = false, closedByOkay = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            QWidget *w = frmSobre::current();
            if (!w || !w->isVisible())
                return;
            poll.stop();
            clickChild(w, "endereco");
            clickChild(w, "email");
            openAfterLinks = frmSobre::isOpen();
            clickChild(w, "Command1");
            closedByOkay = !frmSobre::isOpen();
            frmSobre::close(); // ends a failing run instead of hanging in the dialog
        });
        poll.start(10);
        f.choose("sobre"); // returns when the dialog has closed
        QCOMPARE(platform.shell.opened, QStringList({"https://www.borvane.com.br", "mailto:contato@borvane.com.br"}));
        QVERIFY(openAfterLinks);
        QVERIFY(closedByOkay);
    }
};

QTEST_MAIN(TestFrmSobre)
#include "tst_frmsobre.moc"
