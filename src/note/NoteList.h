// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>

class frmLembrete;

// The list of note windows: there is no other list of notes than the application's open
// windows tagged as notes, walked in the order they were made.
namespace NoteList {
QList<frmLembrete *> notes();
// Re-asserts always-on-top for every pinned note, in that order, so pinned notes stay above
// the note or dialog that has just come forward.
void refreshPinBand();
}
