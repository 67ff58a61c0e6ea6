// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QList>
#include <QObject>

class frmLembrete;

// The open notes of one owner: each note window it entered, from the end of its set-up until it
// is disposed of or destroyed, in the order the windows were made; with the always-on-top band
// the pinned ones among them keep.
class NoteRegistry : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The notes, oldest first. A copy: notes may come and go while it is walked.
    QList<frmLembrete *> notes() const { return m_notes; }
    // Enters a set-up note; it leaves by itself when it is disposed of or destroyed, and its
    // requests about the top band are carried out over all the notes entered here.
    void add(frmLembrete *note);
    // Re-asserts always-on-top for every pinned note, oldest first, so pinned notes stay above the
    // note or dialog that has just come forward.
    void refreshPinBand() const;
    // Every note out of the always-on-top band, while a dialog opened from one of them is up.
    void leavePinBand() const;

private:
    void remove(frmLembrete *note);

    QList<frmLembrete *> m_notes;
};
