// SPDX-License-Identifier: GPL-3.0-or-later
#include "TestSupport.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"
#include "shell/frmPrincipal.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QWindow>
#include <QtTest>

using namespace NoteRecord;

class TestNote : public QObject {
    Q_OBJECT
    TestPlatform platform;

    using Requests = QList<QPair<QWidget *, bool>>;

private slots:
    void init() { platform.reset(); }

    // Pin and release by their pictures: the record, the pictures, and the always-on-top requests,
    // each followed by the pin-band refresh that keeps every pinned note above the others.
    void pinAndRelease()
    {
        ShellFixture f;
        f.start({recordWith({{Fixo, "S"}}), recordWith({})});
        frmLembrete *a = openNotes().at(0);
        frmLembrete *b = openNotes().at(1);
        platform.windows.topmost.clear();
        clickChild(b, "Ponteiro");
        QCOMPARE(split(b->record()).at(Fixo), QString("S"));
        QVERIFY(b->findChild<QWidget *>("Ponteiro")->isHidden());
        QCOMPARE(platform.windows.topmost, (Requests{{b, true}, {a, true}, {b, true}}));
        platform.windows.topmost.clear();
        clickChild(b, "Ponteiro2");
        QCOMPARE(split(b->record()).at(Fixo), QString("N"));
        QCOMPARE(platform.windows.topmost, (Requests{{b, false}, {a, true}}));
    }

    // A click on a visible pixel of the hide glyph hides the note; the rest of the folded corner
    // under it is the move handle and hides nothing.
    void hideGlyphAndCorner_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("hides");
        QTest::newRow("glyph") << QPoint(6, 6) << true;
        QTest::newRow("glyph's edge") << QPoint(1, 4) << true;
        QTest::newRow("corner beside the glyph") << QPoint(18, 3) << false;
        QTest::newRow("corner below the glyph") << QPoint(3, 18) << false;
    }

    void hideGlyphAndCorner()
    {
        QFETCH(QPoint, at);
        QFETCH(bool, hides);
        ShellFixture f;
        f.start({recordWith({{Fixo, "S"}})}); // pinned: a press on the corner must not start a move
        frmLembrete *note = openNotes().value(0);
        QVERIFY(QTest::qWaitForWindowExposed(note));
        QTest::mouseClick(note->windowHandle(), Qt::LeftButton, {}, at);
        QCOMPARE(note->isHidden(), hides);
    }

    // Delete asks first; "Não" keeps the note, "Sim" ends it and the tray tip counts one less.
    // A read-only note cannot be deleted.
    void deleteWithConfirmation()
    {
        ShellFixture f;
        f.start({recordWith({{Cor, "2"}}), recordWith({{Leitura, "S"}})});
        QPointer<frmLembrete> a = openNotes().at(0);
        frmLembrete *locked = openNotes().at(1);
        QWidget *frame = a->findChild<QWidget *>("fraExclusao");
        clickChild(a, "Lixeira");
        QVERIFY(frame->isVisible());
        QCOMPARE(frame->palette().color(QPalette::Window), ColorFromIndex(2));
        clickChild(a, "cmdExcNao");
        QVERIFY(frame->isHidden());
        QCOMPARE(openNotes().size(), 2);
        clickChild(a, "Lixeira");
        clickChild(a, "cmdExcSim");
        QCOMPARE(openNotes(), QList<frmLembrete *>{locked});
        QCOMPARE(f.shell->tray()->toolTip(), QString("Quadrelo - 1 Lembrete(s)"));
        QTRY_VERIFY(!a);

        QTest::mouseClick(locked->findChild<QWidget *>("Lixeira"), Qt::LeftButton);
        QVERIFY(locked->findChild<QWidget *>("fraExclusao")->isHidden());
    }

    // The e-mail picture hands the typed text to the mail program, every character intact.
    void emailSendsTheLiveText()
    {
        ShellFixture f;
        f.start({recordWith({})});
        frmLembrete *note = openNotes().value(0);
        QTest::keyClicks(note->findChild<QPlainTextEdit *>("txtTexto"), "1 & 2 # 50% ? +");
        QTest::keyClick(note->findChild<QPlainTextEdit *>("txtTexto"), Qt::Key_Return);
        QTest::keyClicks(note->findChild<QPlainTextEdit *>("txtTexto"), "fim");
        clickChild(note, "imgEmail");
        QCOMPARE(platform.shell.opened,
                 QStringList("mailto:?subject=Lembrete%20!!!&body=1%20%26%202%20%23%2050%25%20%3F%20%2B%0D%0Afim"
                             "%0D%0A%0D%0APrograma%20Quadrelo%202.0%20-%20www.borvane.com.br"));
    }

    // Dragging the grip resizes the note, never below its design size.
    void gripResizes_data()
    {
        QTest::addColumn<QPoint>("drag"); // pointer offset from the grip's centre
        QTest::addColumn<QSize>("size");
        QTest::newRow("larger") << QPoint(50, 30) << QSize(254, 192);
        QTest::newRow("smaller than designed") << QPoint(-50, -30) << QSize(204, 162);
    }

    void gripResizes()
    {
        QFETCH(QPoint, drag);
        QFETCH(QSize, size);
        ShellFixture f;
        f.start({recordWith({})});
        frmLembrete *note = openNotes().value(0);
        QWidget *grip = note->findChild<QWidget *>("imgArraste");
        const QPointF to = QPointF(8, 8) + drag;
        QMouseEvent move(QEvent::MouseMove, to, grip->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(grip, &move);
        QCOMPARE(note->size(), size);
        QCOMPARE(grip->geometry().bottomRight(), QPoint(size.width() - 1, size.height() - 1));
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
        f.start({recordWith({})});
        frmLembrete *w = openNotes().value(0);
        QTest::keyClicks(w->findChild<QPlainTextEdit *>("txtTexto"), "WWWWWWWW");
        clickChild(w, "Lixeira");
        const QWidget *frame = w->findChild<QWidget *>("fraExclusao");
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
};

QTEST_MAIN(TestNote)
#include "tst_note.moc"
