// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Design.h"

#include <QCursor>
#include <QPixmap>
#include <QWidget>
#include <cmath>

namespace Design {

int px(float twips) { return int(std::lround(twips / TwipsPerPixel)); }

void placeTw(QWidget *widget, float left, float top, float width, float height)
{
    widget->setGeometry(px(left), px(top), px(width), px(height));
}

const QCursor &handCursor()
{
    static const QCursor cursor(QPixmap(QStringLiteral(":/pictures/hand.png")), 5, 0);
    return cursor;
}

QString frameStyle(const QString &background, const QString &foreground)
{
    const QString fill = background.isEmpty() ? QString() : QStringLiteral("background-color: %1;").arg(background);
    const QString ink = foreground.isEmpty() ? QString() : QStringLiteral("color: %1;").arg(foreground);
    const QString edge = foreground.isEmpty() ? QStringLiteral("palette(mid)") : foreground;
    return QStringLiteral("QGroupBox { border: 1px solid %3; margin-top: 0.5em; %1 %2 }"
                          "QGroupBox::title { subcontrol-origin: margin; left: 4px; padding: 0 1px; %1 %2 }")
        .arg(fill, ink, edge);
}

}
