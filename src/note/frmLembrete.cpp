// SPDX-License-Identifier: GPL-3.0-or-later
#include "note/frmLembrete.h"
#include "alarm/AlarmCheck.h"
#include "alarm/AlarmClock.h"
#include "alarm/Sounds.h"
#include "note/ClickLabel.h"
#include "note/MailAddress.h"
#include "platform/Clock.h"
#include "platform/Design.h"
#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/ShellOpener.h"
#include "platform/SoundOutput.h"
#include "platform/WindowOps.h"
#include "records/NoteRecord.h"

#include <QBitmap>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QUrl>
#include <algorithm>

using namespace NoteRecord;
using Design::px;

namespace {

// A word longer than this is broken anywhere: finding word boundaries in it would take time that
// grows with the square of its length, and lay it out again and again.
constexpr int LongWord = 1000;

bool hasLongWord(const QString &text)
{
    int run = 0;
    for (QChar c : text) {
        run = c.isSpace() ? 0 : run + 1;
        if (run > LongWord)
            return true;
    }
    return false;
}

}

frmLembrete::frmLembrete(QWidget *parent)
    // An ordinary window, not a tool one: KWin hides tool (utility) windows whenever another
    // program has the focus. No taskbar entry: asked of the window manager once mapped.
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    WindowOps::stampCreationOrder(this);
    // One small icon made once for all notes (left for the process's end), not the whole set per window.
    static const auto *icon = new QIcon(Design::picture(QStringLiteral(":/icons/quadrelo-32.png")));
    setWindowIcon(*icon);
    setAutoFillBackground(true);
    // A person hovering a picture expects its tip whether or not the note has been clicked.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    // Notes coming up (at start, by show all, by an alarm) do not take the focus from what the
    // person is doing; every activation also walks all windows, which made loading many notes slow.
    setAttribute(Qt::WA_ShowWithoutActivating);
    createControls();
    Form_Load();
}

frmLembrete::~frmLembrete()
{
    if (!m_deleted)
        emit disposed(); // gone from the open notes before its parts are taken down
}

// ---- design

void frmLembrete::createControls()
{
    tmrContAlarme = new QTimer(this);
    tmrContAlarme->setObjectName(QStringLiteral("tmrContAlarme"));

    // The text box is made after the pictures (it ends their focus chain), yet drawn, and read by a
    // screen reader, before them.
    createPictures();
    txtTexto = new QPlainTextEdit(this);
    txtTexto->stackUnder(Lixeira);
    txtTexto->setObjectName(QStringLiteral("txtTexto"));
    txtTexto->setFrameStyle(QFrame::NoFrame);
    txtTexto->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    txtTexto->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    txtTexto->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    txtTexto->setAutoFillBackground(true);
    txtTexto->viewport()->setAutoFillBackground(true);
    txtTexto->viewport()->setMouseTracking(true);
    txtTexto->viewport()->installEventFilter(this);
    Design::placeTw(txtTexto, 390, 30, 2625, 1605);
    connect(txtTexto, &QPlainTextEdit::textChanged, this, [this] {
        if (isNote() && !m_applying)
            emit changed();
        nameAfterText();
    });
    connect(txtTexto->document(), &QTextDocument::contentsChange, this, [this](int, int, int added) {
        if (added > LongWord)
            fitWrapping(txtTexto->toPlainText()); // a long paste
    });

    linRight = {3030, -60, 3030, 1140};
    linBottom = {0, 2295, 2040, 2295};
    linLeft = {5, 350, 5, 1650};
    linTop = {350, 5, 3060, 5};

    connectControls();
    setUpKeyboard();
}

void frmLembrete::createPictures()
{
    auto picture = [this](const char *name, const QString &tip, float left, float top, float size) {
        auto *label = new ClickLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setPixmap(Design::picture(QStringLiteral(":/pictures/%1.png").arg(QLatin1String(name))));
        label->setToolTip(tip);
        label->setAlignment(Qt::AlignCenter);
        label->setCursor(Design::handCursor());
        Design::placeTw(label, left, top, size, size);
        return label;
    };
    Lixeira = picture("Lixeira", QStringLiteral("Excluir Lembrete"), 45, 1260, 270);
    esconder = picture("esconder", QStringLiteral("Esconder Lembrete"), -45, -45, 270);
    imgEmail = picture("imgEmail", QStringLiteral("Enviar Lembrete por Email"), 45, 2070, 270);
    Alarme = picture("Alarme", QString(), 45, 1665, 270);
    Alarme->setNameBeforeTip("Alarme");
    Propriedade = picture("Propriedade", QStringLiteral("Propriedades do Lembrete"), 45, 810, 270);
    Ponteiro = picture("Ponteiro", QStringLiteral("Fixar Lembrete"), 60, 420, 270);
    Ponteiro2 = picture("Ponteiro2", QStringLiteral("Liberar Lembrete"), 60, 420, 270);
    imgArraste = picture("imgArraste", QString(), gripLeft, gripTop, GripSize);
    imgArraste->setCursor(Qt::SizeFDiagCursor);
    imgArraste->setMouseTracking(true);
    imgArraste->installEventFilter(this);
    imgTop = picture("imgTop", QString(), 0, 0, 360);
    imgTop->unsetCursor();
    imgTop->installEventFilter(this); // a press there moves the note
    // The hide glyph over the folded corner takes clicks on its own pixels; the rest moves the note.
    static const QRegion glyph(QBitmap::fromImage(Design::picture(QStringLiteral(":/pictures/esconder.png"))
                                                      .toImage()
                                                      .createAlphaMask()
                                                      .scaled(esconder->size())));
    esconder->setMask(glyph);
    esconder->raise();
}

void frmLembrete::connectControls()
{
    auto onClick = [this](ClickLabel *picture, void (frmLembrete::*handler)()) {
        picture->setAction([this, picture, handler] {
            if (picture->isEnabled())
                runGuarded([this, handler] { (this->*handler)(); });
        });
    };
    onClick(Ponteiro, &frmLembrete::Ponteiro_Click);
    onClick(Ponteiro2, &frmLembrete::Ponteiro2_Click);
    onClick(esconder, &frmLembrete::esconder_Click);
    onClick(Lixeira, &frmLembrete::Lixeira_Click);
    onClick(imgEmail, &frmLembrete::imgEmail_Click);
    onClick(Propriedade, &frmLembrete::Propriedade_Click);
    onClick(Alarme, &frmLembrete::Alarme_Click);
    onClick(imgArraste, &frmLembrete::imgArraste_Click);
    // The one alarm clock names the note whose alarm is due; wired once for all notes. A ringing
    // note has left it.
    static const bool alarmWired = [] {
        AlarmClock &clock = AlarmClock::instance();
        connect(&clock, &AlarmClock::due, &clock, [](QObject *named) {
            if (auto *note = qobject_cast<frmLembrete *>(named); note && !note->tmrContAlarme->isActive())
                runGuarded([note] { note->tmrAviso_Timer(); });
        });
        return true;
    }();
    Q_UNUSED(alarmWired);
    connect(tmrContAlarme, &QTimer::timeout, this, [this] { runGuarded([this] { tmrContAlarme_Timer(); }); });
}

void frmLembrete::Form_Load()
{
    resize(px(m_widthTw), px(m_heightTw));
    gripLeft = m_widthTw - GripSize;
    gripTop = m_heightTw - GripSize;
    placeGrip();
    layFrame(m_widthTw, m_heightTw, true);
    setNoteColor(ColorFromIndex(0));
}

// ---- set-up and disposal

AlarmDue frmLembrete::dueOf(const NoteValue &note)
{
    try {
        return AlarmDue::of(note);
    } catch (const RuntimeError &) {
        return {};
    }
}

void frmLembrete::setUp(const NoteValue &note)
{
    m_widthTw = note.widthTw.value_or(DesignWidthTw);
    m_heightTw = note.heightTw.value_or(DesignHeightTw);
    resize(px(m_widthTw), px(m_heightTw));
    if (note.leftTw && note.topTw)
        move(px(*note.leftTw), px(*note.topTw));
    // The grip step gives the window its size: the pointer is put where the grip's centre would be.
    QPointer<frmLembrete> alive(this);
    imgArraste_MouseMove(1, (m_widthTw - DesignWidthTw) + GripSize / 2, (m_heightTw - DesignHeightTw) + GripSize / 2);
    if (!alive)
        return;
    // Only now: the alarm check may run while the grip step lets events run, and must not ring
    // a note that is not set up yet.
    m_value = note;
    display();
    fitWrapping(note.text);
    txtTexto->setPlainText(note.text);
    m_setUp = true; // a note from now on: its changes are saved
}

bool frmLembrete::isNote() const { return m_setUp && !m_deleted; }

void frmLembrete::setNoteId(const QString &id) { m_noteId = id; }

void frmLembrete::fitWrapping(const QString &text)
{
    txtTexto->setWordWrapMode(hasLongWord(text) ? QTextOption::WrapAnywhere
                                                : QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void frmLembrete::setValue(const NoteValue &note)
{
    const bool alarmMoved = dueOf(note) != m_due;
    m_value = note;
    display();
    if (isNote())
        emit changed();
    if (alarmMoved)
        emit alarmChanged();
}

void frmLembrete::dispose()
{
    if (!m_deleted) {
        m_deleted = true;
        emit disposed();
    }
    AlarmClock::instance().setAlarm(this, QDateTime());
    if (tmrContAlarme->isActive())
        Platform::sound().stop(); // its sound ends with it
    tmrContAlarme->stop();
    hide();
    deleteLater();
}

// ---- state

float frmLembrete::leftTw() const { return Design::twips(x()); }
float frmLembrete::topTw() const { return Design::twips(y()); }

void frmLembrete::setNoteColor(const QColor &color)
{
    // The text and lines follow the note's fixed colour, not the desktop's theme (a dark theme
    // would give white on yellow): black on the bright colours, white on a damaged record's black.
    // The text box takes its paper (Base) from the window: one palette per note, not two.
    QPalette pal = palette();
    for (QPalette::ColorRole paper : {QPalette::Window, QPalette::Base})
        pal.setColor(paper, color);
    for (QPalette::ColorRole ink : {QPalette::WindowText, QPalette::Text})
        pal.setColor(ink, Design::inkOn(color));
    setPalette(pal);
}

QString frmLembrete::savedRecord() const
{
    NoteValue saved = m_value;
    saved.topTw = topTw();
    saved.leftTw = leftTw();
    saved.widthTw = widthTw();
    saved.heightTw = heightTw();
    saved.text = txtTexto->toPlainText();
    return saved.toRecord();
}

void frmLembrete::applyElsewhere(const QString &record)
{
    if (m_deleted || !NoteValue::isNoteRecord(record))
        return; // the merge never gives a record that cannot be a note
    const NoteValue elsewhere = NoteValue::fromRecord(record);
    hideQuestion();
    // Due here but consumed there first: it rings here too, once, and its end consumes it again.
    const AlarmDue there = dueOf(elsewhere);
    const bool ringsNow = !tmrContAlarme->isActive() && there != m_due && isAlarmDue(m_due.at, Platform::clock().now());
    if (ringsNow)
        tmrAviso_Timer();
    // Put off or set anew there, or a continuous alarm ended there (only a click ends one): dealt
    // with. A plain alarm ends by itself, so its end there says nothing of the person.
    const bool dealtWith = !ringsNow && there != m_due && (!there.text.isEmpty() || elsewhere.continuous);
    m_applying = true;
    const bool pinChanged = elsewhere.pinned != m_value.pinned;
    m_value = elsewhere;
    display();
    if (pinChanged)
        Platform::windows().setTopmost(this, m_value.pinned);
    const QString &text = m_value.text;
    if (text != txtTexto->toPlainText()) {
        // The person may be typing here: the cursor stays where it was, as far as the text goes.
        const int cursor = txtTexto->textCursor().position();
        fitWrapping(text);
        txtTexto->setPlainText(text);
        QTextCursor c = txtTexto->textCursor();
        c.setPosition(std::min(cursor, int(text.size())));
        txtTexto->setTextCursor(c);
    }
    m_applying = false;
    if (dealtWith)
        emit alarmChanged();
}

void frmLembrete::display()
{
    m_due = dueOf(m_value);
    if (!tmrContAlarme->isActive()) {
        setNoteColor(ColorFromIndex(m_value.colorIndex.value_or(0)));
        Alarme->setVisible(!m_due.text.isEmpty());
        if (!m_deleted)
            AlarmClock::instance().setAlarm(this, m_due.at);
    }
    Alarme->setTip(m_due.text);
    // The two pins are one control for the keyboard: the focus goes to the one now shown.
    ClickLabel *pin = m_value.pinned ? Ponteiro2 : Ponteiro;
    ClickLabel *other = m_value.pinned ? Ponteiro : Ponteiro2;
    const bool pinFocused = other->hasFocus();
    pin->show();
    if (pinFocused)
        pin->setFocus(Qt::OtherFocusReason);
    other->hide();
    setReadOnlyState(m_value.readOnly);
}

void frmLembrete::setReadOnlyState(bool locked)
{
    txtTexto->setReadOnly(locked);
    Lixeira->setEnabled(!locked);
    txtTexto->setToolTip(locked ? QStringLiteral("Lembrete Bloqueado!") : QString());
}

// ---- state events

void frmLembrete::txtTexto_Click() { m_alarm.acknowledge(); }
void frmLembrete::txtTexto_MouseMove() { hideQuestion(); }

void frmLembrete::imgArraste_Click()
{
    hideQuestion();
    m_alarm.acknowledge();
}

// ---- commands

void frmLembrete::setPinned(bool pinned)
{
    hideQuestion();
    m_alarm.acknowledge();
    NoteValue note = m_value;
    note.pinned = pinned;
    setValue(note);
    Platform::windows().setTopmost(this, pinned);
    emit pinBandToRefresh();
}

void frmLembrete::Ponteiro_Click() { setPinned(true); }
void frmLembrete::Ponteiro2_Click() { setPinned(false); }

void frmLembrete::esconder_Click()
{
    hideQuestion();
    m_alarm.acknowledge();
    if (esconder->hasFocus())
        txtTexto->setFocus(Qt::OtherFocusReason); // where the person is when the note comes back
    hide();
}

void frmLembrete::Lixeira_Click()
{
    if (!fraExclusao)
        createConfirmation();
    QPalette pal = fraExclusao->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Window));
    fraExclusao->setPalette(pal);
    // Styled only when first needed: a style sheet on every note would slow the start.
    fraExclusao->setStyleSheet(
        Design::frameStyle(pal.color(QPalette::Window).name(), palette().color(QPalette::WindowText).name()));
    fraExclusao->show();
    fraExclusao->raise();
    // Asked by keyboard, answered by keyboard; the answer that keeps the note comes first.
    if (Lixeira->hasFocus())
        cmdExcNao->setFocus(Qt::OtherFocusReason);
}

void frmLembrete::cmdExcNao_Click() { fraExclusao->hide(); }

void frmLembrete::cmdExcSim_Click()
{
    if (m_deleted)
        return;
    dispose();
    emit deleted();
}

void frmLembrete::imgEmail_Click()
{
    hideQuestion();
    Platform::shell().open(MailAddress::forText(txtTexto->toPlainText()));
}

void frmLembrete::Propriedade_Click()
{
    hideQuestion();
    m_alarm.acknowledge();
    emit pinBandToLeave();
    emit propertiesRequested(this);
}
