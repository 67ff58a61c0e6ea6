#include "TestSupport.h"
#include "note/ClickLabel.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"
#include "dialogs/frmProp.h"
#include "shell/frmPrincipal.h"

#include <QApplication>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>

using namespace NoteRecord;

class TestNote : public QObject {
    Q_OBJECT
    TestPlatform platform;

    static QRect tw(const QWidget *w) { return QRect(w->x() * 15, w->y() * 15, w->width() * 15, w->height() * 15); }

private slots:
    void init() { platform.reset(); }

    void designAndLayout()
    {
        ShellFixture f;
        frmLembrete *w = f.shell->novo_Click();
        QCOMPARE(w->size(), QSize(204, 162));
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(w->windowFlags() & Qt::Tool);
        QCOMPARE(QPointF(w->gripLeft, w->gripTop), QPointF(2820, 2190));
        QCOMPARE(tw(w->txtTexto), QRect(390, 30, 2655, 2145)); // 2660 x 2150 twips, to the pixel
        QCOMPARE(w->linBottom.y1, 2420.0f);
        QCOMPARE(w->linRight.x1, 3050.0f);
        QCOMPARE(w->linTop.x2, 3060.0f);
        QCOMPARE(w->linLeft.y2, 2430.0f);
        QCOMPARE(w->Ponteiro->geometry(), w->Ponteiro2->geometry());
        QCOMPARE(w->esconder->geometry().topLeft(), QPoint(-3, -3));
        QVERIFY(w->fraExclusao->isHidden());
        QCOMPARE(w->tmrAviso->interval(), 60000);
        QVERIFY(w->tmrAviso->isActive());
        QVERIFY(!w->tmrContAlarme->isActive());
        QVERIFY(w->Alarme->isHidden());
        QCOMPARE(w->Propriedade->toolTip(), QString("Propriedades do Lembrete"));
        QVERIFY(w->txtTexto->hasFocus() || w->focusWidget() == w->txtTexto || !w->isActiveWindow());
    }

    void gripResizeArithmetic()
    {
        ShellFixture f;
        frmLembrete *w = f.shell->novo_Click();
        w->fraExclusao->show();
        // Only the left button alone resizes; every move hides the confirmation.
        w->imgArraste_MouseMove(0, 0, 500, 500);
        QVERIFY(w->fraExclusao->isHidden());
        w->imgArraste_MouseMove(2, 0, 500, 500);
        w->imgArraste_MouseMove(3, 0, 500, 500);
        QCOMPARE(w->size(), QSize(204, 162));
        w->imgArraste_MouseMove(1, 0, 120 + 1500, 120 + 750);
        QCOMPARE(QSizeF(w->widthTw(), w->heightTw()), QSizeF(4560, 3180));
        QCOMPARE(w->size(), QSize(304, 212));
        QCOMPARE(tw(w->txtTexto).size(), QSize(4155, 2895));
        QCOMPARE(w->linRight.x2, 4550.0f);
        // Beyond the minimum the grip stays, and follows again from there.
        w->imgArraste_MouseMove(1, 0, -5000, -5000);
        QCOMPARE(QSizeF(w->widthTw(), w->heightTw()), QSizeF(3060, 2430));
        w->imgArraste_MouseMove(1, 0, 120 + 15, 120);
        QCOMPARE(QSizeF(w->widthTw(), w->heightTw()), QSizeF(3075, 2430));
        // A pinned note still resizes.
        w->Ponteiro_Click();
        w->imgArraste_MouseMove(1, 0, 120, 120 + 30);
        QCOMPARE(w->heightTw(), 2460.0f);
    }

    void pinReleaseAndPinBand()
    {
        ShellFixture f;
        frmLembrete *a = f.shell->novo_Click();
        frmLembrete *b = f.shell->novo_Click();
        a->Ponteiro_Click();
        QVERIFY(a->isPinned() && !a->Ponteiro2->isHidden());
        QCOMPARE(fieldsOf(a->record())[Fixo], QString("S"));
        QVERIFY(a->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        QVERIFY(a->AlarmAcknowledged);
        b->Ponteiro_Click();
        b->Ponteiro2_Click();
        QVERIFY(!(b->windowHandle()->flags() & Qt::WindowStaysOnTopHint));
        QVERIFY(a->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(fieldsOf(b->record())[Fixo], QString("N"));
        // Properties: every note leaves the top band while the dialog is open, and the pinned
        // one comes back after it.
        bool outOfBand = true;
        QTimer::singleShot(0, [&] {
            for (frmLembrete *n : {a, b})
                outOfBand = outOfBand && !(n->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
            frmProp::instance().window()->Cancelar->click();
        });
        a->Propriedade_Click();
        QVERIFY(outOfBand);
        QVERIFY(a->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
        // Pinned notes are not moved by a press on the background or the corner.
        const QPoint before = a->pos();
        a->fraExclusao->show();
        a->AlarmAcknowledged = false;
        a->imgTop_MouseDown(1);
        a->Form_MouseDown(1);
        QVERIFY(a->fraExclusao->isHidden());
        QVERIFY(!a->AlarmAcknowledged);
        QCOMPARE(a->pos(), before);
        // An unpinned note: the right button moves but does not acknowledge.
        b->AlarmAcknowledged = false;
        b->Form_MouseDown(2);
        QVERIFY(!b->AlarmAcknowledged);
        b->Form_MouseDown(1);
        QVERIFY(b->AlarmAcknowledged);
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(1, 1), QPointF(1, 1), Qt::LeftButton, {}, {});
        QApplication::sendEvent(b, &release);
    }

    void deleteWithConfirmation()
    {
        ShellFixture f;
        frmLembrete *a = f.shell->novo_Click();
        f.shell->novo_Click();
        a->setNoteColor(QColor(255, 255, 192));
        a->Lixeira_Click();
        QVERIFY(!a->fraExclusao->isHidden());
        QCOMPARE(a->fraExclusao->palette().color(QPalette::Window), QColor(255, 255, 192));
        a->txtTexto_MouseMove();
        QVERIFY(a->fraExclusao->isHidden());
        a->Lixeira_Click();
        a->cmdExcNao_Click();
        QVERIFY(a->fraExclusao->isHidden());
        QCOMPARE(openNotes().size(), 2);
        a->Lixeira_Click();
        QTest::mouseClick(a->cmdExcSim, Qt::LeftButton);
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 1 Lembrete(s)"));
        QCOMPARE(frmPrincipal::notes().size(), 1);
        QPointer<frmLembrete> gone(a);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!gone);
        // A read-only note cannot be deleted.
        frmLembrete *b = frmPrincipal::notes().first();
        b->setReadOnlyState(true);
        QVERIFY(!b->Lixeira->isEnabled());
        QTest::mouseClick(b->Lixeira, Qt::LeftButton);
        QVERIFY(b->fraExclusao->isHidden());
    }

    void emailAddressIsEncoded()
    {
        QCOMPARE(frmLembrete::emailAddress("a\nb"),
                 QString("mailto:?subject=Lembrete%20!!!&body=a%0D%0Ab%0D%0A%0D%0A"
                         "Programa%20Quadrelo%202.0%20-%20www.borvane.com.br"));
        const QString odd = frmLembrete::emailAddress("1 & 2 # 50% ? é+");
        QVERIFY(odd.startsWith("mailto:?subject=Lembrete%20!!!&body=1%20%26%202%20%23%2050%25%20%3F%20%C3%A9%2B%0D%0A"));
        ShellFixture f;
        frmLembrete *w = f.shell->novo_Click();
        w->txtTexto->setPlainText("x\ny");
        w->Lixeira_Click();
        w->AlarmAcknowledged = false;
        w->imgEmail_Click();
        QCOMPARE(platform.shell.opened.last(), frmLembrete::emailAddress("x\ny"));
        QVERIFY(w->fraExclusao->isHidden());
        QVERIFY(!w->AlarmAcknowledged);
    }

    void acknowledgingEvents()
    {
        ShellFixture f;
        frmLembrete *w = f.shell->novo_Click();
        const auto check = [w](const char *what, auto event, bool acks, bool hidesConfirmation) {
            w->AlarmAcknowledged = false;
            w->fraExclusao->show();
            event();
            if (w->AlarmAcknowledged != acks || w->fraExclusao->isHidden() != hidesConfirmation)
                qWarning() << what;
            QCOMPARE(w->AlarmAcknowledged, acks);
            QCOMPARE(w->fraExclusao->isHidden(), hidesConfirmation);
        };
        check("text click", [w] { w->txtTexto_Click(); }, true, false);
        check("bell click", [w] { w->Alarme_Click(); }, true, false);
        check("grip click", [w] { w->imgArraste_Click(); }, true, true);
        check("hide", [w] { w->esconder_Click(); }, true, true);
        QVERIFY(!w->isVisible());
        QCOMPARE(frmPrincipal::notes().size(), 1); // hidden, still a note
    }

    // Under a dark desktop theme the note keeps black ink on its fixed bright colour: the text,
    // the edge lines and the delete confirmation's frame.
    void darkThemeKeepsBlackInk()
    {
        const QPalette before = QApplication::palette();
        QPalette dark = before;
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            dark.setColor(role, Qt::white);
        dark.setColor(QPalette::Window, QColor(40, 40, 40));
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Mid, QColor(90, 90, 90));
        QApplication::setPalette(dark);
        ShellFixture f;
        frmLembrete *w = f.shell->novo_Click();
        QTest::keyClicks(w->findChild<QPlainTextEdit *>("txtTexto"), "WWWWWWWW");
        QTest::mouseClick(w->findChild<QWidget *>("Lixeira"), Qt::LeftButton);
        const QWidget *frame = w->findChild<QWidget *>("fraExclusao");
        QVERIFY(frame->isVisible());
        const QImage shot = w->grab().toImage();
        QApplication::setPalette(before);

        auto darkest = [&shot](const QRect &area) {
            int gray = 255;
            for (int y = area.top(); y <= area.bottom(); ++y)
                for (int x = area.left(); x <= area.right(); ++x)
                    gray = qMin(gray, qGray(shot.pixel(x, y)));
            return gray;
        };
        const struct {
            const char *what;
            QRect area;
        } inked[] = {
            {"text", QRect(28, 2, 60, 14)},
            {"right edge", QRect(203, 60, 1, 10)},
            {"bottom edge", QRect(60, 161, 10, 1)},
            {"frame edge", QRect(frame->x() + 30, frame->geometry().bottom(), 40, 1)},
            {"frame caption", QRect(frame->x() + 4, frame->y(), 60, 10)},
        };
        for (const auto &part : inked)
            QVERIFY2(darkest(part.area) < 60, part.what);
    }

    void deletedDuringNestedEventsDoesNotCrash()
    {
        ShellFixture f;
        frmLembrete *w = f.shell->novo_Click();
        frmLembrete *other = f.shell->novo_Click();
        // Another note deletes itself while a resize step lets events run.
        QTimer::singleShot(0, other, [other] { other->cmdExcSim_Click(); });
        QTimer::singleShot(0, w, [w] { w->cmdExcSim_Click(); });
        w->imgArraste_MouseMove(1, 0, 300, 300);
        QCOMPARE(frmPrincipal::notes().size(), 0);
        QCOMPARE(f.shell->noteCounter(), qint16(0));
        f.shell->salvar_Click();
        QVERIFY(ShellFixture::storedNotes().isEmpty());
    }
};

QTEST_MAIN(TestNote)
#include "tst_note.moc"
