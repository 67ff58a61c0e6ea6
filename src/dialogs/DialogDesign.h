#pragma once
#include "note/frmLembrete.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QWidget>

// What the two dialogs share of their design: twips geometry, the Verdana font, and keys that
// press nothing.
namespace DialogDesign {

inline int px(float twips) { return qRound(twips / TwipsPerPixel); }

inline void placeTw(QWidget *w, float left, float top, float width, float height)
{
    w->setGeometry(px(left), px(top), px(width), px(height));
}

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

// A group frame whose caption sits on its top edge, so the controls placed from the frame's top
// clear the caption as designed. `background` fills the frame and `foreground` draws its edge and
// caption when given; otherwise the desktop's theme decides.
inline QString frameStyle(const QString &background = QString(), const QString &foreground = QString())
{
    const QString fill = background.isEmpty() ? QString() : QStringLiteral("background-color: %1;").arg(background);
    const QString ink = foreground.isEmpty() ? QString() : QStringLiteral("color: %1;").arg(foreground);
    const QString edge = foreground.isEmpty() ? QStringLiteral("palette(mid)") : foreground;
    return QStringLiteral("QGroupBox { border: 1px solid %3; margin-top: 0.5em; %1 %2 }"
                          "QGroupBox::title { subcontrol-origin: margin; left: 4px; padding: 0 1px; %1 %2 }")
        .arg(fill, ink, edge);
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
