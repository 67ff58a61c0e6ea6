// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs as a person uses them. Properties: what it shows for a note, what its boxes let
// through key by key, what Okay refuses, and what Okay and Cancelar leave in the note. About: its
// links and its Okay button.
#include "TestSupport.h"
#include "dialogs/frmProp.h"
#include "dialogs/frmSobre.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <functional>

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

// Calls `act` once the window `current` gives shows: the dialogs run an event loop of their own.
std::unique_ptr<QTimer> whenShown(const std::function<QWidget *()> &current, const std::function<void(QWidget *)> &act)
{
    auto poll = std::make_unique<QTimer>();
    QObject::connect(poll.get(), &QTimer::timeout, [p = poll.get(), current, act] {
        if (QWidget *w = current(); w && w->isVisible())
            p->stop(), act(w);
    });
    poll->start(10);
    return poll;
}

// Puts a note holding `record` (even one the loader would set aside) on the desktop, wired to the
// dialog as the note windows are, and clicks its properties picture; `act` runs once the dialog
// shows. A dialog `act` leaves open is cancelled, so a failing test cannot hang in its loop.
frmLembrete *editProperties(const QString &record, const std::function<void(frmLembrete *, QWidget *)> &act)
{
    auto *note = new frmLembrete;
    note->setUp(NoteValue::fromRecord(recordWith({})));
    note->setValue(NoteValue::fromRecord(record));
    QObject::connect(note, &frmLembrete::propertiesRequested, [](frmLembrete *n) { frmProp::instance().mostrar(n); });
    note->show();
    const auto poll = whenShown([] { return frmProp::instance().window(); },
                                [note, &act](QWidget *w) {
                                    act(note, w);
                                    if (frmProp::instance().window() == w)
                                        control<QPushButton>(w, "Cancelar")->click();
                                });
    clickChild(note, "Propriedade");
    return note;
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
            delete qobject_cast<frmLembrete *>(w);
    }

    void fill_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("devices");
        QTest::addColumn<QStringList>("expected");
        const QString c = field(recordWith({}), DatCriacao);
        QTest::newRow("full") << recordWith({{DatAlteracao, "06/12/2026 10:00"},
                                             {Leitura, "S"},
                                             {Cor, "3"},
                                             {Aviso, "S"},
                                             {DataHoraAviso, "24/12/2026 18:30"},
                                             {Minutos, "15"},
                                             {Som, "5"},
                                             {Continuo, "S"}})
                              << 1 << QStringList{c,           "06/12/2026 10:00", "Leitura x",
                                                  "Ciano",     "24/12/2026 18:30", "Antecedência x [15]",
                                                  "Blip-Blip", "Contínuo x"};
        QTest::newRow("one minute ahead")
            << recordWith({{Minutos, "1"}, {Cor, "7"}}) << 1
            << QStringList{c, "", "Leitura -", "Vermelho", " ", "Antecedência x [1]", "Nenhum", "Contínuo -"};
        QTest::newRow("damaged") << recordWith({{Cor, "azul"}, {Minutos, "x"}, {Som, "?"}}) << 1
                                 << QStringList{c, "", "Leitura -", "", " ", "Antecedência - [] off", "", "Contínuo -"};
        QTest::newRow("no sound device")
            << recordWith({{Som, "5"}, {Continuo, "S"}}) << 0
            << QStringList{c, "", "Leitura -", "Amarelo", " ", "Antecedência - [] off", "Nenhum off", "Contínuo - off"};
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

    void okayRefuses_data()
    {
        QTest::addColumn<QString>("typed"); // date and time, each as typed
        QTest::addColumn<bool>("advance");
        QTest::addColumn<QString>("message");
        QTest::newRow("no such day") << "31022026 1000" << false << "Data Inválida";
        QTest::newRow("date without time") << "24122026 " << false << "Informe a Hora !";
        QTest::newRow("hour 24") << "24122026 2400" << false << "Hora Inválida";
        QTest::newRow("time without date") << " 1830" << false << "Informe a Data !";
        QTest::newRow("advance, no minutes") << " " << true << "Informe em Minutos a Antecedência para o Alarme !";
    }

    void okayRefuses()
    {
        QFETCH(QString, typed);
        QFETCH(bool, advance);
        bool stayedOpen = false;
        editProperties(recordWith({}), [&](frmLembrete *, QWidget *w) {
            QTest::keyClicks(control(w, "DataAviso"), typed.section(' ', 0, 0));
            QTest::keyClicks(control(w, "HoraAviso"), typed.section(' ', 1));
            if (advance)
                QTest::mouseClick(control(w, "chkAtencendia"), Qt::LeftButton);
            QTest::mouseClick(control(w, "Ok"), Qt::LeftButton);
            stayedOpen = frmProp::instance().window() == w && w->isVisible();
        });
        QVERIFY(stayedOpen);
        QTEST(platform.messages.shown.join("; "), "message");
    }

    // Okay applies what the person changed in the dialog onto the note as it is then: a change
    // made on another machine during the edit stays, and a note deleted there gets nothing.
    void okayOrCancelar_data()
    {
        QTest::addColumn<QString>("button"); // and "changed" or "deleted" elsewhere during the edit
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("bell"); // its tip, or "hidden"
        const QList<QPair<int, QString>> okay{{DatAlteracao, "06/12/2026 10:20"},
                                              {Aviso, "S"},
                                              {DataHoraAviso, "01/01/2027 00:10"},
                                              {Leitura, "S"},
                                              {Cor, "3"},
                                              {Minutos, "15"},
                                              {Continuo, "S"},
                                              {Som, "5"}};
        QTest::newRow("Ok") << "Ok" << recordWith(okay) << "31/12/2026 23:55";
        QTest::newRow("Cancelar") << "Cancelar" << recordWith({{Som, "4"}}) << "hidden";
        QTest::newRow("Ok, changed elsewhere")
            << "Ok changed"
            << recordWith(
                   {{DatAlteracao, "06/12/2026 10:20"}, {Cor, "3"}, {Som, "6"}, {Leitura, "S"}, {Texto, "de lá"}})
            << "hidden";
        QTest::newRow("Ok, deleted elsewhere") << "Ok deleted" << recordWith({{Som, "4"}}) << "hidden";
    }

    void okayOrCancelar()
    {
        QFETCH(QString, button);
        const QString elsewhere = button.section(' ', 1);
        button = button.section(' ', 0, 0);
        platform.clock.current = QDateTime(QDate(2026, 12, 6), QTime(10, 20, 45));
        frmLembrete *note = editProperties(recordWith({{Som, "4"}}), [&](frmLembrete *edited, QWidget *w) {
            for (int i = 0; i < 3; ++i)
                QTest::keyClick(control(w, "cmbCor"), Qt::Key_Down);
            if (elsewhere == "changed") {
                // The person changes the colour only; the other fields come from elsewhere.
                edited->applyElsewhere(recordWith({{Som, "6"}, {Cor, "5"}, {Leitura, "S"}, {Texto, "de lá"}}));
                QTest::mouseClick(control(w, "Ok"), Qt::LeftButton);
                return;
            }
            QTest::mouseClick(control(w, "chkLeitura"), Qt::LeftButton);
            QTest::keyClicks(control(w, "DataAviso"), "01012027");
            QTest::keyClicks(control(w, "HoraAviso"), "0010");
            QTest::mouseClick(control(w, "chkAtencendia"), Qt::LeftButton);
            QTest::keyClicks(control(w, "txtMinutos"), "15");
            QTest::keyClick(control(w, "cmbSom"), Qt::Key_Down);
            QTest::mouseClick(control(w, "chkContinuo"), Qt::LeftButton);
            if (elsewhere == "deleted")
                edited->dispose();
            QTest::mouseClick(control(w, qPrintable(button)), Qt::LeftButton);
        });
        QCOMPARE(platform.sound.played, elsewhere == "changed" ? QStringList() : QStringList{"BLIP"}); // heard at once
        QTEST(note->value().toRecord(), "record");
        const QWidget *bell = note->findChild<QWidget *>("Alarme");
        QTEST(bell->isVisible() ? bell->toolTip() : "hidden", "bell");
    }

    // The keystroke masks of the alarm date, time and minutes boxes, typed key by key.
    void typing_data()
    {
        QTest::addColumn<QString>("keys");      // typed from the box named before ":"; "\b" is Backspace
        QTest::addColumn<QStringList>("texts"); // date, time, minutes afterwards
        QTest::addColumn<QString>("focus");
        // Each key goes to whichever box has the focus, as with a person typing on.
        QTest::newRow("date then time") << "DataAviso:241220261830" << QStringList{"24/12/2026", "18:30", ""} << "Ok";
        QTest::newRow("letter first") << "DataAviso:a/1" << QStringList{"1", "", ""} << "DataAviso";
        QTest::newRow("letter after slash") << "DataAviso:12a" << QStringList{"12/", "", ""} << "DataAviso";
        QTest::newRow("letter at 7") << "DataAviso:12052x" << QStringList{"12/05/2", "", ""} << "DataAviso";
        QTest::newRow("letter at 8") << "DataAviso:120520a" << QStringList{"12/05/20", "", ""} << "DataAviso";
        QTest::newRow("letter at 9") << "DataAviso:1205202-" << QStringList{"12/05/202", "", ""} << "DataAviso";
        QTest::newRow("slash typed again") << "DataAviso:12\b/0" << QStringList{"12/0", "", ""} << "DataAviso";
        QTest::newRow("time digits only") << "HoraAviso:a1x8h3 0" << QStringList{"", "18:30", ""} << "Ok";
        QTest::newRow("minutes digits only") << "txtMinutos:-1a5" << QStringList{"", "", "15"} << "txtMinutos";
    }

    void typing()
    {
        QFETCH(QString, keys);
        const QString box = keys.section(':', 0, 0);
        frmPropWindow w;
        w.show();
        auto *date = w.findChild<QLineEdit *>("DataAviso");
        auto *time = w.findChild<QLineEdit *>("HoraAviso");
        auto *minutes = w.findChild<QLineEdit *>("txtMinutos");
        QVERIFY(date && time && minutes);
        minutes->setEnabled(true); // the dialog enables it with the advance warning
        w.findChild<QWidget *>(box)->setFocus();
        for (QChar c : keys.section(':', 1))
            c == u'\b' ? QTest::keyClick(w.focusWidget(), Qt::Key_Backspace)
                       : QTest::keyClick(w.focusWidget(), c.toLatin1());
        QTEST(QStringList({date->text(), time->text(), minutes->text()}), "texts");
        QTEST(w.focusWidget()->objectName(), "focus");
    }

    void linksAndOkay()
    {
        bool openAfterLinks = false, closedByOkay = false;
        const auto poll = whenShown(frmSobre::current, [&](QWidget *w) {
            clickChild(w, "endereco");
            clickChild(w, "email");
            openAfterLinks = frmSobre::isOpen();
            clickChild(w, "Command1");
            closedByOkay = !frmSobre::isOpen();
            frmSobre::close(); // ends a failing run instead of hanging in the dialog
        });
        frmSobre::showModal(); // returns when the dialog has closed
        QCOMPARE(platform.shell.opened, QStringList({"https://www.borvane.com.br", "mailto:contato@borvane.com.br"}));
        QVERIFY(openAfterLinks);
        QVERIFY(closedByOkay);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
