// SPDX-License-Identifier: GPL-3.0-or-later
#include "note/NoteList.h"
#include "note/frmLembrete.h"
#include "platform/Platform.h"
#include "platform/WindowOps.h"

namespace NoteList {

QList<frmLembrete *> notes()
{
    QList<frmLembrete *> list;
    for (QWidget *w : WindowOps::openWindows()) {
        auto *note = qobject_cast<frmLembrete *>(w);
        if (note && note->isNote())
            list << note;
    }
    return list;
}

void refreshPinBand()
{
    for (frmLembrete *note : notes())
        if (note->isPinned())
            Platform::windows().setTopmost(note, true);
}

}
