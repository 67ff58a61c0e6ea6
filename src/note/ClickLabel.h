// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QLabel>

// A picture that reports clicks (press and release inside it with the left button).
class ClickLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickLabel(QWidget *parent = nullptr) : QLabel(parent) {}
signals:
    void clicked();
    void pressed(Qt::MouseButton button);
protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
