// SPDX-License-Identifier: GPL-3.0-or-later
// The note window on the screen: its drawing, its mapping by the window manager, and moving and
// resizing it without a border.
#include "note/frmLembrete.h"
#include "note/ClickLabel.h"
#include "platform/Design.h"
#include "platform/Platform.h"
#include "platform/WindowOps.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QGroupBox>
#include <QWindow>
#include <cmath>

using Design::px;
using Design::TwipsPerPixel;

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

// ---- drawing and mapping

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
    hideQuestion();
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
    hideQuestion();
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
    if (event->type() == QEvent::KeyPress && keyEvent(watched, static_cast<QKeyEvent *>(event)))
        return true;
    if (watched == txtTexto->viewport()) {
        if (event->type() == QEvent::MouseMove)
            txtTexto_MouseMove();
        else if (event->type() == QEvent::MouseButtonRelease)
            txtTexto_Click();
    } else if (watched == imgTop && event->type() == QEvent::MouseButtonPress) {
        imgTop_MouseDown();
    } else if (watched == imgArraste && event->type() == QEvent::MouseMove) {
        auto *me = static_cast<QMouseEvent *>(event);
        const QPointF p = me->position();
        imgArraste_MouseMove(int(me->buttons()), Design::twips(1) * float(p.x()), Design::twips(1) * float(p.y()));
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
