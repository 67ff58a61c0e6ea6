// The keystroke masks of the alarm date, time and minutes boxes, typed key by key.
#include "TestSupport.h"
#include "dialogs/DateTimeMasks.h"
#include "dialogs/frmProp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace DateTimeMasks;

namespace {
// One typed character, as the keyboard delivers it: a key code and the text it produces.
// (QTest::keyClicks cannot carry non-ASCII text.)
void typeChar(QWidget *target, QChar c, int key = 0)
{
    if (!key)
        key = c == QChar(8) ? Qt::Key_Backspace : int(c.toUpper().unicode());
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &release);
}

// Types into whichever box has the dialog's focus at each key, as a user would.
void typeText(frmPropWindow &w, const QString &text)
{
    for (QChar c : text)
        typeChar(w.focusWidget(), c);
}
}

class TestMasks : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void dateThenTimeByKeys()
    {
        frmPropWindow w;
        w.show();
        w.DataAviso->setFocus();
        typeText(w, "05122026");
        QCOMPARE(w.DataAviso->text(), QString("05/12/2026"));
        QCOMPARE(w.focusWidget(), w.HoraAviso);
        typeText(w, "1430");
        QCOMPARE(w.HoraAviso->text(), QString("14:30"));
        QCOMPARE(w.focusWidget(), w.Ok);
        // A full time sends any further key to Okay and takes nothing.
        w.HoraAviso->setFocus();
        typeChar(w.HoraAviso, '7');
        QCOMPARE(w.HoraAviso->text(), QString("14:30"));
        QCOMPARE(w.focusWidget(), w.Ok);
    }

    void handlerTable_data()
    {
        QTest::addColumn<int>("mask"); // 0 date, 1 time, 2 minutes
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("selection");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<bool>("focusNext");
        const int P = Outcome::Pass, D = Outcome::Discard, S = Outcome::SetText;
        QTest::newRow("date slash first") << 0 << "" << false << int('/') << D << "" << false;
        QTest::newRow("date letter at 3") << 0 << "05/" << false << int('a') << D << "" << false;
        QTest::newRow("date anything at 2") << 0 << "05" << false << int('x') << P << "" << false;
        QTest::newRow("date letter last") << 0 << "05/12/202" << false << int('x') << D << "" << false;
        QTest::newRow("date full") << 0 << "05/12/2026" << false << int('1') << P << "" << false;
        QTest::newRow("date selection") << 0 << "05/12/2026" << true << int('x') << P << "" << false;
        QTest::newRow("date backspace") << 0 << "0" << false << 8 << P << "" << false;
        QTest::newRow("date paste key at 0") << 0 << "" << false << 22 << D << "" << false;
        QTest::newRow("date paste key at 2") << 0 << "05" << false << 22 << P << "" << false;
        QTest::newRow("date arabic-indic digit") << 0 << "" << false << 0x0665 << D << "" << false;
        QTest::newRow("time hour sep") << 1 << "9" << false << int('3') << S << "93:" << false;
        QTest::newRow("time letter at 0") << 1 << "" << false << int('a') << D << "" << false;
        QTest::newRow("time anything at 2") << 1 << "14" << false << int('h') << P << "" << false;
        QTest::newRow("time full") << 1 << "14:30" << false << int('x') << P << "" << true;
        QTest::newRow("time full selected") << 1 << "14:30" << true << int('1') << P << "" << true;
        QTest::newRow("time backspace full") << 1 << "14:30" << false << 8 << P << "" << false;
    }

    void handlerTable()
    {
        QFETCH(int, mask);
        QFETCH(QString, text);
        QFETCH(bool, selection);
        QFETCH(int, key);
        QFETCH(int, kind);
        QFETCH(QString, newText);
        QFETCH(bool, focusNext);
        const char16_t k = char16_t(key);
        const Outcome o = mask == 0 ? dateKey(k, text, selection)
                          : mask == 1 ? timeKey(k, text, selection)
                                      : minutesKey(k);
        QCOMPARE(int(o.kind), kind);
        QCOMPARE(o.focusNext, focusNext);
        if (kind == Outcome::SetText) {
            QCOMPARE(o.text, newText);
            QCOMPARE(o.caret, int(newText.size()));
        }
    }

    void editingInTheBoxes()
    {
        frmPropWindow w;
        w.show();
        // The separator goes at the end, not at the caret.
        w.DataAviso->setText("5");
        w.DataAviso->setCursorPosition(0);
        typeChar(w.DataAviso, '1');
        QCOMPARE(w.DataAviso->text(), QString("51/"));
        QCOMPARE(w.DataAviso->cursorPosition(), 3);
        // Backspace removes the separator; then "/" can be typed again.
        typeChar(w.DataAviso, QChar(8));
        typeChar(w.DataAviso, '/');
        QCOMPARE(w.DataAviso->text(), QString("51/"));
        // Keys without a character never reach the mask: Delete works as usual.
        w.DataAviso->setCursorPosition(0);
        typeChar(w.DataAviso, QChar(127), Qt::Key_Delete);
        QCOMPARE(w.DataAviso->text(), QString("1/"));
        // A selection is replaced by whatever is typed.
        w.DataAviso->setText("05/12/2026");
        w.DataAviso->selectAll();
        typeChar(w.DataAviso, QChar(0x00E7));
        QCOMPARE(w.DataAviso->text(), QString(QChar(0x00E7)));
        // A full, selected time takes the key and still sends the focus to Okay.
        w.HoraAviso->setFocus();
        w.HoraAviso->setText("14:30");
        w.HoraAviso->selectAll();
        typeChar(w.HoraAviso, '2');
        QCOMPARE(w.HoraAviso->text(), QString("2"));
        QCOMPARE(w.focusWidget(), w.Ok);
        // Minutes: digits only, two at most.
        w.txtMinutos->setFocus();
        for (QChar c : QString("1a23"))
            typeChar(w.txtMinutos, c);
        QCOMPARE(w.txtMinutos->text(), QString("12"));
        typeChar(w.txtMinutos, QChar(8));
        QCOMPARE(w.txtMinutos->text(), QString("1"));
        // The length limits hold against text that is set or pasted too.
        w.DataAviso->setText("05/12/2026999");
        QCOMPARE(w.DataAviso->text(), QString("05/12/2026"));
    }
};

QTEST_MAIN(TestMasks)
#include "tst_masks.moc"
