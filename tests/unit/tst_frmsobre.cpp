// The About dialog: design, links through the desktop's opener, and the keys that close it.
#include "TestSupport.h"
#include "dialogs/frmSobre.h"
#include "note/ClickLabel.h"
#include "records/Maker.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

namespace {
// Opens the dialog as the tray command does; `act` runs while it is up. A dialog left open is
// closed after a while so a failing test cannot hang.
void withAbout(const std::function<void(frmSobreWindow *)> &act)
{
    QTimer::singleShot(0, [act] { act(frmSobre::current()); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { frmSobre::close(); });
    guard.start(5000);
    frmSobre::showModal();
}
}

class TestFrmSobre : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    void design()
    {
        frmSobreWindow w;
        QCOMPARE(w.windowTitle(), QString("Sobre o Quadrelo 2.2"));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QVERIFY(!(w.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QCOMPARE(w.Label1->text(), QString("Esse programa é uma cortesia da"));
        QCOMPARE(w.Label2->text(), QString("Borvane Informática"));
        QCOMPARE(w.endereco->text(), Maker::webAddress());
        QCOMPARE(w.email->text(), Maker::emailAddress());
        QCOMPARE(w.Command1->text(), QString("&Okay"));
        QCOMPARE(w.picFocus->size(), QSize(1, 1));
        QVERIFY(!(w.Command1->focusPolicy() & Qt::TabFocus));
        QCOMPARE(w.focusWidget(), w.picFocus);
    }

    void linksOpenWithTheDesktop()
    {
        bool stayedOpen = false;
        withAbout([&](frmSobreWindow *w) {
            QTest::mouseClick(w->endereco, Qt::LeftButton);
            QTest::mouseClick(w->endereco, Qt::LeftButton);
            QTest::mouseClick(w->email, Qt::LeftButton);
            stayedOpen = frmSobre::isOpen();
            w->Command1->click();
        });
        QVERIFY(stayedOpen);
        QVERIFY(!frmSobre::isOpen());
        QCOMPARE(platform.shell.opened, (QStringList{"https://www.borvane.com.br", "https://www.borvane.com.br",
                                                     "mailto:contato@borvane.com.br"}));
    }

    void keysAndClosing()
    {
        bool survivedKeys = false;
        withAbout([&](frmSobreWindow *w) {
            QTest::keyClick(w->focusWidget(), Qt::Key_Return);
            QTest::keyClick(w->focusWidget(), Qt::Key_Space);
            QTest::keyClick(w->focusWidget(), Qt::Key_Escape);
            survivedKeys = frmSobre::isOpen() && w->focusWidget() == w->picFocus;
            QVERIFY(QTest::qWaitForWindowActive(w));
            QTest::keyClick(w->focusWidget(), Qt::Key_O, Qt::AltModifier);
        });
        QVERIFY(survivedKeys);
        QVERIFY(!frmSobre::isOpen());
        QVERIFY(!frmSobre::current()); // each opening starts from the design

        // Closing from the title bar acts as Okay.
        bool wasOpen = false;
        withAbout([&](frmSobreWindow *w) {
            wasOpen = frmSobre::isOpen();
            w->close();
        });
        QVERIFY(wasOpen);
        QVERIFY(!frmSobre::isOpen());
    }
};

QTEST_MAIN(TestFrmSobre)
#include "tst_frmsobre.moc"
