// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/MessageBox.h"

#include <QMessageBox>

void QtMessageBox::show(const QString &text, Icon icon, QWidget *parent)
{
    QMessageBox box(parent);
    box.setWindowTitle(QStringLiteral("Quadrelo"));
    box.setText(text);
    switch (icon) {
    case Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case NoIcon:
        break;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}
