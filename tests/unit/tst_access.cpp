// SPDX-License-Identifier: GPL-3.0-or-later
// A note and its properties dialog without a mouse, and as a screen reader finds them: every
// command reached and pressed by keys, every control named, the keyboard back in the note after
// the dialog.
#include "TestSupport.h"
#include "dialogs/frmProp.h"
#include "note/MailAddress.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"

#include <QAccessible>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <memory>

using namespace NoteRecord;

namespace {
QAccessibleInterface *reader(QObject *o) { return QAccessible::queryAccessibleInterface(o); }
QString focused() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "(none)"; }
void key(int k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), mods); }

// A note of its own, shown and active, its text holding the keyboard; its properties picture
// opens the dialog as the program wires it.
std::unique_ptr<frmLembrete> noteWith(const QList<QPair<int, QString>> &fields)
{
    auto note = std::make_unique<frmLembrete>();
    note->setUp(NoteValue::fromRecord(recordWith(fields)));
    QObject::connect(note.get(), &frmLembrete::propertiesRequested, [](frmLembrete *n) { frmProp::instance().mostrar(n); });
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
        if (frmProp::instance().window() == w)
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
        QTest::addColumn<QString>("record"); // "" or "pinned, locked"
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QString>("tab"); // what Tab in the text does
        QTest::newRow("with an alarm") << "" << QStringList{"esconder", "Ponteiro", "Propriedade", "Lixeira", "Alarme", "imgEmail"} << "\t";
        QTest::newRow("pinned, locked") << "pinned, locked" << QStringList{"esconder", "Ponteiro2", "Propriedade", "imgEmail"} << "esconder";
    }

    void focusOrder()
    {
        QFETCH(QString, record);
        QFETCH(QStringList, order);
        auto note = record.isEmpty() ? noteWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 14:30"}})
                                     : noteWith({{Fixo, "S"}, {Leitura, "S"}});
        QStringList forward, backward;
        for (int i = 0; i <= order.size(); ++i) {
            key(Qt::Key_Tab, Qt::ControlModifier);
            forward << focused();
            QVERIFY(reader(QApplication::focusWidget())->state().focused);
        }
        for (int i = 0; i <= order.size(); ++i) {
            key(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
            backward.prepend(focused());
        }
        QCOMPARE(forward, order + QStringList{"txtTexto"});
        QCOMPARE(backward, QStringList{"txtTexto"} + order);
        key(Qt::Key_Tab, Qt::ControlModifier);
        key(Qt::Key_Escape);
        QCOMPARE(focused(), QString("txtTexto"));
        QTest::mouseClick(note->findChild<QWidget *>("imgEmail"), Qt::LeftButton);
        QCOMPARE(focused(), QString("txtTexto"));
        key(Qt::Key_Tab);
        QTEST(focused() == "txtTexto" ? note->findChild<QPlainTextEdit *>("txtTexto")->toPlainText() : focused(), "tab");
    }

    // Space and Enter on a picture do what a click does; a screen reader finds a button named
    // after its tip, and presses it the same way.
    void pressPicture_data()
    {
        QTest::addColumn<int>("steps"); // Ctrl+Tab from the text
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("effect");
        QTest::newRow("hide") << 1 << "Esconder Lembrete" << "hidden, focus txtTexto";
        QTest::newRow("pin") << 2 << "Fixar Lembrete" << "pinned, focus Ponteiro2";
        QTest::newRow("properties") << 3 << "Propriedades do Lembrete" << "dialog, focus txtTexto";
        QTest::newRow("delete") << 4 << "Excluir Lembrete" << "asks, focus cmdExcNao";
        QTest::newRow("e-mail") << 5 << "Enviar Lembrete por Email" << "mail, focus imgEmail";
    }

    void pressPicture()
    {
        QFETCH(int, steps);
        QFETCH(QString, name);
        for (const char *how : {"Space", "Enter", "reader"}) {
            platform.shell.opened.clear();
            auto note = noteWith({{Texto, "pão"}});
            for (int i = 0; i < steps; ++i)
                key(Qt::Key_Tab, Qt::ControlModifier);
            QAccessibleInterface *picture = reader(QApplication::focusWidget());
            QCOMPARE(picture->text(QAccessible::Name), name);
            QCOMPARE(picture->role(), QAccessible::Button);
            QVERIFY(picture->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
            bool dialog = false;
            if (name.startsWith("Propriedades"))
                inDialog([&](QWidget *) { dialog = true; });
            if (how == QString("reader"))
                picture->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            else
                key(how == QString("Space") ? Qt::Key_Space : Qt::Key_Return);
            QStringList effect;
            if (note->isHidden())
                effect << "hidden";
            if (note->isPinned())
                effect << "pinned";
            if (dialog)
                effect << "dialog";
            if (note->findChild<QWidget *>("fraExclusao")->isVisible())
                effect << "asks";
            if (platform.shell.opened == QStringList{MailAddress::forText("pão")})
                effect << "mail";
            effect << "focus " + note->focusWidget()->objectName();
            QTEST(effect.join(", "), "effect");
            if (effect.first() == "asks") { // answered by keys too: Escape keeps the note
                key(Qt::Key_Escape);
                QVERIFY(note->findChild<QWidget *>("fraExclusao")->isHidden());
                QCOMPARE(focused(), QString("Lixeira"));
            }
        }
    }

    // Every control of a note and of its properties dialog has a name a screen reader can say,
    // and these say what they are for, not what happens to be beside them.
    void names_data()
    {
        QTest::addColumn<QString>("control"); // "" for the note's window
        QTest::addColumn<QString>("name");
        QTest::newRow("note") << "" << "Comprar pão";
        QTest::newRow("note's text") << "txtTexto" << "Texto do lembrete";
        QTest::newRow("bell") << "Alarme" << "Alarme: 05/12/2026 14:30";
        QTest::newRow("date") << "DataAviso" << "Data";
        QTest::newRow("time") << "HoraAviso" << "Hora";
        QTest::newRow("minutes") << "txtMinutos" << "Avisar com antecedência de (min.)";
        QTest::newRow("colour") << "cmbCor" << "Cor Lembrete: Azul";
        QTest::newRow("sound") << "cmbSom" << "Tocar Som de: Nenhum";
        QTest::newRow("created") << "lblDatCriacao" << "Data Criação: 01/12/2026 10:00";
        QTest::newRow("changed, blank") << "lblDatAlteracao" << "Data Alteração";
    }

    void names()
    {
        QFETCH(QString, control);
        auto note = noteWith({{Texto, "  Comprar pão\r\nleite"}, {Cor, "1"}, {Aviso, "S"}, {DataHoraAviso, "05/12/2026 14:30"}});
        QString name;
        QStringList unnamed;
        std::function<void(QAccessibleInterface *)> walk = [&](QAccessibleInterface *i) {
            if (i->state().invisible)
                return;
            // Scroll bars and bare areas are said by their role alone, in every program.
            const QAccessible::Role role = i->role();
            if (i->text(QAccessible::Name).trimmed().isEmpty() && role != QAccessible::Client && role != QAccessible::ScrollBar)
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
        reader(note->findChild<QWidget *>("Propriedade"))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTEST(name, "name");
        QCOMPARE(unnamed.join(","), QString());
    }

    // Tab in the properties dialog visits every control that can be used, once, in the order
    // drawn: the check boxes too.
    void dialogTab_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<int>("devices"); // sound devices
        QTest::addColumn<QString>("visits");
        QTest::newRow("no advance warning") << "0" << 1 << "cmbCor DataAviso HoraAviso chkAtencendia chkContinuo cmbSom Ok Cancelar chkLeitura";
        QTest::newRow("warning, no sound") << "15" << 0 << "cmbCor DataAviso HoraAviso chkAtencendia txtMinutos Ok Cancelar chkLeitura";
    }

    void dialogTab()
    {
        QFETCH(QString, minutes);
        QFETCH(int, devices);
        platform.sound.devices = devices;
        auto note = noteWith({{Minutos, minutes}});
        QStringList visits;
        inDialog([&](QWidget *) {
            do {
                visits << focused();
                key(Qt::Key_Tab);
            } while (focused() != "cmbCor" && visits.size() < 20);
        });
        reader(note->findChild<QWidget *>("Propriedade"))->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTEST(visits.join(' '), "visits");
    }

    // Once the dialog opened by keys closes, by keys or the mouse, the keys go on into the note.
    void focusBack_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("byKey");
        QTest::newRow("Okay, Enter") << "Ok" << true;
        QTest::newRow("Okay, click") << "Ok" << false;
        QTest::newRow("Cancelar, Space") << "Cancelar" << true;
        QTest::newRow("Cancelar, click") << "Cancelar" << false;
    }

    void focusBack()
    {
        QFETCH(QString, button);
        QFETCH(bool, byKey);
        auto note = noteWith({});
        bool closed = false;
        inDialog([&](QWidget *w) {
            for (int i = 0; byKey && i < 12 && focused() != button; ++i)
                key(Qt::Key_Tab);
            if (byKey)
                key(button == "Ok" ? Qt::Key_Return : Qt::Key_Space);
            else
                QTest::mouseClick(w->findChild<QWidget *>(button), Qt::LeftButton);
            closed = !w->isVisible();
        });
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Tab, Qt::ControlModifier);
        key(Qt::Key_Return);
        QVERIFY(closed);
        QTRY_COMPARE(QApplication::activeWindow(), note.get());
        key(Qt::Key_X);
        QCOMPARE(note->findChild<QPlainTextEdit *>("txtTexto")->toPlainText(), QString("x"));
    }
};

QTEST_MAIN(TestAccess)
#include "tst_access.moc"
