// SPDX-License-Identifier: GPL-3.0-or-later
// A note's commands and its dialogs as a person uses them, by mouse, by keys alone and through a
// screen reader. Properties: what it shows for a note, what its boxes let through key by key, what
// Okay refuses, and what Okay and Cancelar leave in the note. About: its links and its Okay button.
#include "TestSupport.h"
#include "alarm/AlarmClock.h"
#include "dialogs/frmProp.h"
#include "dialogs/frmSobre.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>
#include <memory>

using namespace NoteRecord;

namespace {
template <typename T = QWidget>
T *control(QWidget *dialog, const char *name)
{
    T *found = dialog->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("the properties dialog has no %s", name);
    return found;
}
QAccessibleInterface *reader(QObject *o) { return QAccessible::queryAccessibleInterface(o); }
QString focused() { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "(none)"; }
void key(int k, Qt::KeyboardModifiers mods = {}) { QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), mods); }
void press(QWidget *w) { reader(w)->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); }

// A note shown and active (its text then holds the keyboard).
std::unique_ptr<frmLembrete> activeNote(const QList<QPair<int, QString>> &fields)
{
    auto note = noteWith(fields);
    note->show();
    QApplication::setActiveWindow(note.get());
    return note;
}

// Runs `act` in the properties dialog once it shows (it runs an event loop of its own); a dialog
// left open is cancelled, so a failing test cannot hang in its loop.
void inDialog(const std::function<void(QWidget *)> &act)
{
    QTimer::singleShot(50, [act] {
        QWidget *w = frmProp::instance().window();
        QVERIFY(w && w->isVisible());
        QApplication::setActiveWindow(w);
        act(w);
        if (frmProp::instance().window() == w && w->isVisible())
            control<QPushButton>(w, "Cancelar")->click();
    });
}

// Does in the dialog what `script` says, step by step ("|" between): "Box:keys" types into that
// box and on into whichever control the keys move the focus to ("\b" Backspace), "Box<text" pastes
// the text into it (Shift+Insert), "rings" lets the note's alarm ring through, "recoloured" has
// another machine make the note green; any other step clicks the control of that name.
void doInDialog(TestPlatform &platform, frmLembrete *note, QWidget *w, const QString &script)
{
    for (const QString &step : script.split('|')) {
        if (step == "rings") {
            platform.clock.current =
                QDateTime::fromString(field(note->value().toRecord(), DataHoraAviso), "dd/MM/yyyy HH:mm");
            AlarmClock::instance().timeChanged();
            auto *ticker = note->findChild<QTimer *>("tmrContAlarme");
            ticker->setInterval(5);
            QTRY_VERIFY(!ticker->isActive());
        } else if (step == "recoloured") {
            NoteValue elsewhere = note->value();
            elsewhere.colorIndex = 6;
            note->applyElsewhere(elsewhere.toRecord());
        } else if (step.contains('<')) {
            QApplication::clipboard()->setText(step.section('<', 1));
            control(w, qPrintable(step.section('<', 0, 0)))->setFocus();
            key(Qt::Key_Insert, Qt::ShiftModifier);
        } else if (!step.contains(':')) {
            QTest::mouseClick(control(w, qPrintable(step)), Qt::LeftButton);
        } else {
            control(w, qPrintable(step.section(':', 0, 0)))->setFocus();
            for (QChar c : step.section(':', 1))
                c == u'\b' ? key(Qt::Key_Backspace) : QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        }
    }
}

// What the dialog shows, control by control, as `fill` lists them: "x" or "-" for a check box,
// " off" after one that cannot be used.
QStringList shown(QWidget *w)
{
    QStringList seen;
    for (const char *name : {"lblDatCriacao", "lblDatAlteracao", "chkLeitura", "cmbCor", "DataAviso", "HoraAviso",
                             "chkAtencendia", "txtMinutos", "cmbSom", "chkContinuo"}) {
        QWidget *c = control(w, name);
        auto *box = qobject_cast<QCheckBox *>(c);
        const QString value = box ? QString(box->isChecked() ? "x" : "-")
                                  : c->property(qobject_cast<QComboBox *>(c) ? "currentText" : "text").toString();
        seen << value + (c->isEnabled() ? "" : " off");
    }
    return seen;
}
}

class TestDialogs : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }
    void cleanup() { removeAllNotes(); }

    // What the dialog shows for a note, opened from the keyboard; Tab visits every control that can
    // be used, once, in the order drawn, the check boxes too; Enter and Space press its buttons.
    void fill_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("devices");
        // Created, changed, Leitura, colour, date, time, advance, minutes, sound, Contínuo.
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("visits"); // by Tab, then the button closing it and its key
        const QString c = field(recordWith({}), DatCriacao);
        const QString all = "cmbCor DataAviso HoraAviso chkAtencendia txtMinutos chkContinuo cmbSom Ok Cancelar "
                            "chkLeitura";
        const QString noMinutes = QString(all).remove("txtMinutos ");
        // clang-format off
        const QString full = recordWith({{DatAlteracao, "06/12/2026 10:00"}, {Leitura, "S"}, {Cor, "3"}, {Aviso, "S"},
            {DataHoraAviso, "24/12/2026 18:30"}, {Minutos, "15"}, {Som, "8"}, {Continuo, "S"}});
        QTest::newRow("full") << full << 1
            << QStringList{c, "06/12/2026 10:00", "x", "Ciano", "24/12/2026", "18:30", "x", "15", "Pnaum-Pnaum", "x"}
            << all + "; Ok Enter";
        QTest::newRow("one minute ahead") << recordWith({{Minutos, "1"}, {Cor, "7"}}) << 1
            << QStringList{c, "", "-", "Vermelho", "", "", "x", "1", "Nenhum", "-"} << all + "; Cancelar Space";
        QTest::newRow("damaged") << recordWith({{Cor, "azul"}, {Minutos, "x"}, {Som, "?"}}) << 1
            << QStringList{c, "", "-", "", "", "", "-", " off", "", "-"} << noMinutes + "; Cancelar Space";
        QTest::newRow("no sound device") << recordWith({{Som, "5"}, {Continuo, "S"}}) << 0
            << QStringList{c, "", "-", "Amarelo", "", "", "-", " off", "Nenhum off", "- off"}
            << QString(noMinutes).remove("chkContinuo cmbSom ") + "; Ok Enter";
        // clang-format on
    }

    void fill()
    {
        QFETCH(QString, record);
        QFETCH(int, devices);
        QFETCH(QString, visits);
        const QStringList button = visits.section("; ", 1).split(' ');
        platform.sound.devices = devices;
        frmLembrete *note = activeNote({}).release(); // disposed by cleanup, its alarm with it
        note->setValue(NoteValue::fromRecord(record));
        QStringList seen, visited;
        inDialog([&](QWidget *w) {
            seen = shown(w);
            do {
                visited << focused();
                key(Qt::Key_Tab);
            } while (focused() != "cmbCor" && visited.size() < 20);
            control(w, qPrintable(button[0]))->setFocus(); // the walk showed Tab reaches it
            key(button[1] == "Enter" ? Qt::Key_Return : Qt::Key_Space);
            visited << (w->isVisible() ? "open" : "closed");
        });
        for (int i = 0; i < 3; ++i)
            key(Qt::Key_Tab, Qt::ControlModifier); // to the properties picture
        key(Qt::Key_Return);
        QTEST(seen, "expected");
        QCOMPARE(visited.join(' '), visits.section("; ", 0, 0) + " closed");
        QCOMPARE(platform.sound.played, QStringList()); // showing the stored sound does not play it
    }

    // The alarm's boxes typed key by key, each key going to whichever box has the focus as with a
    // person typing on; Okay refuses what cannot be an alarm and sends the person to the box to
    // mend. What it takes goes into the note in the form that rings, and only what the person
    // changed: an alarm that rang and a colour changed on another machine while the dialog was
    // open stay as they are now. Cancelar leaves the note alone, and the pinned notes back on top.
    void edit_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("steps"); // as doInDialog takes them
        // A dialog left open: its date|time|advance|minutes, "@" the focus, what it said. Closed: the
        // note's alarm and attribute fields; whether it and another pinned note are on top (+); when
        // it rings; whether it takes typing; sounds heard.
        QTest::addColumn<QString>("after");
        const auto row = [](const char *name, const QString &record, const char *steps, const char *after) {
            QTest::newRow(name) << record << QString(steps) << QString(after);
        };
        const QString plain = recordWith({});
        // Anything but a digit is refused where a digit must go; the separators come by themselves.
        row("letters refused", plain, "DataAviso:a/12a05b2x0a2-6", "12/05/2026||-| off @HoraAviso");
        row("slash typed again", plain, "DataAviso:12\b/0", "12/0||-| off @DataAviso");
        row("time digits only", plain, "HoraAviso:a1x8h3 0", "|18:30|-| off @Ok");
        row("minutes digits only", plain, "chkAtencendia|txtMinutos:-1a53", "||x|15 @txtMinutos");
        row("Escape and Enter press nothing", plain, "chkLeitura:\033\r", "||-| off @chkLeitura");
        row("advance unticked", plain, "chkAtencendia|txtMinutos:15|chkAtencendia", "||-| off @chkAtencendia");
        row("no such day", plain, "DataAviso:31022026|HoraAviso:1000|Ok",
            "31/02/2026|10:00|-| off @DataAviso; Data Inválida");
        row("date without time", plain, "DataAviso:24122026|Ok", "24/12/2026||-| off @HoraAviso; Informe a Hora !");
        row("hour 24", plain, "DataAviso:24122026|HoraAviso:2400|Ok",
            "24/12/2026|24:00|-| off @HoraAviso; Hora Inválida");
        row("time without date", plain, "HoraAviso:1830|Ok", "|18:30|-| off @DataAviso; Informe a Data !");
        row("advance, no minutes", plain, "chkAtencendia|Ok",
            "||x| @txtMinutos; Informe em Minutos a Antecedência para o Alarme !");
        // A paste gets past the keys' filter, and Okay will not take it for 0 minutes.
        row("advance pasted as 1h", plain, "chkAtencendia|txtMinutos<1h|Ok",
            "||x|1h @txtMinutos; Informe em Minutos a Antecedência para o Alarme !");
        row("alarm set", plain, "DataAviso:241220261830|chkAtencendia|txtMinutos:15|cmbCor:C|cmbSom:B|chkContinuo|Ok",
            "05/12/2026 09:07|S|24/12/2026 18:30|N|3|15|S|5; on top -+; rings 24/12/2026 18:15; types; BLIP");
        row("pinned, locked", recordWith({{Fixo, "S"}}), "chkLeitura|Ok",
            "05/12/2026 09:07|N||S|0|0|N|0; on top ++; rings never; locked; ");
        row("freed", recordWith({{Leitura, "S"}}), "chkLeitura|Ok",
            "05/12/2026 09:07|N||N|0|0|N|0; on top -+; rings never; types; ");
        const QString alarm = recordWith({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 09:10"}, {Som, "1"}, {Fixo, "S"}});
        row("rung and recoloured meanwhile", alarm, "rings|recoloured|Ok",
            "05/12/2026 09:10|N||N|6|0|N|1; on top ++; rings never; types; TIC TIC TIC");
        row("cancelled", alarm, "chkLeitura|DataAviso:\b|Cancelar",
            "|S|05/12/2026 09:10|N|0|0|N|1; on top ++; rings 05/12/2026 09:10; types; ");
    }

    void edit()
    {
        QFETCH(QString, record);
        QFETCH(QString, steps);
        auto other = noteWith({{Fixo, "S"}});
        frmLembrete *note = activeNote({}).release();  // disposed by cleanup, its alarm with it
        note->setValue(NoteValue::fromRecord(record)); // even one the loader would set aside
        QStringList seen;
        inDialog([&](QWidget *w) {
            doInDialog(platform, note, w, steps);
            if (frmProp::instance().window() == w && w->isVisible())
                seen << shown(w).mid(4, 4).join('|') + " @" + focused() << platform.messages.shown;
        });
        clickChild(note, "Propriedade");
        if (seen.isEmpty()) {
            const QDateTime wake = AlarmClock::instance().nextWake();
            QTRY_COMPARE(QApplication::activeWindow(), note); // the keys go on into the note, typed or not
            QCOMPARE(focused(), QString("txtTexto"));
            key(Qt::Key_X);
            const bool types = note->findChild<QPlainTextEdit *>("txtTexto")->toPlainText() == "x";
            QStringList fields;
            for (int f : {DatAlteracao, Aviso, DataHoraAviso, Leitura, Cor, Minutos, Continuo, Som})
                fields << field(note->value().toRecord(), f);
            auto onTop = [](QWidget *n) { return n->windowHandle()->flags() & Qt::WindowStaysOnTopHint ? '+' : '-'; };
            seen = QStringList{fields.join('|'), QString("on top ") + onTop(note) + onTop(other.get()),
                               "rings " + (wake.isValid() ? wake.toLocalTime().toString("dd/MM/yyyy HH:mm") : "never"),
                               types ? "types" : "locked", platform.sound.played.join(' ')};
        }
        QTEST(seen.join("; "), "after");
    }

    // The maker's links open by a click, or from the keyboard (Tab, then Space or Enter) named for
    // a screen reader; the dialog stays open until Okay (Alt+O).
    void linksAndOkay()
    {
        QStringList seen;
        QTimer::singleShot(50, [&] {
            QWidget *w = frmSobre::current();
            QVERIFY(w && w->isVisible());
            QApplication::setActiveWindow(w);
            clickChild(w, "endereco");
            for (int pressKey : {Qt::Key_Space, Qt::Key_Return}) {
                key(Qt::Key_Tab);
                seen << focused() + " " + reader(QApplication::focusWidget())->text(QAccessible::Name);
                key(pressKey);
            }
            seen << QString(frmSobre::isOpen() ? "open" : "closed");
            QTest::keyClick(w->windowHandle(), Qt::Key_O, Qt::AltModifier); // "&Okay", as a shortcut
            seen << QString(QTest::qWaitFor([] { return !frmSobre::isOpen(); }, 1000) ? "closed" : "open");
            frmSobre::close(); // ends a failing run instead of hanging in the dialog
        });
        frmSobre::showModal(); // returns when the dialog has closed
        QCOMPARE(seen, QStringList({"endereco WebSite: https://www.borvane.com.br",
                                    "email E-mail: contato@borvane.com.br", "open", "closed"}));
        const QString web = "https://www.borvane.com.br";
        QCOMPARE(platform.shell.opened, QStringList({web, web, "mailto:contato@borvane.com.br"}));
    }

    // Ctrl+Tab and Ctrl+Shift+Tab go round the text and the pictures shown and usable, in the
    // order drawn; a click gives no picture the focus. Tab alone is typed into the text, or goes
    // on to the pictures from a locked one.
    void focusOrder_data()
    {
        QTest::addColumn<bool>("locked"); // and pinned, without an alarm
        QTest::addColumn<QString>("pictures");
        QTest::addColumn<QString>("tab"); // what Tab in the text does
        QTest::newRow("with an alarm") << false << "esconder Ponteiro Propriedade Lixeira Alarme imgEmail"
                                       << "\t";
        QTest::newRow("pinned, locked") << true << "esconder Ponteiro2 Propriedade imgEmail"
                                        << "esconder";
    }

    void focusOrder()
    {
        QFETCH(bool, locked);
        QFETCH(QString, pictures);
        const QStringList order = pictures.split(' ');
        auto note = locked ? activeNote({{Fixo, "S"}, {Leitura, "S"}})
                           : activeNote({{Aviso, "S"}, {DataHoraAviso, "05/12/2026 14:30"}});
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
        QTest::newRow("delete") << 4 << "Excluir Lembrete: asks, focus cmdExcNao";
        QTest::newRow("e-mail") << 5 << "Enviar Lembrete por Email: mail, focus imgEmail";
    }

    void pressPicture()
    {
        QFETCH(int, steps);
        QFETCH(QString, effect);
        for (const QString how : {"Space", "Enter", "reader"}) {
            platform.shell.opened.clear();
            auto note = activeNote({});
            QTest::keyClicks(QApplication::focusWidget(), "1 & 2 # 50% ? +");
            key(Qt::Key_Return);
            QTest::keyClicks(QApplication::focusWidget(), "fim");
            for (int i = 0; i < steps; ++i)
                key(Qt::Key_Tab, Qt::ControlModifier);
            QAccessibleInterface *picture = reader(QApplication::focusWidget());
            QCOMPARE(picture->text(QAccessible::Name), effect.section(": ", 0, 0));
            QCOMPARE(picture->role(), QAccessible::Button);
            how == "reader" ? press(QApplication::focusWidget()) : key(how == "Space" ? Qt::Key_Space : Qt::Key_Return);
            QWidget *question = note->findChild<QWidget *>("fraExclusao");
            const QString mail = "mailto:?subject=Lembrete%20!!!&body=1%20%26%202%20%23%2050%25%20%3F%20%2B%0D%0Afim"
                                 "%0D%0A%0D%0APrograma%20Quadrelo%202.0%20-%20www.borvane.com.br";
            const QString did = QString(note->isHidden() ? "hidden, " : "") + (note->isPinned() ? "pinned, " : "")
                                + (question && question->isVisible() ? "asks, " : "")
                                + (platform.shell.opened == QStringList{mail} ? "mail, " : "");
            QCOMPARE(did + "focus " + note->focusWidget()->objectName(), effect.section(": ", 1));
            if (question && question->isVisible()) {
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
        QTest::newRow("bell") << "Alarme=Alarme: 05/12/2026 14:30";
        QTest::newRow("date") << "DataAviso=Data";
        QTest::newRow("minutes") << "txtMinutos=Avisar com antecedência de (min.)";
        QTest::newRow("colour") << "cmbCor=Cor Lembrete: Amarelo";
        QTest::newRow("sound, none readable") << "cmbSom=Tocar Som de";
        QTest::newRow("created") << "lblDatCriacao=Data Criação: 01/12/2026 10:00";
        QTest::newRow("changed, blank") << "lblDatAlteracao=Data Alteração";
    }

    void names()
    {
        QFETCH(QString, named);
        const QString control = named.section('=', 0, 0);
        auto note = activeNote(
            {{Texto, "  Comprar pão\r\nleite"}, {Som, "?"}, {Aviso, "S"}, {DataHoraAviso, "05/12/2026 14:30"}});
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
        QVERIFY(!reader(noteWith({}).get())->text(QAccessible::Name).trimmed().isEmpty()); // an empty note too
        inDialog(look);
        press(note->findChild<QWidget *>("Propriedade"));
        QCOMPARE(name, named.section('=', 1));
        QCOMPARE(unnamed.join(","), QString());
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
