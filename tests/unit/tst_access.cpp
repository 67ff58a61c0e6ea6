// SPDX-License-Identifier: GPL-3.0-or-later
// A note and its properties dialog without a mouse, and as a screen reader finds them: every
// command reached and pressed by keys, every control named, the keyboard back in the note after
// the dialog.
#include "TestSupport.h"
#include "dialogs/frmProp.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"

#include <QAccessible>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace NoteRecord;

namespace {
QAccessibleInterface *reader(QObject *o) { return QAccessible::queryAccessibleInterface(o); }
QString focused() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "(none)"; }
void key(int k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), mods); }
void press(QWidget *w) { reader(w)->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); }

// A note of its own, shown and active, its text holding the keyboard; its properties picture
// opens the dialog as the program wires it.
std::unique_ptr<frmLembrete> noteWith(const QList<QPair<int, QString>> &fields)
{
    auto note = std::make_unique<frmLembrete>();
    note->setUp(NoteValue::fromRecord(recordWith(fields)));
    QObject::connect(note.get(), &frmLembrete::propertiesRequested,
                     [](frmLembrete *n) { frmProp::instance().mostrar(n); });
    note->show();
    QApplication::setActiveWindow(note.get());
    note->findChild<QWidget *>("txtTexto")->setFocus();
    return note;
}

// Runs `act` in the properties dialog once it shows; a dialog left open is cancelled.
void inDialog(const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(50, [act] {
        QWidget *w = frmProp::instance().window();
        QVERIFY(w && w->isVisible());
        QApplication::setActiveWindow(w);
        act(w);
        if (w->isVisible())
            w->findChild<QPushButton *>("Cancelar")->click();
    });
}
}

class TestAccess : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    // Ctrl+Tab and Ctrl+Shift+Tab go round the text and the pictures shown and usable, in the
    // order drawn; a click gives no picture the focus. Tab alone is typed into the text, or goes
    // on to the pictures from a locked one.
    void focusOrder_data()
    {
        QTest::addColumn<bool>("locked"); // and pinned, without an alarm
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QString>("tab"); // what Tab in the text does
        QTest::newRow("with an alarm") << false << QStringList{"esconder", "Ponteiro", "Propriedade",
                                                               "Lixeira",  "Alarme",   "imgEmail"}
                                       << "\t";
        QTest::newRow("pinned, locked") << true << QStringList{"esconder", "Ponteiro2", "Propriedade", "imgEmail"}
                                        << "esconder";
    }

    void focusOrder()
    {
        QFETCH(bool, locked);
        QFETCH(QStringList, order);
        auto note = locked ? noteWith({{Fixo, "S"}, {Leitura, "S"}})
                           : noteWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 14:30"}});
        QStringList forward;
        for (int i = 0; i <= order.size(); ++i) {
            key(Qt::Key_Tab, Qt::ControlModifier);
            forward << focused();
            QVERIFY(reader(QApplication::focusWidget())->state().focused);
        }
        QCOMPARE(forward, order + QStringList{"txtTexto"});
        key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(focused(), order.last());
        key(Qt::Key_Escape);
        QTest::mouseClick(note->findChild<QWidget *>("imgEmail"), Qt::LeftButton);
        QCOMPARE(focused(), QString("txtTexto"));
        key(Qt::Key_Tab);
        QTEST(focused() == "txtTexto" ? note->findChild<QPlainTextEdit *>("txtTexto")->toPlainText() : focused(),
              "tab");
    }

    // Space and Enter on a picture do what a click does; a screen reader finds a button named
    // after its tip, and presses it the same way. A question asked by keys is answered by keys;
    // the mail program gets the text as typed, every character intact.
    void pressPicture_data()
    {
        QTest::addColumn<int>("steps");      // Ctrl+Tab from the text
        QTest::addColumn<QString>("effect"); // the name a screen reader finds, and what pressing it does
        QTest::newRow("hide") << 1 << "Esconder Lembrete: hidden, focus txtTexto";
        QTest::newRow("pin") << 2 << "Fixar Lembrete: pinned, focus Ponteiro2";
        QTest::newRow("properties") << 3 << "Propriedades do Lembrete: dialog, focus txtTexto";
        QTest::newRow("delete") << 4 << "Excluir Lembrete: asks, focus cmdExcNao";
        QTest::newRow("e-mail") << 5 << "Enviar Lembrete por Email: mail, focus imgEmail";
    }

    void pressPicture()
    {
        QFETCH(int, steps);
        QFETCH(QString, effect);
        for (const QString how : {"Space", "Enter", "reader"}) {
            platform.shell.opened.clear();
            auto note = noteWith({});
            QTest::keyClicks(QApplication::focusWidget(), "1 & 2 # 50% ? +");
            key(Qt::Key_Return);
            QTest::keyClicks(QApplication::focusWidget(), "fim");
            for (int i = 0; i < steps; ++i)
                key(Qt::Key_Tab, Qt::ControlModifier);
            QAccessibleInterface *picture = reader(QApplication::focusWidget());
            QCOMPARE(picture->text(QAccessible::Name), effect.section(": ", 0, 0));
            QCOMPARE(picture->role(), QAccessible::Button);
            bool dialog = false;
            if (steps == 3)
                inDialog([&](QWidget *) { dialog = true; });
            how == "reader" ? press(QApplication::focusWidget()) : key(how == "Space" ? Qt::Key_Space : Qt::Key_Return);
            QWidget *question = note->findChild<QWidget *>("fraExclusao");
            const QString mail = "mailto:?subject=Lembrete%20!!!&body=1%20%26%202%20%23%2050%25%20%3F%20%2B%0D%0Afim"
                                 "%0D%0A%0D%0APrograma%20Quadrelo%202.0%20-%20www.borvane.com.br";
            const QString did = QString(note->isHidden() ? "hidden, " : "") + (note->isPinned() ? "pinned, " : "")
                                + (dialog ? "dialog, " : "") + (question->isVisible() ? "asks, " : "")
                                + (platform.shell.opened == QStringList{mail} ? "mail, " : "");
            QCOMPARE(did + "focus " + note->focusWidget()->objectName(), effect.section(": ", 1));
            if (question->isVisible()) {
                key(Qt::Key_Escape);
                QVERIFY(question->isHidden());
                QCOMPARE(focused(), QString("Lixeira"));
            }
        }
    }

    // Every control of a note and of its properties dialog has a name a screen reader can say,
    // and these say what they are for, not what happens to be beside them.
    void names_data()
    {
        QTest::addColumn<QString>("named"); // the control (none: the note's window), "=", its name
        QTest::newRow("note") << "=Comprar pão";
        QTest::newRow("note's text") << "txtTexto=Texto do lembrete";
        QTest::newRow("bell") << "Alarme=Alarme: 05/12/2026 14:30";
        QTest::newRow("date") << "DataAviso=Data";
        QTest::newRow("minutes") << "txtMinutos=Avisar com antecedência de (min.)";
        QTest::newRow("colour") << "cmbCor=Cor Lembrete: Azul";
        QTest::newRow("created") << "lblDatCriacao=Data Criação: 01/12/2026 10:00";
        QTest::newRow("changed, blank") << "lblDatAlteracao=Data Alteração";
    }

    void names()
    {
        QFETCH(QString, named);
        const QString control = named.section('=', 0, 0);
        auto note = noteWith(
            {{Texto, "  Comprar pão\r\nleite"}, {Cor, "1"}, {Aviso, "S"}, {DataHoraAviso, "05/12/2026 14:30"}});
        QString name;
        QStringList unnamed;
        std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *i) {
            if (i->state().invisible)
                return;
            // Scroll bars and bare areas are said by their role alone, in every program.
            if (i->text(QAccessible::Name).trimmed().isEmpty() && i->role() != QAccessible::Client
                && i->role() != QAccessible::ScrollBar)
                unnamed << i->object()->objectName();
            for (int c = 0; c < i->childCount(); ++c)
                walk(i->child(c));
        };
        auto look = [&](QWidget *window) {
            if (QWidget *w = control.isEmpty() ? window : window->findChild<QWidget *>(control); w && name.isEmpty())
                name = reader(w)->text(QAccessible::Name);
            walk(reader(window));
        };
        look(note.get());
        inDialog(look);
        press(note->findChild<QWidget *>("Propriedade"));
        QCOMPARE(name, named.section('=', 1));
        QCOMPARE(unnamed.join(","), QString());
    }

    // Tab in the properties dialog visits every control that can be used, once, in the order
    // drawn, the check boxes too; once it closes, by keys or by the mouse, the keys go on into
    // the note it was opened from.
    void dialogByKeys_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("devices");   // sound devices
        QTest::addColumn<QString>("close"); // the button, and the key that presses it or "click"
        QTest::addColumn<QString>("visits");
        const QString all = "cmbCor DataAviso HoraAviso chkAtencendia chkContinuo cmbSom Ok Cancelar chkLeitura";
        QTest::newRow("Okay by Enter") << "0" << 1 << "Ok Enter" << all;
        QTest::newRow("Okay by click") << "0" << 1 << "Ok click" << all;
        QTest::newRow("Cancelar by Space, minutes, no sound")
            << "15" << 0 << "Cancelar Space"
            << "cmbCor DataAviso HoraAviso chkAtencendia txtMinutos Ok Cancelar chkLeitura";
        QTest::newRow("Cancelar by click") << "0" << 1 << "Cancelar click" << all;
    }

    void dialogByKeys()
    {
        QFETCH(QString, minutes);
        QFETCH(int, devices);
        QFETCH(QString, close);
        const QStringList button = close.split(' ');
        platform.sound.devices = devices;
        auto note = noteWith({{Minutos, minutes}});
        QStringList visits;
        bool closed = false;
        inDialog([&](QWidget *w) {
            do {
                visits << focused();
                key(Qt::Key_Tab);
            } while (focused() != "cmbCor" && visits.size() < 20);
            while (focused() != button[0] && button[1] != "click")
                key(Qt::Key_Tab);
            button[1] == "click" ? QTest::mouseClick(w->findChild<QWidget *>(button[0]), Qt::LeftButton)
                                 : key(button[1] == "Enter" ? Qt::Key_Return : Qt::Key_Space);
            closed = !w->isVisible();
        });
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Tab, Qt::ControlModifier);
        key(Qt::Key_Return);
        QTEST(visits.join(' '), "visits");
        QVERIFY(closed);
        QTRY_COMPARE(QApplication::activeWindow(), note.get());
        key(Qt::Key_X);
        QCOMPARE(note->findChild<QPlainTextEdit *>("txtTexto")->toPlainText(), QString("x"));
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
