// SPDX-License-Identifier: GPL-3.0-or-later
// The keystroke masks of the alarm date, time and minutes boxes, typed key by key.
#include "TestSupport.h"
#include "dialogs/frmProp.h"

#include <QLineEdit>
#include <QtTest>

class TestMasks : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void typing_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("keys"); // "\b" is Backspace
        QTest::addColumn<QStringList>("texts"); // date, time, minutes afterwards
        QTest::addColumn<QString>("focus");
        // Each key goes to whichever box has the focus, as with a person typing on.
        QTest::newRow("date then time") << "DataAviso" << "241220261830"
                                        << QStringList{"24/12/2026", "18:30", ""} << "Ok";
        QTest::newRow("letter first") << "DataAviso" << "a/1" << QStringList{"1", "", ""} << "DataAviso";
        QTest::newRow("letter after slash") << "DataAviso" << "12a" << QStringList{"12/", "", ""} << "DataAviso";
        QTest::newRow("letter at 7") << "DataAviso" << "12052x" << QStringList{"12/05/2", "", ""} << "DataAviso";
        QTest::newRow("letter at 8") << "DataAviso" << "120520a" << QStringList{"12/05/20", "", ""} << "DataAviso";
        QTest::newRow("letter at 9") << "DataAviso" << "1205202-" << QStringList{"12/05/202", "", ""} << "DataAviso";
        QTest::newRow("slash typed again") << "DataAviso" << "12\b/0" << QStringList{"12/0", "", ""} << "DataAviso";
        QTest::newRow("time digits only") << "HoraAviso" << "a1x8h3 0" << QStringList{"", "18:30", ""} << "Ok";
        QTest::newRow("minutes digits only") << "txtMinutos" << "-1a5" << QStringList{"", "", "15"} << "txtMinutos";
    }

    void typing()
    {
        QFETCH(QString, box);
        QFETCH(QString, keys);
        QFETCH(QStringList, texts);
        QFETCH(QString, focus);
        frmPropWindow w;
        w.show();
        auto *date = w.findChild<QLineEdit *>("DataAviso");
        auto *time = w.findChild<QLineEdit *>("HoraAviso");
        auto *minutes = w.findChild<QLineEdit *>("txtMinutos");
        QVERIFY(date && time && minutes);
        minutes->setEnabled(true); // the dialog enables it with the advance warning
        w.findChild<QWidget *>(box)->setFocus();
        for (QChar c : keys) {
            if (c == u'\b')
                QTest::keyClick(w.focusWidget(), Qt::Key_Backspace);
            else
                QTest::keyClick(w.focusWidget(), c.toLatin1());
        }
        QCOMPARE(QStringList({date->text(), time->text(), minutes->text()}), texts);
        QCOMPARE(w.focusWidget()->objectName(), focus);
    }
};

QTEST_MAIN(TestMasks)
#include "tst_masks.moc"
