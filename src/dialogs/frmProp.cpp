// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs/frmProp.h"
#include "dialogs/ModalRun.h"
#include "dialogs/DialogDesign.h"
#include "dialogs/DateTimeMasks.h"
#include "dialogs/PropControls.h"

#include "alarm/AlarmCheck.h"
#include "alarm/Sounds.h"
#include "note/frmLembrete.h"
#include "platform/Clock.h"
#include "platform/Design.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/SoundOutput.h"
#include "platform/WindowOps.h"
#include "records/NoteRecord.h"
#include "records/NoteValue.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QFontDatabase>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <iterator>

namespace {

using namespace DialogDesign;
using namespace PropControls;

// Blanks only counts as empty.
bool isBlank(const QString &text)
{
    for (QChar c : text)
        if (c != QLatin1Char(' '))
            return false;
    return true;
}

// The minutes box gets only digits by typing, but a paste can bring anything: only a whole
// number of minutes is taken.
bool isWholeMinutes(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

}

// ---- window

frmPropWindow::frmPropWindow(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmProp"));
    setWindowTitle(QStringLiteral("Propriedades do Lembrete"));
    setWindowIcon(QIcon(Design::picture(QStringLiteral(":/pictures/bell.png"))));
    setFont(designFont(8.25, false));
    setFixedSize(px(3810), px(3945));
    setStyleSheet(Design::frameStyle());

    const Qt::Alignment centred = Qt::AlignHCenter;
    const Qt::Alignment right = Qt::AlignRight;

    FraGeral = makeFrame(this, "FraGeral", QStringLiteral("  Gerais   "), 0, 0, 3795, 780);
    Label[0] = makeLabel(FraGeral, QStringLiteral("Label(0)"), QStringLiteral("Data Criação"), true, centred, 135, 270,
                         1860, 195);
    lblDatCriacao = makeLabel(FraGeral, QStringLiteral("lblDatCriacao"), QStringLiteral("18/02/2002 18:30"), false,
                              centred, 90, 495, 1860, 195);
    Label[1] = makeLabel(FraGeral, QStringLiteral("Label(1)"), QStringLiteral("Data Alteração"), true, centred, 2025,
                         270, 1680, 195);
    lblDatAlteracao = makeLabel(FraGeral, QStringLiteral("lblDatAlteracao"), QStringLiteral("18/02/2002 18:30"), false,
                                centred, 2025, 495, 1680, 195);

    fraAtributos = makeFrame(this, "fraAtributos", QStringLiteral("  Atributos   "), 0, 810, 3795, 1005);
    chkLeitura = makeCheck(fraAtributos, "chkLeitura", QStringLiteral("Somente Leitura"), 180, 270, 1800, 195);
    Label[2] = makeLabel(fraAtributos, QStringLiteral("Label(2)"), QStringLiteral("Cor Lembrete :"), true, right, 180,
                         585, 1545, 195);
    cmbCor = makeList(fraAtributos, "cmbCor", Label[2],
                      {QStringLiteral("Amarelo"), QStringLiteral("Azul"), QStringLiteral("Branco"),
                       QStringLiteral("Ciano"), QStringLiteral("Cinza"), QStringLiteral("Púrpura"),
                       QStringLiteral("Verde"), QStringLiteral("Vermelho")},
                      1845, 540, 1815, 300);

    Frame1 = makeFrame(this, "Frame1", QStringLiteral("  Alarme   "), 0, 1845, 3795, 1725);
    Label5 = makeLabel(Frame1, QStringLiteral("Label5"), QStringLiteral("Data :"), true, right, 90, 315, 870, 195);
    DataAviso = makeEdit(Frame1, "DataAviso", 10, 1035, 270, 1095, 240);
    Label6 = makeLabel(Frame1, QStringLiteral("Label6"), QStringLiteral("Hora :"), true, right, 2295, 315, 690, 195);
    HoraAviso = makeEdit(Frame1, "HoraAviso", 5, 3060, 270, 600, 240);
    chkAtencendia =
        makeCheck(Frame1, "chkAtencendia", QStringLiteral("Avisar com antecedência de "), 180, 675, 2835, 195);
    txtMinutos = makeEdit(Frame1, "txtMinutos", 2, 2925, 630, 330, 240);
    Label1 = makeLabel(Frame1, QStringLiteral("Label1"), QStringLiteral("min."), false, right, 3300, 675, 375, 195);
    chkContinuo =
        makeCheck(Frame1, "chkContinuo", QStringLiteral("Tocar Alarme Ininterruptamente"), 540, 990, 3090, 195);
    chkContinuo->setLayoutDirection(Qt::RightToLeft); // the box at the right end, the caption to its left
    Label[3] = makeLabel(Frame1, QStringLiteral("Label(3)"), QStringLiteral("Tocar Som de :"), true, right, 180, 1350,
                         1545, 195);
    cmbSom = makeList(Frame1, "cmbSom", Label[3],
                      {QStringLiteral("Nenhum"), QStringLiteral("Tic-Tic"), QStringLiteral("Click-Click"),
                       QStringLiteral("Poop-Poop"), QStringLiteral("Plank-Plank"), QStringLiteral("Blip-Blip"),
                       QStringLiteral("Type-Type"), QStringLiteral("Talk-Talk"), QStringLiteral("Pnaum-Pnaum")},
                      1845, 1305, 1815, 300);

    Cancelar = makeButton(this, "Cancelar", QStringLiteral("&Cancelar"), 90, 3645, 1725, 285);
    Ok = makeButton(this, "Ok", QStringLiteral("&Okay"), 1980, 3645, 1725, 285);

    new DateTimeMasks::MaskFilter(DataAviso, DateTimeMasks::MaskFilter::Date, HoraAviso);
    new DateTimeMasks::MaskFilter(HoraAviso, DateTimeMasks::MaskFilter::Time, Ok);
    new DateTimeMasks::MaskFilter(txtMinutos, DateTimeMasks::MaskFilter::Minutes, nullptr);

    // Read out by their labels, not by the group around them.
    DataAviso->setAccessibleName(nameOf(Label5));
    HoraAviso->setAccessibleName(nameOf(Label6));
    txtMinutos->setAccessibleName(chkAtencendia->text().trimmed() + QStringLiteral(" (") + Label1->text()
                                  + QLatin1Char(')'));

    // Tab visits the controls where they are drawn, the check boxes too.
    QWidget *order[] = {chkLeitura, cmbCor,      DataAviso, HoraAviso, chkAtencendia,
                        txtMinutos, chkContinuo, cmbSom,    Ok,        Cancelar};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    cmbCor->setFocus(Qt::OtherFocusReason);
}

void frmPropWindow::keyPressEvent(QKeyEvent *event)
{
    if (!pressesFocusedButton(this, event) && !swallowsKey(event))
        QDialog::keyPressEvent(event);
}

void frmPropWindow::closeEvent(QCloseEvent *event)
{
    // The window manager's close (title bar, Alt+F4) is refused; the program's own close at
    // shutdown ends the edit as a cancel.
    if (event->spontaneous()) {
        event->ignore();
        return;
    }
    event->accept();
    done(QDialog::Rejected);
}

// ---- the dialog object

frmProp &frmProp::instance()
{
    static frmProp *dialog = new frmProp; // kept until the program ends
    return *dialog;
}

void frmProp::mostrar(frmLembrete *note)
{
    if (!note || m_editing)
        return; // the dialog is application-modal: one edit at a time
    m_editing = true;
    QPointer<frmLembrete> target(note);
    struct EndOfEdit {
        frmProp *dialog;
        ~EndOfEdit()
        {
            dialog->m_window.reset();
            dialog->m_editing = false;
        }
    } endOfEdit{this};

    // What the dialog shows; a change made elsewhere during the edit is not the person's.
    const NoteValue filledWith = note->value();
    fill(filledWith);
    place(note);

    m_result.reset();
    Platform::windows().setTopmost(note, false);
    runUntilClosed();
    m_window.reset();
    if (!target || !target->isNote())
        return; // the note went away meanwhile (shutdown, or deleted on another machine)
    if (m_result)
        apply(note, filledWith, *m_result);
    // Every pinned note back above the others, after Cancelar too: the properties picture took
    // them all out of the band, and a person pinned them to stay there.
    note->refreshPinBand();
    note->focusText(); // the keys typed next go on in the note, not into no window at all
}

void frmProp::fill(const NoteValue &note)
{
    m_window = std::make_unique<frmPropWindow>();
    frmPropWindow *w = m_window.get();
    m_closed = false;
    connect(w, &QDialog::finished, this, [this] { m_closed = true; });
    connect(w->Ok, &QPushButton::clicked, this, [this] { Ok_Click(); });
    connect(w->Cancelar, &QPushButton::clicked, this, [this] { Cancelar_Click(); });
    connect(w->chkAtencendia, &QCheckBox::toggled, this, [this] { chkAtencendia_Click(); });
    connect(w->cmbSom, &QComboBox::currentIndexChanged, this, [this] { cmbSom_Click(); });
    mPreenchendo = false;

    w->lblDatCriacao->setText(note.createdAt);
    w->lblDatAlteracao->setText(note.changedAt);
    // A value alone is read out with its label, and an empty one not as the group around it.
    for (auto [label, value] : {std::pair{w->Label[0], w->lblDatCriacao}, std::pair{w->Label[1], w->lblDatAlteracao}})
        value->setAccessibleName(value->text().isEmpty() ? nameOf(label)
                                                         : nameOf(label) + QStringLiteral(": ") + value->text());
    w->chkLeitura->setChecked(note.readOnly);
    // A number that cannot be read, or one beyond the list, leaves the list without a choice.
    if (note.colorIndex && *note.colorIndex < 8)
        w->cmbCor->setCurrentIndex(*note.colorIndex);
    fillAlarm(note);
}

// The alarm's part of the dialog: advance warning, sound (only with a sound device), moment.
void frmProp::fillAlarm(const NoteValue &note)
{
    frmPropWindow *w = m_window.get();
    // Checking the box enables the minutes through its handler; the text and state are set here.
    if (note.minutes.value_or(0) != 0) {
        w->chkAtencendia->setChecked(true);
        w->txtMinutos->setText(QString::number(*note.minutes));
        w->txtMinutos->setEnabled(true);
    } else {
        w->chkAtencendia->setChecked(false);
        w->txtMinutos->setText(QString());
        w->txtMinutos->setEnabled(false);
    }

    if (Platform::sound().deviceCount() < 1) {
        w->cmbSom->setCurrentIndex(0);
        w->cmbSom->setEnabled(false);
        w->chkContinuo->setChecked(false);
        w->chkContinuo->setEnabled(false);
    } else {
        // Selecting the stored sound must not play it.
        mPreenchendo = true;
        if (note.sound && *note.sound <= 8)
            w->cmbSom->setCurrentIndex(*note.sound);
        mPreenchendo = false;
        w->cmbSom->setEnabled(true);
        w->chkContinuo->setChecked(note.continuous);
        w->chkContinuo->setEnabled(true);
    }

    const QString &when = note.alarmAt;
    if (!when.isEmpty()) {
        const qsizetype blank = when.indexOf(QLatin1Char(' '));
        if (blank >= 0) {
            w->DataAviso->setText(when.left(blank));
            w->HoraAviso->setText(when.mid(blank + 1));
        } else {
            w->DataAviso->setText(when); // no time: Okay will ask for one
        }
    }
}

QPointF frmProp::placement(float noteLeftTw, float noteTopTw, const QRectF &screenTw)
{
    const float height = frmPropWindow::OuterHeightTw;
    const float width = frmPropWindow::OuterWidthTw;
    float top = noteTopTw + 200;
    float left = noteLeftTw + 200;
    const float bottom = float(screenTw.bottom());
    const float right = float(screenTw.right());
    if (top + height > bottom)
        top = bottom - height - 200;
    if (left + width > right)
        left = right - width - 200;
    // Never above or left of the note's screen, where the title bar could not be reached.
    top = std::max(top, float(screenTw.top()));
    left = std::max(left, float(screenTw.left()));
    return {left, top};
}

void frmProp::place(frmLembrete *note)
{
    QScreen *screen = QGuiApplication::screenAt(note->frameGeometry().center());
    if (!screen)
        screen = note->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const QRectF areaTw(Design::twips(area.x()), Design::twips(area.y()), Design::twips(area.width()),
                        Design::twips(area.height()));
    const QPointF at = placement(note->leftTw(), note->topTw(), areaTw);
    m_window->move(px(float(at.x())), px(float(at.y())));
}

// Runs the dialog until Okay or Cancelar finishes it. Not exec(): show all hides the dialog
// for a moment, and a hidden exec() dialog would end the edit.
void frmProp::runUntilClosed() { ModalRun::exec(m_window.get()); }

bool frmProp::isDialogVisible() const { return m_window && m_window->isVisible(); }

void frmProp::hideDialog()
{
    if (m_window)
        m_window->hide();
}

void frmProp::showAgain()
{
    // The edit's own loop ends with the same close, once show all has returned to it.
    if (m_editing && m_window && !m_closed && !m_window->isVisible())
        runUntilClosed();
}

// ---- handlers

void frmProp::Ok_Click()
{
    frmPropWindow *w = m_window.get();
    if (!w)
        return;
    auto refuse = [this](const QString &text, MessageBox::Icon icon, QLineEdit *box, bool caretHome) {
        Platform::messages().show(text, icon, m_window.get());
        if (!m_window)
            return;
        box->setFocus(Qt::OtherFocusReason);
        if (caretHome)
            box->setCursorPosition(0);
    };
    const QString date = w->DataAviso->text();
    const QString time = w->HoraAviso->text();
    const bool noDate = isBlank(date);
    const bool noTime = isBlank(time);
    // Only the strict forms "DD/MM/YYYY" and "HH:NN" are valid, read as the alarm check reads them.
    if (!noDate && !parseAlarmDate(date).isValid())
        return refuse(QStringLiteral("Data Inválida"), MessageBox::Warning, w->DataAviso, true);
    if (!noDate && noTime)
        return refuse(QStringLiteral("Informe a Hora !"), MessageBox::Information, w->HoraAviso, true);
    if (!noTime && !parseAlarmTime(time).isValid())
        return refuse(QStringLiteral("Hora Inválida"), MessageBox::Warning, w->HoraAviso, true);
    if (noDate && !noTime)
        return refuse(QStringLiteral("Informe a Data !"), MessageBox::Information, w->DataAviso, true);
    const bool advance = w->chkAtencendia->isChecked();
    if (advance && !isWholeMinutes(w->txtMinutos->text()))
        return refuse(QStringLiteral("Informe em Minutos a Antecedência para o Alarme !"), MessageBox::Information,
                      w->txtMinutos, false);

    Result r;
    r.leitura = w->chkLeitura->isChecked();
    r.continuo = w->chkContinuo->isChecked();
    r.minutos = advance ? qint16(w->txtMinutos->text().toInt()) : qint16(0);
    // A list left without a choice (a number that could not be read) counts as its first entry.
    r.cor = quint8(std::max(0, w->cmbCor->currentIndex()));
    r.som = quint8(std::max(0, w->cmbSom->currentIndex()));
    r.dataAviso = date;
    r.horaAviso = time;
    m_result = r;
    w->done(QDialog::Accepted);
}

void frmProp::Cancelar_Click()
{
    if (m_window)
        m_window->done(QDialog::Rejected);
}

void frmProp::chkAtencendia_Click()
{
    frmPropWindow *w = m_window.get();
    if (!w)
        return;
    if (w->chkAtencendia->isChecked()) {
        w->txtMinutos->setEnabled(true);
    } else {
        w->txtMinutos->setText(QString());
        w->txtMinutos->setEnabled(false);
    }
}

void frmProp::cmbSom_Click()
{
    if (!m_window)
        return;
    const int p = m_window->cmbSom->currentIndex();
    if (p > 0 && !mPreenchendo)
        PlaySoundResource(SoundNameFromIndex(quint8(p)));
}

// ---- apply

NoteValue frmProp::Result::appliedTo(NoteValue note) const
{
    note.colorIndex = cor;
    note.readOnly = leitura;
    note.minutes = minutos;
    note.continuous = continuo;
    note.alarm = !isBlank(dataAviso);
    note.alarmAt = note.alarm ? dataAviso + QLatin1Char(' ') + horaAviso : QString();
    note.sound = som;
    return note;
}

void frmProp::apply(frmLembrete *note, const NoteValue &filledWith, const Result &result)
{
    // What the dialog sets is worked out on the note as it showed it, and only what the person
    // changed goes into the note as it is now: another machine, or an alarm that rang, may have
    // changed the rest during the edit.
    const NoteValue edited = result.appliedTo(filledWith);
    NoteValue current = note->value();
    auto take = [&](auto NoteValue::*field) {
        if (edited.*field != filledWith.*field)
            current.*field = edited.*field;
    };
    take(&NoteValue::colorIndex);
    take(&NoteValue::readOnly);
    take(&NoteValue::minutes);
    take(&NoteValue::continuous);
    take(&NoteValue::alarm);
    take(&NoteValue::alarmAt);
    take(&NoteValue::sound);
    current.changedAt = NoteRecord::formatDateTime(Platform::clock().now());
    note->setValue(current); // shown at once: colour, lock and the bell the alarm check rings by
}
