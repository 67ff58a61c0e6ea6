// The properties dialog: design, fill, placement, Okay's checks, apply, cancel and show all.
#include "TestSupport.h"
#include "alarm/AlarmCheck.h"
#include "dialogs/frmProp.h"
#include "dialogs/frmSobre.h"
#include "note/ClickLabel.h"
#include "note/frmLembrete.h"
#include "records/NoteRecord.h"
#include "shell/frmPrincipal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <functional>

using namespace NoteRecord;

namespace {
// One edit of `note`: `act` runs once the dialog is up and is expected to close it. A dialog
// left open is cancelled after a while, so a failing test cannot hang.
void edit(frmLembrete *note, const std::function<void(frmPropWindow *)> &act)
{
    frmProp &p = frmProp::instance();
    QTimer::singleShot(0, [&p, act] { act(p.window()); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&p] {
        if (p.window())
            p.window()->Cancelar->click();
    });
    guard.start(5000);
    p.mostrar(note);
}

// A new note's record with some fields changed.
QString recordWith(const QMap<int, QString> &changes)
{
    QString r = newNoteRecord(QDateTime(QDate(2026, 1, 1), QTime(8, 0)));
    for (auto it = changes.begin(); it != changes.end(); ++it)
        r = ReplaceField(r, quint8(it.key()), it.value());
    return r;
}

bool isTopmost(QWidget *w) { return w->windowHandle() && (w->windowHandle()->flags() & Qt::WindowStaysOnTopHint); }
}

class TestFrmProp : public QObject {
    Q_OBJECT
    TestPlatform platform;

private slots:
    void init() { platform.reset(); }

    void design()
    {
        frmPropWindow w;
        QCOMPARE(w.windowTitle(), QString("Propriedades do Lembrete"));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        const Qt::WindowFlags buttons = Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint
                                        | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint;
        QVERIFY(!(w.windowFlags() & buttons));
        QCOMPARE(w.FraGeral->title(), QString("  Gerais   "));
        QCOMPARE(w.fraAtributos->title(), QString("  Atributos   "));
        QCOMPARE(w.Frame1->title(), QString("  Alarme   "));
        QCOMPARE(w.chkAtencendia->text(), QString("Avisar com antecedência de "));
        QCOMPARE(w.cmbCor->count(), 8);
        QCOMPARE(w.cmbCor->itemText(5), QString("Púrpura"));
        QCOMPARE(w.cmbSom->count(), 9);
        QCOMPARE(w.cmbCor->currentIndex(), -1);
        QCOMPARE(w.cmbSom->currentIndex(), -1);
        QCOMPARE(w.DataAviso->maxLength(), 10);
        QCOMPARE(w.HoraAviso->maxLength(), 5);
        QCOMPARE(w.txtMinutos->maxLength(), 2);
        QCOMPARE(w.Ok->text(), QString("&Okay"));
        QCOMPARE(w.Cancelar->text(), QString("&Cancelar"));
        QVERIFY(!w.Ok->autoDefault() && !w.Cancelar->autoDefault());
        // Tab cycles the seven entry controls only, from the colour list.
        QCOMPARE(w.focusWidget(), w.cmbCor);
        QList<QWidget *> chain;
        QWidget *at = w.cmbCor;
        do {
            if (at->focusPolicy() & Qt::TabFocus && at->isEnabled())
                chain << at;
            at = at->nextInFocusChain();
        } while (at != w.cmbCor && chain.size() < 50);
        QCOMPARE(chain, (QList<QWidget *>{w.cmbCor, w.DataAviso, w.HoraAviso, w.txtMinutos, w.cmbSom, w.Ok, w.Cancelar}));
    }

    void enterAndEscapePressNothing()
    {
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        bool stillOpen = false;
        edit(note, [&](frmPropWindow *w) {
            QTest::keyClick(w->Ok, Qt::Key_Return);
            QTest::keyClick(w->DataAviso, Qt::Key_Enter);
            QTest::keyClick(w->cmbCor, Qt::Key_Escape);
            QTest::keyClick(w->Cancelar, Qt::Key_Escape);
            stillOpen = w->isVisible() && frmProp::instance().mConfirmado == 0;
            w->Cancelar->click();
        });
        QVERIFY(stillOpen);
    }

    void fillPreviewAndCancel()
    {
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        note->Ponteiro_Click(); // pinned
        const QString before = recordWith({{DatAlteracao, "02/01/2026 09:00"}, {Aviso, "S"},
                                           {DataHoraAviso, "05/12/2026 14:30"}, {Leitura, "S"}, {Cor, "3"},
                                           {Minutos, "15"}, {Continuo, "S"}, {Som, "5"}});
        note->setRecord(before);
        QStringList seen;
        QStringList playedAtOpen;
        edit(note, [&](frmPropWindow *w) {
            playedAtOpen = platform.sound.played;
            seen << w->lblDatCriacao->text() << w->lblDatAlteracao->text() << QString::number(w->chkLeitura->isChecked())
                 << QString::number(w->cmbCor->currentIndex()) << QString::number(w->chkAtencendia->isChecked())
                 << w->txtMinutos->text() << QString::number(w->txtMinutos->isEnabled())
                 << QString::number(w->cmbSom->currentIndex()) << QString::number(w->chkContinuo->isChecked())
                 << w->DataAviso->text() << w->HoraAviso->text();
            // The user's choices: a sound is previewed, "Nenhum" plays nothing.
            w->cmbSom->setCurrentIndex(1);
            w->cmbSom->setCurrentIndex(0);
            // Unchecking the warning clears the minutes; checking again leaves them empty.
            w->chkAtencendia->setChecked(false);
            w->chkAtencendia->setChecked(true);
            seen << w->txtMinutos->text() << QString::number(w->txtMinutos->isEnabled());
            w->chkLeitura->setChecked(false);
            w->cmbCor->setCurrentIndex(6);
            w->DataAviso->clear();
            w->Cancelar->click();
        });
        QCOMPARE(seen, (QStringList{"01/01/2026 08:00", "02/01/2026 09:00", "1", "3", "1", "15", "1", "5", "1",
                                    "05/12/2026", "14:30", "", "1"}));
        QVERIFY(playedAtOpen.isEmpty());
        QCOMPARE(platform.sound.played, QStringList{"TIC"});
        QCOMPARE(note->record(), before);
        QCOMPARE(frmProp::instance().mConfirmado, qint16(0));
        QVERIFY(isTopmost(note));
        QVERIFY(!frmProp::instance().window());
    }

    void newNoteFill()
    {
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        QStringList seen;
        edit(note, [&](frmPropWindow *w) {
            seen << w->lblDatAlteracao->text() << w->DataAviso->text() << w->HoraAviso->text()
                 << QString::number(w->chkAtencendia->isChecked()) << w->txtMinutos->text()
                 << QString::number(w->txtMinutos->isEnabled()) << QString::number(w->cmbCor->currentIndex())
                 << QString::number(w->cmbSom->currentIndex());
            w->Cancelar->click();
        });
        QCOMPARE(seen, (QStringList{"", "", "", "0", "", "0", "0", "0"}));
    }

    void okayChecks_data()
    {
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("minutes"); // empty: the warning box unchecked; "-" checked and empty
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("caret");
        const int W = MessageBox::Warning, I = MessageBox::Information;
        QTest::newRow("no such day") << "31/02/2026" << "10:00" << "" << "Data Inválida" << W << "DataAviso" << 0;
        QTest::newRow("bad date before no time") << "31/04/2026" << "" << "" << "Data Inválida" << W << "DataAviso" << 0;
        QTest::newRow("not a leap year") << "29/02/2027" << "10:00" << "" << "Data Inválida" << W << "DataAviso" << 0;
        QTest::newRow("short form") << "5/12/2026" << "10:00" << "" << "Data Inválida" << W << "DataAviso" << 0;
        QTest::newRow("no time") << "05/12/2026" << "" << "" << "Informe a Hora !" << I << "HoraAviso" << 0;
        QTest::newRow("blank time") << "05/12/2026" << "  " << "" << "Informe a Hora !" << I << "HoraAviso" << 0;
        QTest::newRow("hour 24") << "05/12/2026" << "24:00" << "" << "Hora Inválida" << W << "HoraAviso" << 0;
        QTest::newRow("minute 60") << "05/12/2026" << "14:60" << "" << "Hora Inválida" << W << "HoraAviso" << 0;
        QTest::newRow("bad time before no date") << "" << "93:" << "" << "Hora Inválida" << W << "HoraAviso" << 0;
        QTest::newRow("no date") << "" << "14:30" << "" << "Informe a Data !" << I << "DataAviso" << 0;
        QTest::newRow("blank date") << "   " << "14:30" << "" << "Informe a Data !" << I << "DataAviso" << 0;
        const QString minutesMessage = "Informe em Minutos a Antecedência para o Alarme !";
        QTest::newRow("no minutes") << "" << "" << "-" << minutesMessage << I << "txtMinutos" << 0;
        QTest::newRow("pasted letters") << "" << "" << "x5" << minutesMessage << I << "txtMinutos" << 1;
    }

    void okayChecks()
    {
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, minutes);
        QFETCH(QString, message);
        QFETCH(int, icon);
        QFETCH(QString, focus);
        QFETCH(int, caret);
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        const QString before = note->record();
        QString focusName;
        int caretAfter = -1;
        bool stillOpen = false;
        edit(note, [&](frmPropWindow *w) {
            w->DataAviso->setText(date);
            w->HoraAviso->setText(time);
            if (!minutes.isEmpty()) {
                w->chkAtencendia->setChecked(true);
                w->txtMinutos->setText(minutes == "-" ? QString() : minutes);
                w->txtMinutos->setCursorPosition(1);
            }
            w->Ok->click();
            if (QWidget *fw = w->focusWidget()) {
                focusName = fw->objectName();
                if (auto *box = qobject_cast<QLineEdit *>(fw))
                    caretAfter = box->cursorPosition();
            }
            stillOpen = w->isVisible();
            w->Cancelar->click();
        });
        QCOMPARE(platform.messages.texts(), QStringList{message});
        QCOMPARE(int(platform.messages.shown.first().icon), icon);
        QCOMPARE(focusName, focus);
        QCOMPARE(caretAfter, caret);
        QVERIFY(stillOpen);
        QCOMPARE(frmProp::instance().mConfirmado, qint16(0));
        QCOMPARE(note->record(), before);
    }

    void okayAppliesToTheNote()
    {
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        note->setRecord(recordWith({{Texto, "abc"}, {Som, "4"}}));
        // The way a user gets there: the note's properties picture.
        QTimer::singleShot(0, [&] {
            frmPropWindow *w = frmProp::instance().window();
            w->chkLeitura->setChecked(true);
            w->cmbCor->setCurrentIndex(7);
            w->DataAviso->setText("05/12/2026");
            w->HoraAviso->setText("14:30");
            w->chkAtencendia->setChecked(true);
            w->txtMinutos->setText("15");
            w->cmbSom->setCurrentIndex(2);
            w->chkContinuo->setChecked(true);
            w->Ok->click();
        });
        note->Propriedade_Click();
        frmProp &p = frmProp::instance();
        QCOMPARE(p.mConfirmado, qint16(1));
        QCOMPARE(p.mMinutos, qint16(15));
        QStringList fields = fieldsOf(note->record());
        QCOMPARE(fields.mid(0, 13), (QStringList{"01/01/2026 08:00", "05/12/2026 09:07", "N", "", "", "S",
                                                 "05/12/2026 14:30", "S", "abc", "7", "15", "S", "2"}));
        QCOMPARE(note->windowColor(), ColorFromIndex(7));
        QCOMPARE(note->textColor(), ColorFromIndex(7));
        QVERIFY(note->txtTexto->isReadOnly());
        QCOMPARE(note->txtTexto->toolTip(), QString("Lembrete Bloqueado!"));
        QVERIFY(!note->Lixeira->isEnabled());
        QVERIFY(note->Alarme->isVisibleTo(note));
        QCOMPARE(note->Alarme->toolTip(), AlarmDueText("05/12/2026 14:30", 15));
        QCOMPARE(note->Alarme->toolTip(), QString("05/12/2026 14:15"));

        // The next opening reads it all back; a date of blanks only then removes the alarm.
        platform.clock.current = platform.clock.current.addSecs(60);
        QStringList seen;
        edit(note, [&](frmPropWindow *w) {
            seen << QString::number(w->cmbCor->currentIndex()) << w->txtMinutos->text() << w->DataAviso->text()
                 << w->HoraAviso->text() << QString::number(w->cmbSom->currentIndex());
            w->chkLeitura->setChecked(false);
            w->DataAviso->setText("   ");
            w->HoraAviso->clear();
            w->txtMinutos->setText("0"); // checked with 0: accepted, and means no warning
            w->Ok->click();
        });
        QCOMPARE(seen, (QStringList{"7", "15", "05/12/2026", "14:30", "2"}));
        fields = fieldsOf(note->record());
        QCOMPARE(fields.at(DatAlteracao), QString("05/12/2026 09:08"));
        QCOMPARE(fields.at(Aviso), QString("N"));
        QCOMPARE(fields.at(DataHoraAviso), QString());
        QCOMPARE(fields.at(Leitura), QString("N"));
        QCOMPARE(fields.at(Minutos), QString("0"));
        QVERIFY(note->Alarme->isHidden());
        QCOMPARE(note->Alarme->toolTip(), QString());
        QVERIFY(!note->txtTexto->isReadOnly());
        QCOMPARE(note->txtTexto->toolTip(), QString());
        QVERIFY(note->Lixeira->isEnabled());
        bool warned = true;
        edit(note, [&](frmPropWindow *w) {
            warned = w->chkAtencendia->isChecked();
            w->Cancelar->click();
        });
        QVERIFY(!warned);
    }

    void noSoundDevice()
    {
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        note->setRecord(recordWith({{Som, "5"}, {Continuo, "S"}}));
        platform.sound.devices = 0;
        QStringList seen;
        edit(note, [&](frmPropWindow *w) {
            seen << QString::number(w->cmbSom->currentIndex()) << QString::number(w->cmbSom->isEnabled())
                 << QString::number(w->chkContinuo->isChecked()) << QString::number(w->chkContinuo->isEnabled());
            w->Ok->click();
        });
        QCOMPARE(seen, (QStringList{"0", "0", "0", "0"}));
        QCOMPARE(fieldsOf(note->record()).at(Som), QString("0"));
        QCOMPARE(fieldsOf(note->record()).at(Continuo), QString("N"));
    }

    void placement()
    {
        const QRectF screen(0, 0, 800 * 15, 600 * 15);
        QCOMPARE(frmProp::placement(0, 0, screen), QPointF(200, 200));
        // Near the bottom-right corner: 200 twips inside both edges.
        QCOMPARE(frmProp::placement(11000, 8000, screen), QPointF(12000 - 3900 - 200, 9000 - 4320 - 200));
        // Ending exactly on the bottom edge is not moved.
        QCOMPARE(frmProp::placement(0, 9000 - 4320 - 200, screen), QPointF(200, 9000 - 4320));
        // A second screen to the right: its own edges count, and the dialog stays on it.
        const QRectF right(12000, 0, 12000, 9000);
        QCOMPARE(frmProp::placement(23000, 100, right), QPointF(24000 - 3900 - 200, 300));
        QCOMPARE(frmProp::placement(11000, -3000, right), QPointF(12000, 0));

        // The window itself, for a note in the corners of the (offscreen) screen.
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        const QRect area = note->screen()->availableGeometry();
        QPoint at;
        auto where = [&at](frmPropWindow *w) {
            at = w->pos();
            w->Cancelar->click();
        };
        note->move(area.topLeft());
        edit(note, where);
        QCOMPARE(at, area.topLeft() + QPoint(13, 13));
        note->move(area.bottomRight() - QPoint(50, 50));
        edit(note, where);
        QCOMPARE(at, QPoint(area.right() + 1 - 260 - 13, area.bottom() + 1 - 288 - 13));
    }

    void showAllAboutAndNewNoteDuringAnEdit()
    {
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        frmLembrete *hidden = f.shell->novo_Click();
        hidden->hide();
        bool aboutOpened = false, reshown = false, hiddenShown = false;
        QString kept;
        edit(note, [&](frmPropWindow *w) {
            w->DataAviso->setText("05/12/2026");
            w->HoraAviso->setText("14:30");
            // About over the dialog, closed again; and a new note from the tray.
            QTimer::singleShot(0, [&] {
                aboutOpened = frmSobre::isOpen();
                frmSobre::close();
            });
            f.shell->sobre_Click();
            f.shell->novo_Click();
            // Show all hides the dialog, shows the notes and shows the dialog again until it closes.
            QTimer::singleShot(0, [&, w] {
                reshown = w->isVisible();
                hiddenShown = hidden->isVisible();
                kept = w->DataAviso->text() + " " + w->HoraAviso->text();
                w->Ok->click();
            });
            f.shell->mostrar_Click();
        });
        QVERIFY(aboutOpened);
        QVERIFY(reshown);
        QVERIFY(hiddenShown);
        QCOMPARE(kept, QString("05/12/2026 14:30"));
        QCOMPARE(fieldsOf(note->record()).at(DataHoraAviso), QString("05/12/2026 14:30"));
        QCOMPARE(f.shell->notes().size(), 3);
    }

    void damagedRecords_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QStringList>("shown"); // colour, minutes box checked, sound, date, time
        QTest::newRow("no separator") << "Form1" << QStringList{"-1", "0", "-1", "", ""};
        QTest::newRow("short") << recordOf({"01/01/2026 08:00", "", "N", "", "", "S", "05/12/2026 14:30"})
                               << QStringList{"-1", "0", "-1", "05/12/2026", "14:30"};
        QTest::newRow("not numbers") << recordWith({{Cor, "abc"}, {Minutos, "x"}, {Som, "99"}, {DataHoraAviso, "05/12/2026"}})
                                     << QStringList{"-1", "0", "-1", "05/12/2026", ""};
    }

    void damagedRecords()
    {
        QFETCH(QString, record);
        QFETCH(QStringList, shown);
        ShellFixture f;
        frmLembrete *note = f.shell->novo_Click();
        note->setRecord(record);
        QStringList seen;
        edit(note, [&](frmPropWindow *w) {
            seen << QString::number(w->cmbCor->currentIndex()) << QString::number(w->chkAtencendia->isChecked())
                 << QString::number(w->cmbSom->currentIndex()) << w->DataAviso->text() << w->HoraAviso->text();
            w->Cancelar->click();
        });
        QCOMPARE(seen, shown);
        QCOMPARE(note->record(), record);
        // Okay on a readable record stores whole values again.
        if (record.count(QChar(FieldSeparator)) == FieldCount) {
            edit(note, [](frmPropWindow *w) {
                w->HoraAviso->setText("10:00");
                w->Ok->click();
            });
            const QStringList fields = fieldsOf(note->record());
            QCOMPARE(fields.at(Cor), QString("0"));
            QCOMPARE(fields.at(Som), QString("0"));
            QCOMPARE(fields.at(DataHoraAviso), QString("05/12/2026 10:00"));
        }
    }
};

QTEST_MAIN(TestFrmProp)
#include "tst_frmprop.moc"
