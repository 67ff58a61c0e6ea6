// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLabel>
#include <functional>

// A picture that works as a button: a click (press and release inside it with the left button)
// presses it, and so do Space and Enter once it takes the keyboard focus (give it a focus policy).
// A focusable one is a button for assistive technology, named after its tip.
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr);
    // Presses it as a click does; nothing while it is disabled.
    void press();
    // Run at every press, after clicked(): a window with many pictures gives each its command
    // here rather than by a connection, which costs far more memory.
    void setAction(std::function<void()> action) { m_action = std::move(action); }
    // Named for assistive technology "<name>: <tip>", or "<name>" while it has no tip; worked out
    // when asked, since a name given ahead makes Qt build its accessible object at once.
    void setNameBeforeTip(const char *name) { m_nameBeforeTip = name; }
    const char *nameBeforeTip() const { return m_nameBeforeTip; }
    // Changes the tip, and so the name a screen reader says.
    void setTip(const QString &tip);
signals:
    void clicked();
    void pressed(Qt::MouseButton button);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void click();
    QRect focusMark() const;
    QRegion m_mask; // a shaped picture's own mask, while the focus mark widens it
    std::function<void()> m_action;
    const char *m_nameBeforeTip = nullptr;
};
