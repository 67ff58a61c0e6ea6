// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Design.h"

#include <QCursor>
#include <QHash>
#include <QImageReader>
#include <QPixmap>
#include <QWidget>
#include <cmath>

namespace Design {

int px(float twips) { return int(std::lround(twips / TwipsPerPixel)); }

void placeTw(QWidget *widget, float left, float top, float width, float height)
{
    widget->setGeometry(px(left), px(top), px(width), px(height));
}

QPixmap picture(const QString &path)
{
    // Read as PNG and nothing else: a reader left to find the format asks every image plugin
    // (JPEG, GIF, ICO), which loads them all. Kept for the process's end, as the icons are.
    static auto *read = new QHash<QString, QPixmap>;
    auto it = read->constFind(path);
    if (it == read->constEnd()) {
        QImageReader reader(path, "png");
        reader.setAutoDetectImageFormat(false);
        it = read->insert(path, QPixmap::fromImage(reader.read()));
    }
    return *it;
}

const QCursor &handCursor()
{
    static const QCursor cursor(picture(QStringLiteral(":/pictures/hand.png")), 5, 0);
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
