// SPDX-License-Identifier: GPL-3.0-or-later
#include "note/NoteRegistry.h"
#include "note/frmLembrete.h"
#include "platform/Platform.h"
#include "platform/WindowOps.h"

#include <algorithm>

void NoteRegistry::add(frmLembrete *note)
{
    if (m_notes.contains(note))
        return;
    // Almost always at the end; a window made while another was being set up goes before it.
    const auto earlier = [](const QWidget *a, const QWidget *b) {
        return WindowOps::creationOrder(a) < WindowOps::creationOrder(b);
    };
    if (m_notes.isEmpty() || earlier(m_notes.last(), note))
        m_notes.append(note);
    else
        m_notes.insert(std::upper_bound(m_notes.begin(), m_notes.end(), note, earlier), note);
    connect(note, &frmLembrete::disposed, this, [this, note] { remove(note); });
    connect(note, &frmLembrete::pinBandToRefresh, this, &NoteRegistry::refreshPinBand);
    connect(note, &frmLembrete::pinBandToLeave, this, &NoteRegistry::leavePinBand);
}

void NoteRegistry::remove(frmLembrete *note)
{
    m_notes.removeOne(note);
    disconnect(note, nullptr, this, nullptr);
}

void NoteRegistry::refreshPinBand() const
{
    for (frmLembrete *note : notes())
        if (note->isPinned())
            Platform::windows().setTopmost(note, true);
}

void NoteRegistry::leavePinBand() const
{
    for (frmLembrete *note : notes())
        Platform::windows().setTopmost(note, false);
}
