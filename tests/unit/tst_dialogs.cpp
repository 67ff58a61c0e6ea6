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
#include <QLabel>
#include <QLineEdit>
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

// A note holding `record` (even one the loader would set aside) whose properties picture is
// clicked; `act` runs in the dialog.
frmLembrete *editProperties(const QString &record, const std::function<void(frmLembrete *, QWidget *)> &act)
{
    frmLembrete *note = activeNote({}).release();
    note->setValue(NoteValue::fromRecord(record));
    inDialog([note, &act](QWidget *w) { act(note, w); });
    clickChild(note, "Propriedade");
    return note;
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

// What the dialog shows: "x" checked, "-" unchecked, "off" disabled.
QStringList shown(QWidget *w)
{
    auto off = [](QWidget *c) { return QString(c->isEnabled() ? "" : " off"); };
    auto check = [&](const char *name) {
        auto *box = control<QCheckBox>(w, name);
        return QString(box->isChecked() ? "x" : "-") + off(box);
    };
    auto *minutes = control<QLineEdit>(w, "txtMinutos");
    auto *sound = control<QComboBox>(w, "cmbSom");
    return {control<QLabel>(w, "lblDatCriacao")->text(),
            control<QLabel>(w, "lblDatAlteracao")->text(),
            "Leitura " + check("chkLeitura"),
            control<QComboBox>(w, "cmbCor")->currentText(),
            control<QLineEdit>(w, "DataAviso")->text() + " " + control<QLineEdit>(w, "HoraAviso")->text(),
            "Antecedência " + check("chkAtencendia") + " [" + minutes->text() + "]" + off(minutes),
            sound->currentText() + off(sound),
            "Contínuo " + check("chkContinuo")};
}
}

class TestDialogs : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }
    void cleanup()
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *note = qobject_cast<frmLembrete *>(w)) {
                note->dispose(); // its alarm leaves the clock
                delete note;
            }
    }

    void fill_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("devices");
        QTest::addColumn<QStringList>("expected");
        const QString c = field(recordWith({}), DatCriacao);
        // clang-format off
        const QString full = recordWith({{DatAlteracao, "06/12/2026 10:00"}, {Leitura, "S"}, {Cor, "3"}, {Aviso, "S"},
            {DataHoraAviso, "24/12/2026 18:30"}, {Minutos, "15"}, {Som, "5"}, {Continuo, "S"}});
        QTest::newRow("full") << full << 1 << QStringList{c, "06/12/2026 10:00", "Leitura x", "Ciano",
            "24/12/2026 18:30", "Antecedência x [15]", "Blip-Blip", "Contínuo x"};
        QTest::newRow("one minute ahead") << recordWith({{Minutos, "1"}, {Cor, "7"}}) << 1
            << QStringList{c, "", "Leitura -", "Vermelho", " ", "Antecedência x [1]", "Nenhum", "Contínuo -"};
        QTest::newRow("damaged") << recordWith({{Cor, "azul"}, {Minutos, "x"}, {Som, "?"}}) << 1
            << QStringList{c, "", "Leitura -", "", " ", "Antecedência - [] off", "", "Contínuo -"};
        QTest::newRow("no sound device") << recordWith({{Som, "5"}, {Continuo, "S"}}) << 0
            << QStringList{c, "", "Leitura -", "Amarelo", " ", "Antecedência - [] off", "Nenhum off", "Contínuo - off"};
        // clang-format on
    }

    void fill()
    {
        QFETCH(QString, record);
        QFETCH(int, devices);
        platform.sound.devices = devices;
        QStringList seen;
        editProperties(record, [&](frmLembrete *, QWidget *w) { seen = shown(w); });
        QTEST(seen, "expected");
        QCOMPARE(platform.sound.played, QStringList()); // showing the stored sound does not play it
    }

    // The alarm's date, time and minutes boxes typed key by key, each key going to whichever box
    // has the focus as with a person typing on; then Okay refuses what cannot be an alarm.
    void typing_data()
    {
        QTest::addColumn<QString>("keys");      // as doInDialog takes them
        QTest::addColumn<QStringList>("texts"); // date, time, minutes afterwards, and where the focus is
        QTest::addColumn<QString>("message");   // what Okay says (it stays open), if clicked
        const auto row = [](const char *name, const char *keys, const QStringList &texts, const char *message = "") {
            QTest::newRow(name) << QString(keys) << texts << QString(message);
        };
        row("date then time", "DataAviso:241220261830", {"24/12/2026", "18:30", "", "Ok"});
        // Anything but a digit is refused where a digit must go; the separators come by themselves.
        row("letters refused", "DataAviso:a/12a05b2x0a2-6", {"12/05/2026", "", "", "HoraAviso"});
        row("slash typed again", "DataAviso:12\b/0", {"12/0", "", "", "DataAviso"});
        row("time digits only", "HoraAviso:a1x8h3 0", {"", "18:30", "", "Ok"});
        row("minutes digits only", "chkAtencendia|txtMinutos:-1a5", {"", "", "15", "txtMinutos"});
        row("no such day", "DataAviso:31022026|HoraAviso:1000|Ok", {"31/02/2026", "10:00", "", "DataAviso"},
            "Data Inválida");
        row("date without time", "DataAviso:24122026|Ok", {"24/12/2026", "", "", "HoraAviso"}, "Informe a Hora !");
        row("hour 24", "DataAviso:24122026|HoraAviso:2400|Ok", {"24/12/2026", "24:00", "", "HoraAviso"},
            "Hora Inválida");
        row("time without date", "HoraAviso:1830|Ok", {"", "18:30", "", "DataAviso"}, "Informe a Data !");
        const char *minutes = "Informe em Minutos a Antecedência para o Alarme !";
        row("advance, no minutes", "chkAtencendia|Ok", {"", "", "", "txtMinutos"}, minutes);
        // A paste gets past the keys' filter, and Okay will not take it for 0 minutes.
        row("advance pasted as 1h", "chkAtencendia|txtMinutos<1h|Ok", {"", "", "1h", "txtMinutos"}, minutes);
    }

    void typing()
    {
        QFETCH(QString, keys);
        QStringList texts;
        bool open = false;
        editProperties(recordWith({}), [&](frmLembrete *note, QWidget *w) {
            doInDialog(platform, note, w, keys.section("|Ok", 0, 0));
            texts = QStringList{control<QLineEdit>(w, "DataAviso")->text(), control<QLineEdit>(w, "HoraAviso")->text(),
                                control<QLineEdit>(w, "txtMinutos")->text(), focused()};
            if (keys.endsWith("|Ok")) {
                doInDialog(platform, note, w, "Ok");
                texts.last() = focused(); // where Okay sends the person to put it right
            }
            open = frmProp::instance().window() == w && w->isVisible();
        });
        QTEST(texts, "texts");
        QTEST(platform.messages.shown.join("; "), "message");
        QCOMPARE(open, !platform.messages.shown.isEmpty() || !keys.contains("Ok"));
    }

    // Okay leaves in the note what the person set in the dialog, in the form that rings, and only
    // that: an alarm that rang and a colour changed on another machine while the dialog was open
    // stay as they are now. Cancelar leaves the note alone.
    void okay_data()
    {
        QTest::addColumn<QString>("record"); // fields changed from recordWith({}): number=value, ";" between
        QTest::addColumn<QString>("steps");  // as doInDialog takes them
        QTest::addColumn<QString>("note");   // its alarm and attribute fields, when it rings, whether it takes typing
        const QString alarm = QString("%1=S;%2=05/12/2026 09:10").arg(Aviso).arg(DataHoraAviso);
        QTest::newRow("alarm set") << ""
                                   << "DataAviso:241220261830|chkAtencendia|txtMinutos:15|cmbSom:B|chkContinuo|Ok"
                                   << "05/12/2026 09:07|S|24/12/2026 18:30|N|0|15|S|5 rings 24/12/2026 18:15, types";
        QTest::newRow("locked") << ""
                                << "chkLeitura|Ok"
                                << "05/12/2026 09:07|N||S|0|0|N|0 rings never, locked";
        QTest::newRow("freed") << QString("%1=S").arg(Leitura) << "chkLeitura|Ok"
                               << "05/12/2026 09:07|N||N|0|0|N|0 rings never, types";
        QTest::newRow("rung and recoloured meanwhile") << alarm << "rings|recoloured|Ok"
                                                       << "05/12/2026 09:10|N||N|6|0|N|0 rings never, types";
        QTest::newRow("cancelled") << alarm << "chkLeitura|DataAviso:\b|Cancelar"
                                   << "|S|05/12/2026 09:10|N|0|0|N|0 rings 05/12/2026 09:10, types";
    }

    void okay()
    {
        QFETCH(QString, record);
        QFETCH(QString, steps);
        QList<QPair<int, QString>> fields;
        for (const QString &f : record.split(';', Qt::SkipEmptyParts))
            fields.append({f.section('=', 0, 0).toInt(), f.section('=', 1)});
        frmLembrete *note =
            editProperties(recordWith(fields), [&](frmLembrete *n, QWidget *w) { doInDialog(platform, n, w, steps); });
        const QDateTime wake = AlarmClock::instance().nextWake();
        auto *text = note->findChild<QPlainTextEdit *>("txtTexto");
        QTest::keyClick(text, Qt::Key_X);
        const QString typed = text->toPlainText();
        const bool deletable = !reader(note->findChild<QWidget *>("Lixeira"))->state().disabled;
        QCOMPARE(deletable, typed == "x");
        QStringList stored;
        for (int f : {DatAlteracao, Aviso, DataHoraAviso, Leitura, Cor, Minutos, Continuo, Som})
            stored << field(note->value().toRecord(), f);
        QTEST(stored.join('|') + " rings "
                  + (wake.isValid() ? wake.toLocalTime().toString("dd/MM/yyyy HH:mm") : "never")
                  + (typed == "x" ? ", types" : ", locked"),
              "note");
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
            auto note = activeNote({});
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
                                + (dialog ? "dialog, " : "") + (question && question->isVisible() ? "asks, " : "")
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
        QTest::newRow("note's text") << "txtTexto=Texto do lembrete";
        QTest::newRow("bell") << "Alarme=Alarme: 05/12/2026 14:30";
        QTest::newRow("date") << "DataAviso=Data";
        QTest::newRow("minutes") << "txtMinutos=Avisar com antecedência de (min.)";
        QTest::newRow("colour") << "cmbCor=Cor Lembrete: Azul";
        QTest::newRow("sound, none readable") << "cmbSom=Tocar Som de";
        QTest::newRow("created") << "lblDatCriacao=Data Criação: 01/12/2026 10:00";
        QTest::newRow("changed, blank") << "lblDatAlteracao=Data Alteração";
    }

    void names()
    {
        QFETCH(QString, named);
        const QString control = named.section('=', 0, 0);
        auto note = activeNote({{Texto, "  Comprar pão\r\nleite"},
                                {Cor, "1"},
                                {Aviso, "S"},
                                {DataHoraAviso, "05/12/2026 14:30"},
                                {Som, "?"}});
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
        auto note = activeNote({{Minutos, minutes}});
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

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
