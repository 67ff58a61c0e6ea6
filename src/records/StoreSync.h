// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class SettingsStore;

// What lets two machines' copies of the store be merged note by note: each note's identity, the
// history of its changes (a version vector with, per field, the change that last set it), the
// notes deleted here, and each machine's own place for each note. A file-sync tool carries the
// store between machines; this decides what the merged store holds.
namespace StoreSync {

// One change: made on `machine`, as its `counter`-th change of that note.
struct Dot {
    QString machine;
    qint64 counter = 0;
    bool isNull() const { return machine.isEmpty(); }
    bool operator==(const Dot &o) const { return machine == o.machine && counter == o.counter; }
    bool operator!=(const Dot &o) const { return !(*this == o); }
};

// Per machine, how many changes of one note it has made or seen.
using Version = QMap<QString, qint64>;

// A note's place on one machine, in twips.
struct Place {
    float topTw = 0;
    float leftTw = 0;
    float widthTw = 0;
    float heightTw = 0;
    bool operator==(const Place &o) const
    {
        return topTw == o.topTw && leftTw == o.leftTw && widthTw == o.widthTw && heightTw == o.heightTw;
    }
};

struct Note {
    QString id;         // a UUID without braces
    QString record;     // the 15-field record, as stored; see read() and merge() for fields 3, 4, 13, 14
    Version version;
    QMap<int, Dot> dots; // field number -> the change that last set it; none: never changed
    QMap<QString, Place> places; // machine -> its place for this note; none for this machine:
                                 // the note is new here and wants a place on this screen
};

// A note deleted here or elsewhere: its version at the deletion (with the deleting machine's
// count raised), and the day it was recorded, so that old deletions can be forgotten.
struct Deletion {
    Version version;
    QDate date;
};
// Deleted notes: id -> the deletion.
using Deleted = QMap<QString, Deletion>;

struct Snapshot {
    QList<Note> notes; // in store order
    Deleted deleted;
    // Records too short (fewer than 15 separators) or too long (more than 256) to be a note,
    // kept in the store as they are, after the notes.
    QStringList setAside;
};

// This machine's name in versions and places: 10 characters of [a-z0-9], made once per user and
// machine and kept in $XDG_STATE_HOME/Quadrelo/machine (default ~/.local/state), outside the
// configuration folder, which a sync tool may carry to other machines. Two instances on one
// machine that must count as two machines need two XDG_STATE_HOME.
QString machineId();

// Reads the notes and what the merge needs from the store (groups "Lembretes", "Sincronia",
// "Lugares", "Apagados"). A note the store holds no identity for (a store an older version wrote)
// gets one derived from its content, the same on every machine, so two machines upgrading the
// same store agree on it. An identity an older version left behind when it renumbered or changed
// the notes is found again by the note's content or, when its note is gone, read as a deletion.
// With `machine`, each record's fields 3, 4, 13, 14 carry that machine's place where known.
Snapshot read(const SettingsStore &store, const QString &machine = QString());
// Rebuilds the four groups from the snapshot ("Lembretes" keys "0".. as save-all writes them,
// the set-aside records after the notes) and commits it; throws RuntimeError.
void write(SettingsStore &store, const Snapshot &snapshot);

// A note as the windows hold it now: id empty for a note made since the last capture; the
// record with this machine's live place, size and text.
struct Live {
    QString id;
    QString record;
};
// The store's content after this machine's changes since `known`, its notes in the order of
// `live` (so notes[i] is live[i], with the identity a new note got): a note whose fields other
// than 3, 4, 13, 14 differ from the known one counts as one change of `machine`; a note of `known`
// missing from `live` is recorded as deleted, so a note the windows could not show must still be
// given (its record as read) or moved to setAside by the caller; this machine's place is taken
// from each record. Deletions recorded more than six months before `today` are forgotten.
Snapshot capture(const Snapshot &known, const QList<Live> &live, const QString &machine,
                 const QDate &today = QDate::currentDate());

struct Result {
    Snapshot merged;
    // Notes whose text was changed on both sides: the note keeps the text of the later change,
    // and the other text became a note of its own, placed a little below and right of it, with
    // the note's other fields but no alarm (so the alarm cannot ring twice).
    int conflicts = 0;
};
// Joins two versions of the store; both machines reach the same notes, versions and deletions
// from the same pair, in either order. Per field, the change the other side has not seen wins;
// changes neither side saw of the other are settled by the later change, except that an alarm
// (fields 5 and 6, taken together) set on one side beats one rung or cleared on the other, and
// two texts make a conflict (see Result). A note deleted on one side and changed on the other
// since stays. Places: `machine`'s own from `ours`, the other machines' from `theirs` where it
// has them; the merged records' fields 3, 4, 13, 14 carry `machine`'s place where known, else
// what the record had. Notes in the order of `ours`, then those only `theirs` has (a conflict's
// copy right after its note).
Result merge(const Snapshot &ours, const Snapshot &theirs, const QString &machine);

// Whether a file beside the store is a copy a sync tool made of it after a conflict
// ("Quadrelo.sync-conflict-20261207-101010-ABCDEFG.conf", "Quadrelo (conflicted copy ...).conf",
// "Quadrelo (Someone's conflicted copy 2026-12-07).conf"); never the store, its lock or a sync
// tool's temporary file. `storeName` is the store's own file name.
bool isConflictCopy(const QString &fileName, const QString &storeName = QStringLiteral("Quadrelo.conf"));

}
