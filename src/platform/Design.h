// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QColor>
#include <QString>

class QCursor;
class QPixmap;
class QWidget;

// What every window of the program shares of its design: places and sizes in twips, ink that
// stands out, pictures, the hand pointer of clickable pictures and links, and the style of a group frame.
namespace Design {

// Twips: 1/1440 inch, 15 to the (device-independent) pixel.
constexpr float TwipsPerPixel = 15.0f;

int px(float twips);
inline float twips(int pixels) { return float(pixels) * TwipsPerPixel; }
// Places a control at a design rectangle given in twips.
void placeTw(QWidget *widget, float left, float top, float width, float height);

// The ink that stands out on `paper`: black on a light colour, white on a dark one.
inline QColor inkOn(const QColor &paper) { return paper.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black); }

// A PNG picture of the program's resources, read once and shared by every window showing it.
QPixmap picture(const QString &path);

// The pointing hand, its hotspot on the tip of the index finger.
const QCursor &handCursor();

// A group frame whose caption sits on its top edge, so the controls placed from the frame's top
// clear the caption as designed. `background` fills the frame and `foreground` draws its edge and
// caption when given; otherwise the desktop's theme decides.
QString frameStyle(const QString &background = QString(), const QString &foreground = QString());

}
