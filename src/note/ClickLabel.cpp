// SPDX-License-Identifier: GPL-3.0-or-later
#include "note/ClickLabel.h"
#include "platform/Design.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace {

// What a screen reader finds in a focusable picture: a button named after its tip that it can press.
class AccessiblePicture : public QAccessibleWidget {
public:
    explicit AccessiblePicture(ClickLabel *picture) : QAccessibleWidget(picture, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override
    {
        QWidget *w = widget();
        switch (t) {
        case QAccessible::Name:
            if (!w->accessibleName().isEmpty())
                return w->accessibleName();
            if (const char *name = static_cast<ClickLabel *>(w)->nameBeforeTip())
                return QString::fromUtf8(name) + (w->toolTip().isEmpty() ? QString() : ": " + w->toolTip());
            return w->toolTip();
        case QAccessible::Description:
            // The tip is the name already; said twice it is noise.
            return w->accessibleDescription();
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
    void doAction(const QString &action) override
    {
        if (action == pressAction())
            static_cast<ClickLabel *>(widget())->press();
        else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString &action) const override
    {
        return action == pressAction() ? QStringList{QStringLiteral("Space")} : QStringList();
    }
};

QAccessibleInterface *pictureFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String("ClickLabel") || !object || !object->isWidgetType())
        return nullptr;
    auto *picture = static_cast<ClickLabel *>(object);
    // A picture the keyboard cannot reach (a link, a handle) stays what a label is.
    return picture->focusPolicy() == Qt::NoFocus ? nullptr : new AccessiblePicture(picture);
}

}

ClickLabel::ClickLabel(QWidget *parent) : QLabel(parent)
{
    static const bool installed = (QAccessible::installFactory(pictureFactory), true);
    Q_UNUSED(installed);
}

void ClickLabel::press()
{
    if (isEnabled())
        click();
}

void ClickLabel::click()
{
    QPointer<ClickLabel> alive(this);
    emit clicked();
    if (alive && m_action) {
        const auto action = m_action; // the command may end the picture's window
        action();
    }
}

void ClickLabel::setTip(const QString &tip)
{
    if (tip == toolTip())
        return;
    setToolTip(tip);
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&event);
    }
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    emit pressed(event->button());
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        click();
}

void ClickLabel::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (event->modifiers() & ~Qt::KeypadModifier)
            break;
        event->accept();
        if (!event->isAutoRepeat())
            press();
        return;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}

void ClickLabel::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus())
        return;
    // The ink of the note, unless it is as dark or as light as the paper (a damaged record's
    // black note, a dark theme): then whichever of black and white stands out.
    const QColor paper = palette().color(backgroundRole());
    QColor ink = palette().color(foregroundRole());
    if (qAbs(ink.lightness() - paper.lightness()) < 128)
        ink = Design::inkOn(paper);
    QPainter p(this);
    p.setPen(QPen(ink, 1, Qt::DotLine));
    p.drawRect(focusMark().adjusted(0, 0, -1, -1));
}

QRect ClickLabel::focusMark() const
{
    // Only the part inside the window: a picture may reach past the window's edge.
    QRect mark = rect();
    if (QWidget *window = parentWidget())
        mark &= QRect(mapFromParent(QPoint(0, 0)), window->size());
    return mark;
}

void ClickLabel::focusInEvent(QFocusEvent *event)
{
    // A shaped picture shows only its own pixels: the mark's are added while it has the focus.
    if (!mask().isEmpty()) {
        m_mask = mask();
        const QRect mark = focusMark();
        setMask(m_mask + (QRegion(mark) - QRegion(mark.adjusted(1, 1, -1, -1))));
    }
    QLabel::focusInEvent(event);
}

void ClickLabel::focusOutEvent(QFocusEvent *event)
{
    if (!m_mask.isEmpty()) {
        setMask(m_mask);
        m_mask = QRegion();
    }
    QLabel::focusOutEvent(event);
}
