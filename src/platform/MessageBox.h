// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

class QWidget;

// Message boxes with a single OK button, titled "Quadrelo".
class MessageBox {
public:
    enum Icon { NoIcon, Information, Warning, Critical };
    virtual ~MessageBox() = default;
    virtual void show(const QString &text, Icon icon = NoIcon, QWidget *parent = nullptr) = 0;
};

class QtMessageBox : public MessageBox {
public:
    void show(const QString &text, Icon icon, QWidget *parent) override;
};
