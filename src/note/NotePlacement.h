// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QPoint>
#include <QSize>

class NoteValue;
class frmLembrete;

// Where note windows go on the screens: a loaded note kept within what the screens can show, and
// a new note's place beside the notes already shown.
namespace NotePlacement {

// Keeps a loaded note within what the screens can show: never larger than the largest screen, never
// placed so far off that its place cannot be a window's. The record itself is left alone.
void fitToScreens(NoteValue &n);
// Where a new note of `size` pixels goes: centred on the screen under the pointer, a step down and
// right of any of `notes` shown there.
QPoint newNotePlace(QSize size, const QList<frmLembrete *> &notes);

} // namespace NotePlacement
