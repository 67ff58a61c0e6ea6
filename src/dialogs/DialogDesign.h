// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "platform/Design.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPushButton>

// What the two dialogs share of their design beyond the common one: the Verdana font, and keys
// that press nothing.
namespace DialogDesign {

using Design::placeTw;
using Design::px;

// Verdana where installed, the desktop's font otherwise.
inline QFont designFont(qreal points, bool bold, bool italic = false, bool underline = false)
{
    QFont f = QApplication::font();
    static const bool haveVerdana = QFontDatabase::hasFamily(QStringLiteral("Verdana"));
    if (haveVerdana)
        f.setFamilies({QStringLiteral("Verdana")});
    f.setPointSizeF(points);
    f.setWeight(bold ? QFont::Bold : QFont::Normal);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

// Enter on a button that has the focus presses it, as a keyboard user expects; true when it did.
inline bool pressesFocusedButton(QWidget *dialog, QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    auto *button = qobject_cast<QPushButton *>(dialog->focusWidget());
    if (!button || !button->isEnabled() || (event->modifiers() & ~Qt::KeypadModifier))
        return false;
    event->accept();
    button->click();
    return true;
}

// Neither dialog has a default or a cancel button: Enter and Escape are swallowed.
inline bool swallowsKey(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        event->accept();
        return true;
    default:
        return false;
    }
}

}
