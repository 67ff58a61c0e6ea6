// SPDX-License-Identifier: GPL-3.0-or-later
#include "note/frmLembrete.h"
#include "alarm/AlarmCheck.h"
#include "alarm/AlarmClock.h"
#include "alarm/Sounds.h"
#include "note/ClickLabel.h"
#include "note/NoteList.h"
#include "platform/Clock.h"
#include "platform/Design.h"
#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/ShellOpener.h"
#include "platform/SoundOutput.h"
#include "platform/WindowOps.h"
#include "records/Maker.h"
#include "records/NoteRecord.h"

#include <QBitmap>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cmath>

using namespace NoteRecord;
using Design::px;
using Design::TwipsPerPixel;

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
    setWindowIcon(QIcon(QStringLiteral(":/icons/quadrelo-32.png")));
    setAutoFillBackground(true);
    // A person hovering a picture expects its tip whether or not the note has been clicked.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    // Notes coming up (at start, by show all, by an alarm) do not take the focus from what the
    // person is doing; every activation also walks all windows, which made loading many notes slow.
    setAttribute(Qt::WA_ShowWithoutActivating);
    {
        // The note colours are fixed and bright, so their text and lines are fixed too: black,
        // whatever the desktop's theme says (a dark theme would give white on yellow).
        QPalette pal = palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        pal.setColor(QPalette::Text, Qt::black);
        setPalette(pal);
    }
    createControls();
    Form_Load();
}

frmLembrete::~frmLembrete() = default;

// ---- design

void frmLembrete::createControls()
{
    createConfirmation();

    tmrContAlarme = new QTimer(this);
    tmrContAlarme->setObjectName(QStringLiteral("tmrContAlarme"));

    txtTexto = new QPlainTextEdit(this);
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
    });
    connect(txtTexto->document(), &QTextDocument::contentsChange, this, [this](int, int, int added) {
        if (added > LongWord)
            fitWrapping(txtTexto->toPlainText()); // a long paste
    });

    createPictures();

    linRight = {3030, -60, 3030, 1140};
    linBottom = {0, 2295, 2040, 2295};
    linLeft = {5, 350, 5, 1650};
    linTop = {350, 5, 3060, 5};

    fraExclusao->raise(); // drawn above the text box when shown

    setTabOrder(txtTexto, fraExclusao);
    setTabOrder(fraExclusao, cmdExcSim);
    setTabOrder(cmdExcSim, cmdExcNao);
    connectControls();
}

void frmLembrete::createConfirmation()
{
    fraExclusao = new QGroupBox(QStringLiteral("Confirma Exclusão? "), this);
    fraExclusao->setObjectName(QStringLiteral("fraExclusao"));
    fraExclusao->setAutoFillBackground(true);
    QPalette pal = fraExclusao->palette();
    pal.setColor(QPalette::Window, QColor(255, 192, 192));
    fraExclusao->setPalette(pal);
    Design::placeTw(fraExclusao, 360, 1260, 1725, 555);
    // The caption must fit the frame's 115 pixels in the desktop's (wider) font.
    QFont captionFont = fraExclusao->font();
    captionFont.setPointSizeF(7);
    fraExclusao->setFont(captionFont);

    QFont small(QStringLiteral("Small Fonts"));
    small.setPointSizeF(6.75);
    cmdExcNao = new QPushButton(QStringLiteral("&Não"), fraExclusao);
    cmdExcNao->setObjectName(QStringLiteral("cmdExcNao"));
    cmdExcNao->setFont(small);
    Design::placeTw(cmdExcNao, 900, 225, 645, 240);
    cmdExcSim = new QPushButton(QStringLiteral("&Sim"), fraExclusao);
    cmdExcSim->setObjectName(QStringLiteral("cmdExcSim"));
    cmdExcSim->setFont(small);
    Design::placeTw(cmdExcSim, 135, 225, 645, 240);
    fraExclusao->hide();
}

void frmLembrete::createPictures()
{
    auto picture = [this](const char *name, const QString &tip, float left, float top, float size) {
        auto *label = new ClickLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setPixmap(QPixmap(QStringLiteral(":/pictures/%1.png").arg(QLatin1String(name))));
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
    Propriedade = picture("Propriedade", QStringLiteral("Propriedades do Lembrete"), 45, 810, 270);
    Ponteiro = picture("Ponteiro", QStringLiteral("Fixar Lembrete"), 60, 420, 270);
    Ponteiro2 = picture("Ponteiro2", QStringLiteral("Liberar Lembrete"), 60, 420, 270);
    imgArraste = picture("imgArraste", QString(), gripLeft, gripTop, GripSize);
    imgArraste->setCursor(Qt::SizeFDiagCursor);
    imgArraste->setMouseTracking(true);
    imgArraste->installEventFilter(this);
    imgTop = picture("imgTop", QString(), 0, 0, 360);
    imgTop->unsetCursor();
    // The hide glyph lies over the folded corner: it takes the clicks on its visible pixels and
    // leaves the rest of the corner to the move.
    esconder->setMask(QBitmap::fromImage(
        QImage(QStringLiteral(":/pictures/esconder.png")).createAlphaMask().scaled(esconder->size())));
    esconder->raise();
}

void frmLembrete::connectControls()
{
    auto onClick = [this](ClickLabel *picture, void (frmLembrete::*handler)()) {
        connect(picture, &ClickLabel::clicked, this, [this, picture, handler] {
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
    connect(imgTop, &ClickLabel::pressed, this, [this] { imgTop_MouseDown(); });
    connect(cmdExcSim, &QPushButton::clicked, this, [this] { runGuarded([this] { cmdExcSim_Click(); }); });
    connect(cmdExcNao, &QPushButton::clicked, this, [this] { runGuarded([this] { cmdExcNao_Click(); }); });
    // The one alarm clock says whose alarm is due; a ringing note has left it.
    connect(&AlarmClock::instance(), &AlarmClock::due, this, [this](const QObject *note) {
        if (note == this && !tmrContAlarme->isActive())
            runGuarded([this] { tmrAviso_Timer(); });
    });
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

void frmLembrete::setUp(const Setup &s)
{
    m_record = s.record;
    m_widthTw = s.widthTw;
    m_heightTw = s.heightTw;
    resize(px(s.widthTw), px(s.heightTw));
    if (s.positionTw)
        move(px(float(s.positionTw->x())), px(float(s.positionTw->y())));
    // The grip step gives the window its size: the pointer is put where the grip's centre would be.
    QPointer<frmLembrete> alive(this);
    imgArraste_MouseMove(1, (s.widthTw - DesignWidthTw) + GripSize / 2, (s.heightTw - DesignHeightTw) + GripSize / 2);
    if (!alive)
        return;
    setNoteColor(ColorFromIndex(s.colorIndex));
    Ponteiro2->setVisible(s.pinned);
    Ponteiro->setVisible(!s.pinned);
    setAlarmDue(s.alarmDue);
    setReadOnlyState(s.readOnly);
    fitWrapping(s.text);
    txtTexto->setPlainText(s.text);
    m_tag = noteTag(); // a note from now on: its changes are saved
}

void frmLembrete::fitWrapping(const QString &text)
{
    txtTexto->setWordWrapMode(hasLongWord(text) ? QTextOption::WrapAnywhere
                                                : QTextOption::WrapAtWordBoundaryOrAnywhere);
}

void frmLembrete::setRecord(const QString &record)
{
    m_record = record;
    if (isNote())
        emit changed();
}

// Moves and resizes of a note on the screen: not those Qt sends for the set-up when the window
// is first shown.
void frmLembrete::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (isNote() && isVisible() && event->pos() != event->oldPos())
        emit changed();
}

void frmLembrete::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (isNote() && isVisible() && event->size() != event->oldSize())
        emit changed();
}

void frmLembrete::dispose()
{
    m_deleted = true;
    m_tag.clear();
    AlarmClock::instance().setAlarm(this, QString());
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
    QPalette pal = palette();
    pal.setColor(QPalette::Window, color);
    setPalette(pal);
    QPalette tp = txtTexto->palette();
    tp.setColor(QPalette::Base, color);
    tp.setColor(QPalette::Window, color);
    txtTexto->setPalette(tp);
}

QColor frmLembrete::shownColor() const { return txtTexto->palette().color(QPalette::Base); }

QString frmLembrete::savedRecord() const
{
    QString r = m_record;
    r = ReplaceField(r, Topo, twipsText(topTw()));
    r = ReplaceField(r, Esquerda, twipsText(leftTw()));
    r = ReplaceField(r, Largura, twipsText(widthTw()));
    r = ReplaceField(r, Altura, twipsText(heightTw()));
    r = ReplaceField(r, Texto, encodeText(txtTexto->toPlainText()));
    return r;
}

void frmLembrete::applyElsewhere(const QString &record)
{
    if (m_deleted)
        return;
    const QStringList f = split(record);
    if (f.size() <= FieldCount)
        return; // not a whole record: the merge never gives one
    fraExclusao->hide();
    const bool alarmOn = field(f, Aviso) == QLatin1String("S");
    QString due;
    if (alarmOn) {
        try {
            due = AlarmDueText(field(f, DataHoraAviso), toInteger(field(f, Minutos)));
        } catch (const RuntimeError &) {
            due.clear(); // as loading does: an alarm that cannot be read never rings
        }
    }
    // Due here but consumed there first: it rings here too, once, and its end consumes it again.
    const bool ringing = tmrContAlarme->isActive();
    if (!ringing && due != Alarme->toolTip() && isAlarmDue(Alarme->toolTip(), Platform::clock().now()))
        tmrAviso_Timer();
    m_applying = true;
    m_record = record;
    if (!tmrContAlarme->isActive()) {
        bool okColor = false;
        const uint color = field(f, Cor).toUInt(&okColor);
        setNoteColor(ColorFromIndex(okColor && color < 256 ? quint8(color) : 0));
        setAlarmDue(due);
    } else {
        Alarme->setToolTip(due); // the ringing course shows the bell as it goes
    }
    const bool pinned = field(f, Fixo) == QLatin1String("S");
    if (pinned != isPinned()) {
        Ponteiro->setVisible(!pinned);
        Ponteiro2->setVisible(pinned);
        Platform::windows().setTopmost(this, pinned);
    }
    setReadOnlyState(field(f, Leitura) == QLatin1String("S"));
    const QString text = decodeText(field(f, Texto));
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
}

bool frmLembrete::isPinned() const { return Ponteiro->isHidden(); }

void frmLembrete::setReadOnlyState(bool locked)
{
    txtTexto->setReadOnly(locked);
    Lixeira->setEnabled(!locked);
    txtTexto->setToolTip(locked ? QStringLiteral("Lembrete Bloqueado!") : QString());
}

void frmLembrete::setAlarmDue(const QString &dueText)
{
    Alarme->setToolTip(dueText);
    Alarme->setVisible(!dueText.isEmpty());
    AlarmClock::instance().setAlarm(this, dueText);
}

// ---- display

void frmLembrete::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    for (const Line &l : {linRight, linBottom, linLeft, linTop})
        p.drawLine(QPointF(std::floor(l.x1 / TwipsPerPixel) + 0.5, std::floor(l.y1 / TwipsPerPixel) + 0.5),
                   QPointF(std::floor(l.x2 / TwipsPerPixel) + 0.5, std::floor(l.y2 / TwipsPerPixel) + 0.5));
}

void frmLembrete::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A note belongs to the desktop, not to one workspace: asked before every mapping, since the
    // window manager puts a window shown again on the current workspace.
    Platform::windows().showOnAllDesktops(this);
    // Qt may map a new native window here (a pinned note shown again) that has neither this
    // request nor the taskbar one: both are asked again once the window manager has mapped it.
    m_askWindowManager = true;
    // A note shown again, or one placed where it was saved, belongs where it was: some window
    // managers map a window shown again at a corner of the screen.
    if (m_shownBefore || testAttribute(Qt::WA_Moved))
        m_placeToKeep = pos();
    m_shownBefore = true;
    windowHandle()->installEventFilter(this);
}

// ---- moving and resizing

void frmLembrete::layFrame(float w, float h, bool full)
{
    linTop.x2 = w;
    linLeft.y2 = h;
    linBottom.x2 = w;
    linBottom.y1 = linBottom.y2 = h - 10;
    linRight.y2 = h;
    linRight.x1 = linRight.x2 = w - 10;
    if (full) {
        linBottom.x1 = 5;
        linRight.y1 = 5;
    }
    Design::placeTw(txtTexto, 390, 30, w - 400, h - 280);
    update();
}

void frmLembrete::placeGrip() { Design::placeTw(imgArraste, gripLeft, gripTop, GripSize, GripSize); }

void frmLembrete::imgArraste_MouseMove(int Button, float X, float Y)
{
    fraExclusao->hide();
    if (Button != 1)
        return;
    gripLeft = std::max(gripLeft + X - GripSize / 2, GripMinLeft);
    gripTop = std::max(gripTop + Y - GripSize / 2, GripMinTop);
    m_widthTw = gripLeft + GripSize;
    m_heightTw = gripTop + GripSize;
    resize(px(m_widthTw), px(m_heightTw));
    placeGrip();
    layFrame(m_widthTw, m_heightTw, false);
    WindowOps::processPendingEvents();
}

void frmLembrete::beginMove()
{
    if (Platform::windows().startSystemMove(this))
        return;
    // The window manager refused: follow the pointer until the button is released.
    m_manualMove = true;
    m_moveOffset = QCursor::pos() - pos();
    grabMouse();
}

void frmLembrete::Form_MouseDown(int Button)
{
    if (isPinned())
        return;
    if (Button == 1)
        m_alarm.acknowledge();
    beginMove();
}

void frmLembrete::imgTop_MouseDown()
{
    fraExclusao->hide();
    if (!isPinned())
        beginMove();
}

void frmLembrete::mousePressEvent(QMouseEvent *event)
{
    // Only presses on the background itself, not those a child passed on.
    if (childAt(event->position().toPoint()) == nullptr)
        Form_MouseDown(int(event->button()));
    event->accept();
}

void frmLembrete::mouseMoveEvent(QMouseEvent *event)
{
    if (m_manualMove)
        move(event->globalPosition().toPoint() - m_moveOffset);
}

void frmLembrete::mouseReleaseEvent(QMouseEvent *)
{
    if (m_manualMove) {
        m_manualMove = false;
        releaseMouse();
    }
}

bool frmLembrete::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == windowHandle()) {
        if (event->type() == QEvent::Expose && m_askWindowManager && windowHandle()->isExposed()) {
            m_askWindowManager = false;
            if (m_placeToKeep && pos() != *m_placeToKeep)
                move(*m_placeToKeep);
            m_placeToKeep.reset();
            Platform::windows().setSkipTaskbar(this);
            Platform::windows().showOnAllDesktops(this);
        }
        return false;
    }
    if (watched == txtTexto->viewport()) {
        if (event->type() == QEvent::MouseMove)
            txtTexto_MouseMove();
        else if (event->type() == QEvent::MouseButtonRelease)
            txtTexto_Click();
    } else if (watched == imgArraste && event->type() == QEvent::MouseMove) {
        auto *me = static_cast<QMouseEvent *>(event);
        const QPointF p = me->position();
        imgArraste_MouseMove(int(me->buttons()), Design::twips(1) * float(p.x()), Design::twips(1) * float(p.y()));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- state events

void frmLembrete::txtTexto_Click() { m_alarm.acknowledge(); }
void frmLembrete::txtTexto_MouseMove() { fraExclusao->hide(); }

void frmLembrete::imgArraste_Click()
{
    fraExclusao->hide();
    m_alarm.acknowledge();
}

// ---- commands

void frmLembrete::setPinned(bool pinned)
{
    fraExclusao->hide();
    m_alarm.acknowledge();
    Ponteiro->setVisible(!pinned);
    Ponteiro2->setVisible(pinned);
    Platform::windows().setTopmost(this, pinned);
    setRecord(ReplaceField(m_record, Fixo, pinned ? QStringLiteral("S") : QStringLiteral("N")));
    NoteList::refreshPinBand();
}

void frmLembrete::Ponteiro_Click() { setPinned(true); }
void frmLembrete::Ponteiro2_Click() { setPinned(false); }

void frmLembrete::esconder_Click()
{
    fraExclusao->hide();
    m_alarm.acknowledge();
    hide();
}

void frmLembrete::Lixeira_Click()
{
    QPalette pal = fraExclusao->palette();
    pal.setColor(QPalette::Window, palette().color(QPalette::Window));
    fraExclusao->setPalette(pal);
    // Styled only when first needed: a style sheet on every note would slow the start.
    fraExclusao->setStyleSheet(Design::frameStyle(pal.color(QPalette::Window).name(), QStringLiteral("black")));
    fraExclusao->show();
    fraExclusao->raise();
}

void frmLembrete::cmdExcNao_Click() { fraExclusao->hide(); }

void frmLembrete::cmdExcSim_Click()
{
    if (m_deleted)
        return;
    dispose();
    emit deleted();
}

QString frmLembrete::emailAddress(const QString &text)
{
    // Subject and body are percent-encoded as UTF-8, so "&", "#", "%" and "?" in a note arrive intact.
    static const QByteArray keep = "!$'()*,;:@/";
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    body += QStringLiteral("\r\n\r\nPrograma Quadrelo 2.0 - ") + Maker::webHost();
    return QStringLiteral("mailto:?subject=")
           + QString::fromLatin1(QUrl::toPercentEncoding(QStringLiteral("Lembrete !!!"), keep))
           + QStringLiteral("&body=") + QString::fromLatin1(QUrl::toPercentEncoding(body, keep));
}

void frmLembrete::imgEmail_Click()
{
    fraExclusao->hide();
    Platform::shell().open(emailAddress(txtTexto->toPlainText()));
}

void frmLembrete::Propriedade_Click()
{
    fraExclusao->hide();
    m_alarm.acknowledge();
    for (frmLembrete *note : NoteList::notes())
        Platform::windows().setTopmost(note, false);
    emit propertiesRequested(this);
}

// ---- alarm

void frmLembrete::Alarme_Click() { m_alarm.acknowledge(); }

void frmLembrete::tmrAviso_Timer()
{
    if (m_deleted || !isAlarmDue(Alarme->toolTip(), Platform::clock().now()))
        return;
    AlarmClock::instance().setAlarm(this, QString()); // rings once; its end consumes it
    m_alarm.start(m_record);
    tmrContAlarme->start(AlarmCourse::TickMs);
    show();
    // Raised by stacking, not by a focus request, which window managers refuse from a timer.
    Platform::windows().setTopmost(this, true);
    if (!isPinned())
        Platform::windows().setTopmost(this, false);
}

void frmLembrete::tmrContAlarme_Timer()
{
    if (m_deleted)
        return;
    if (const std::optional<bool> bell = m_alarm.bellVisible())
        Alarme->setVisible(*bell);
    if (const QString sound = m_alarm.soundNow(); !sound.isEmpty()) {
        // Playing lets other events run; this note may be deleted meanwhile.
        QPointer<frmLembrete> self(this);
        PlaySoundResource(sound);
        if (!self || m_deleted)
            return;
    }
    if (m_alarm.flashesNow()) {
        const bool flashing = shownColor() == AlarmCourse::flashColor();
        setNoteColor(flashing ? ColorFromIndex(m_alarm.colorIndex()) : AlarmCourse::flashColor());
        Alarme->setVisible(flashing);
    }
    if (!m_alarm.advance())
        return;
    // The alarm is consumed: the record and the bell say no alarm.
    Alarme->setToolTip(QString());
    setRecord(ReplaceField(ReplaceField(m_record, Aviso, QStringLiteral("N")), DataHoraAviso, QString()));
    QPointer<frmLembrete> self(this);
    StopSound();
    if (!self)
        return;
    setNoteColor(ColorFromIndex(m_alarm.colorIndex()));
    Alarme->hide();
    tmrContAlarme->stop();
    m_alarm.finish();
}
