#include "note/frmLembrete.h"
#include "dialogs/DialogDesign.h"
#include "note/ClickLabel.h"
#include "platform/Platform.h"
#include "platform/ShellOpener.h"
#include "platform/WindowOps.h"
#include "records/Maker.h"
#include "records/NoteRecord.h"
#include "shell/frmPrincipal.h"

#include <QBitmap>
#include <QCursor>
#include <QGroupBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cmath>

using namespace NoteRecord;

namespace {

int px(float twips) { return int(std::lround(twips / TwipsPerPixel)); }

const QCursor &handCursor()
{
    static const QCursor cursor(QPixmap(QStringLiteral(":/pictures/hand.png")), 5, 0);
    return cursor;
}

QString twipsText(float v)
{
    const double d = double(v);
    if (d == std::floor(d) && std::fabs(d) < 1e15)
        return QString::number(qint64(d));
    return QString::number(d, 'g', 7);
}

}

frmLembrete::frmLembrete(QWidget *parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint)
{
    WindowOps::stampCreationOrder(this);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(QIcon(QStringLiteral(":/icons/quadrelo-32.png")));
    setAutoFillBackground(true);
    // A person hovering a picture expects its tip whether or not the note has been clicked.
    setAttribute(Qt::WA_AlwaysShowToolTips);
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

void frmLembrete::setControlGeometry(QWidget *w, float left, float top, float width, float height)
{
    w->setGeometry(px(left), px(top), px(width), px(height));
}

void frmLembrete::createControls()
{
    auto picture = [this](const char *name, const QString &tip, float l, float t, float w, float h,
                          bool hand) {
        auto *label = new ClickLabel(this);
        label->setObjectName(QLatin1String(name));
        label->setPixmap(QPixmap(QStringLiteral(":/pictures/%1.png").arg(QLatin1String(name))));
        label->setToolTip(tip);
        label->setAlignment(Qt::AlignCenter);
        if (hand)
            label->setCursor(handCursor());
        setControlGeometry(label, l, t, w, h);
        return label;
    };

    fraExclusao = new QGroupBox(QStringLiteral("Confirma Exclusão? "), this);
    fraExclusao->setObjectName(QStringLiteral("fraExclusao"));
    fraExclusao->setAutoFillBackground(true);
    {
        QPalette pal = fraExclusao->palette();
        pal.setColor(QPalette::Window, QColor(255, 192, 192));
        fraExclusao->setPalette(pal);
    }
    setControlGeometry(fraExclusao, 360, 1260, 1725, 555);
    {
        // The caption must fit the frame's 115 pixels in the desktop's (wider) font.
        QFont captionFont = fraExclusao->font();
        captionFont.setPointSizeF(7);
        fraExclusao->setFont(captionFont);
    }
    QFont small(QStringLiteral("Small Fonts"));
    small.setPointSizeF(6.75);
    cmdExcNao = new QPushButton(QStringLiteral("&Não"), fraExclusao);
    cmdExcNao->setObjectName(QStringLiteral("cmdExcNao"));
    cmdExcNao->setFont(small);
    setControlGeometry(cmdExcNao, 900, 225, 645, 240);
    cmdExcSim = new QPushButton(QStringLiteral("&Sim"), fraExclusao);
    cmdExcSim->setObjectName(QStringLiteral("cmdExcSim"));
    cmdExcSim->setFont(small);
    setControlGeometry(cmdExcSim, 135, 225, 645, 240);
    fraExclusao->hide();

    tmrContAlarme = new QTimer(this);
    tmrAviso = new QTimer(this);
    tmrAviso->start(60000);

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
    setControlGeometry(txtTexto, 390, 30, 2625, 1605);

    Lixeira = picture("Lixeira", QStringLiteral("Excluir Lembrete"), 45, 1260, 270, 270, true);
    esconder = picture("esconder", QStringLiteral("Esconder Lembrete"), -45, -45, 270, 270, true);
    imgEmail = picture("imgEmail", QStringLiteral("Enviar Lembrete por Email"), 45, 2070, 270, 270, true);
    Alarme = picture("Alarme", QString(), 45, 1665, 270, 270, true);
    Propriedade = picture("Propriedade", QStringLiteral("Propriedades do Lembrete"), 45, 810, 270, 270, true);
    Ponteiro = picture("Ponteiro", QStringLiteral("Fixar Lembrete"), 60, 420, 270, 270, true);
    Ponteiro2 = picture("Ponteiro2", QStringLiteral("Liberar Lembrete"), 60, 420, 270, 270, true);
    imgArraste = picture("imgArraste", QString(), gripLeft, gripTop, GripSize, GripSize, false);
    imgArraste->setCursor(Qt::SizeFDiagCursor);
    imgArraste->setMouseTracking(true);
    imgArraste->installEventFilter(this);
    imgTop = picture("imgTop", QString(), 0, 0, 360, 360, false);
    // The hide glyph lies over the folded corner: it takes the clicks on its visible pixels and
    // leaves the rest of the corner to the move.
    esconder->setMask(QBitmap::fromImage(
        QImage(QStringLiteral(":/pictures/esconder.png")).createAlphaMask().scaled(esconder->size())));
    esconder->raise();

    linRight = {3030, -60, 3030, 1140};
    linBottom = {0, 2295, 2040, 2295};
    linLeft = {5, 350, 5, 1650};
    linTop = {350, 5, 3060, 5};

    fraExclusao->raise(); // drawn above the text box when shown

    setTabOrder(txtTexto, fraExclusao);
    setTabOrder(fraExclusao, cmdExcSim);
    setTabOrder(cmdExcSim, cmdExcNao);
    setFocusProxy(nullptr);

    connect(tmrAviso, &QTimer::timeout, this, [this] { frmPrincipal::runGuarded([this] { tmrAviso_Timer(); }); });
    connect(tmrContAlarme, &QTimer::timeout, this, [this] { frmPrincipal::runGuarded([this] { tmrContAlarme_Timer(); }); });
    connect(Ponteiro, &ClickLabel::clicked, this, [this] { frmPrincipal::runGuarded([this] { Ponteiro_Click(); }); });
    connect(Ponteiro2, &ClickLabel::clicked, this, [this] { frmPrincipal::runGuarded([this] { Ponteiro2_Click(); }); });
    connect(esconder, &ClickLabel::clicked, this, [this] { frmPrincipal::runGuarded([this] { esconder_Click(); }); });
    connect(Lixeira, &ClickLabel::clicked, this, [this] {
        if (Lixeira->isEnabled())
            frmPrincipal::runGuarded([this] { Lixeira_Click(); });
    });
    connect(imgEmail, &ClickLabel::clicked, this, [this] { frmPrincipal::runGuarded([this] { imgEmail_Click(); }); });
    connect(Propriedade, &ClickLabel::clicked, this, [this] { frmPrincipal::runGuarded([this] { Propriedade_Click(); }); });
    connect(Alarme, &ClickLabel::clicked, this, [this] { frmPrincipal::runGuarded([this] { Alarme_Click(); }); });
    connect(imgArraste, &ClickLabel::clicked, this, [this] { frmPrincipal::runGuarded([this] { imgArraste_Click(); }); });
    connect(imgTop, &ClickLabel::pressed, this, [this](Qt::MouseButton b) { imgTop_MouseDown(int(b)); });
    connect(cmdExcSim, &QPushButton::clicked, this, [this] { frmPrincipal::runGuarded([this] { cmdExcSim_Click(); }); });
    connect(cmdExcNao, &QPushButton::clicked, this, [this] { frmPrincipal::runGuarded([this] { cmdExcNao_Click(); }); });
}

void frmLembrete::Form_Load()
{
    frmPrincipal::instance(); // the shell must exist before any note needs it
    resize(px(m_widthTw), px(m_heightTw));
    gripLeft = m_widthTw - GripSize;
    gripTop = m_heightTw - GripSize;
    placeGrip();
    layFrame(m_widthTw, m_heightTw, true);
    setNoteColor(ColorFromIndex(0));
}

void frmLembrete::placeGrip()
{
    setControlGeometry(imgArraste, gripLeft, gripTop, GripSize, GripSize);
}

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
    setControlGeometry(txtTexto, 390, 30, w - 400, h - 280);
    update();
}

void frmLembrete::imgArraste_MouseMove(int Button, int /*Shift*/, float X, float Y)
{
    fraExclusao->hide();
    if (Button != 1)
        return;
    gripLeft = gripLeft + X - GripSize / 2;
    gripTop = gripTop + Y - GripSize / 2;
    if (gripLeft < 2820)
        gripLeft = 2820;
    if (gripTop < 2190)
        gripTop = 2190;
    m_widthTw = gripLeft + GripSize;
    m_heightTw = gripTop + GripSize;
    resize(px(m_widthTw), px(m_heightTw));
    placeGrip();
    layFrame(m_widthTw, m_heightTw, false);
    WindowOps::processPendingEvents();
}

float frmLembrete::leftTw() const { return float(x()) * TwipsPerPixel; }
float frmLembrete::topTw() const { return float(y()) * TwipsPerPixel; }
float frmLembrete::widthTw() const { return m_widthTw; }
float frmLembrete::heightTw() const { return m_heightTw; }

void frmLembrete::setWidthTw(float w)
{
    m_widthTw = w;
    resize(px(w), height());
}

void frmLembrete::setHeightTw(float h)
{
    m_heightTw = h;
    resize(width(), px(h));
}

void frmLembrete::setLeftTw(float x) { move(px(x), y()); }
void frmLembrete::setTopTw(float y) { move(x(), px(y)); }

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

QColor frmLembrete::windowColor() const { return palette().color(QPalette::Window); }
QColor frmLembrete::textColor() const { return txtTexto->palette().color(QPalette::Base); }

QString frmLembrete::liveText() const { return txtTexto->toPlainText(); }

QString frmLembrete::savedRecord() const
{
    QString r = m_record;
    r = ReplaceField(r, Topo, twipsText(topTw()));
    r = ReplaceField(r, Esquerda, twipsText(leftTw()));
    r = ReplaceField(r, Largura, twipsText(widthTw()));
    r = ReplaceField(r, Altura, twipsText(heightTw()));
    r = ReplaceField(r, Texto, encodeText(liveText()));
    return r;
}

bool frmLembrete::isPinned() const { return Ponteiro->isHidden(); }
bool frmLembrete::isReadOnly() const { return txtTexto->isReadOnly(); }

void frmLembrete::setReadOnlyState(bool locked)
{
    txtTexto->setReadOnly(locked);
    Lixeira->setEnabled(!locked);
    txtTexto->setToolTip(locked ? QStringLiteral("Lembrete Bloqueado!") : QString());
}

void frmLembrete::setTimerInterval(QTimer *timer, int ms)
{
    if (ms <= 0)
        timer->stop();
    else
        timer->start(ms);
}

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
    WindowOps::showOnAllDesktops(this);
    // Qt may map a new native window here (a pinned note shown again) that has neither this
    // request nor the taskbar one: both are asked again once the window manager has mapped it.
    m_askWindowManager = true;
    windowHandle()->installEventFilter(this);
}

// ---- moving

void frmLembrete::beginMove(QWidget *source)
{
    Q_UNUSED(source);
    if (WindowOps::startSystemMove(this))
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
        AlarmAcknowledged = true;
    beginMove(this);
}

void frmLembrete::imgTop_MouseDown(int /*Button*/)
{
    fraExclusao->hide();
    if (!isPinned())
        beginMove(imgTop);
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
            WindowOps::setSkipTaskbar(this);
            WindowOps::showOnAllDesktops(this);
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
        imgArraste_MouseMove(int(me->buttons()), int(me->modifiers() >> 25),
                             float(p.x()) * TwipsPerPixel, float(p.y()) * TwipsPerPixel);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- state events

void frmLembrete::txtTexto_Click() { AlarmAcknowledged = true; }
void frmLembrete::txtTexto_MouseMove() { fraExclusao->hide(); }

void frmLembrete::imgArraste_Click()
{
    fraExclusao->hide();
    AlarmAcknowledged = true;
}

// ---- commands

void frmLembrete::setPinned(bool pinned)
{
    fraExclusao->hide();
    AlarmAcknowledged = true;
    Ponteiro->setVisible(!pinned);
    Ponteiro2->setVisible(pinned);
    WindowOps::setTopmost(this, pinned);
    m_record = ReplaceField(m_record, Fixo, pinned ? QStringLiteral("S") : QStringLiteral("N"));
    frmPrincipal::refreshPinBand();
}

void frmLembrete::Ponteiro_Click() { setPinned(true); }
void frmLembrete::Ponteiro2_Click() { setPinned(false); }

void frmLembrete::esconder_Click()
{
    fraExclusao->hide();
    AlarmAcknowledged = true;
    hide();
}

void frmLembrete::Lixeira_Click()
{
    QPalette pal = fraExclusao->palette();
    pal.setColor(QPalette::Window, windowColor());
    fraExclusao->setPalette(pal);
    // Styled only when first needed: a style sheet on every note would slow the start.
    fraExclusao->setStyleSheet(DialogDesign::frameStyle(windowColor().name(), QStringLiteral("black")));
    fraExclusao->show();
    fraExclusao->raise();
}

void frmLembrete::cmdExcNao_Click() { fraExclusao->hide(); }

void frmLembrete::cmdExcSim_Click()
{
    if (m_deleted)
        return;
    frmPrincipal *shell = frmPrincipal::instance();
    shell->changeNoteCounter(-1);
    shell->TrayUpdateTip();
    // Leave the walks over the notes at once; the object itself goes when the event loop is back.
    m_deleted = true;
    m_tag.clear();
    tmrAviso->stop();
    tmrContAlarme->stop();
    hide();
    deleteLater();
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
    Platform::shell().open(emailAddress(liveText()));
}

void frmLembrete::Propriedade_Click()
{
    fraExclusao->hide();
    AlarmAcknowledged = true;
    for (frmLembrete *note : frmPrincipal::notes())
        WindowOps::setTopmost(note, false);
    emit propertiesRequested(this);
}
