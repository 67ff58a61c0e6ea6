// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QString>

class frmLembrete;

// The open notes: each note window from the end of its set-up until it is disposed of, in the
// order the windows were made, found by its note's identity. A note made here has no identity
// until its first save; until then its window is its key.
namespace NoteRegistry {

// The notes, oldest first. A copy: notes may come and go while it is walked.
QList<frmLembrete *> notes();
// The note with this identity, or nullptr.
frmLembrete *find(const QString &noteId);
bool contains(const frmLembrete *note);
// Re-asserts always-on-top for every pinned note, oldest first, so pinned notes stay above the
// note or dialog that has just come forward.
void refreshPinBand();

// Kept up to date by the note windows themselves.
void add(frmLembrete *note);
void remove(frmLembrete *note); // nothing for a note that is not in it
void identityChanged(frmLembrete *note);

}
