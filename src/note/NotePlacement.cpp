// SPDX-License-Identifier: GPL-3.0-or-later
#include "note/NotePlacement.h"
#include "note/frmLembrete.h"
#include "platform/Design.h"
#include "records/NoteValue.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace NotePlacement {

// Keeps a loaded note within what the screens can show: never larger than the largest screen
// (a size of a million twips would make a window that takes minutes and gigabytes to draw), never
// placed so far off that its place cannot be a window's.
void fitToScreens(NoteValue &n)
{
    QRect all, largest;
    for (const QScreen *screen : QGuiApplication::screens()) {
        all |= screen->geometry();
        const QSize size = screen->geometry().size();
        if (qint64(size.width()) * size.height() > qint64(largest.width()) * largest.height())
            largest = screen->geometry();
    }
    if (all.isEmpty())
        return;
    n.widthTw = std::clamp(n.widthTw.value_or(0), frmLembrete::DesignWidthTw,
                           std::max(frmLembrete::DesignWidthTw, Design::twips(largest.width())));
    n.heightTw = std::clamp(n.heightTw.value_or(0), frmLembrete::DesignHeightTw,
                            std::max(frmLembrete::DesignHeightTw, Design::twips(largest.height())));
    if (n.leftTw && n.topTw) {
        // Still beyond the screens if it was: the move onto the nearest screen follows.
        const float x =
            std::clamp(*n.leftTw, Design::twips(all.left()) - 2 * *n.widthTw, Design::twips(all.right()) + *n.widthTw);
        const float y =
            std::clamp(*n.topTw, Design::twips(all.top()) - 2 * *n.heightTw, Design::twips(all.bottom()) + *n.heightTw);
        n.leftTw = x, n.topTw = y;
    }
}

// Where a new note goes, in pixels: centred on the screen under the pointer, and a step down and
// right of any shown note already there, so that new notes never hide each other exactly. Left to
// the window manager, some put it at the top-left corner.
QPoint newNotePlace(QSize size, const QList<frmLembrete *> &notes)
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect area = screen->availableGeometry();
    const QPoint offset(qMax(0, (area.width() - size.width()) / 2), qMax(0, (area.height() - size.height()) / 2));
    const int spanX = qMax(1, area.width() - size.width());
    const int spanY = qMax(1, area.height() - size.height());
    constexpr int Step = 24;
    auto taken = [&notes](QPoint at) {
        for (const frmLembrete *note : notes)
            if (note->isVisible() && (note->pos() - at).manhattanLength() < Step)
                return true;
        return false;
    };
    // Down and right in steps, starting again at the top once past the bottom or right edge.
    for (int i = 0; i < 100; ++i) {
        const QPoint at(area.left() + (offset.x() + i * Step) % spanX, area.top() + (offset.y() + i * Step) % spanY);
        if (!taken(at))
            return at;
    }
    return area.topLeft() + offset;
}

} // namespace NotePlacement
