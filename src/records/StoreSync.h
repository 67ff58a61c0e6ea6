// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
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
    QString record;     // the 15-field record, as stored
    Version version;
    QMap<int, Dot> dots; // field number -> the change that last set it; none: never changed
    QMap<QString, Place> places; // machine -> its place for this note
};

// Deleted notes: id -> the version at the deletion.
using Deleted = QMap<QString, Version>;

struct Snapshot {
    QList<Note> notes; // in store order
    Deleted deleted;
    QStringList setAside; // records that cannot be read, kept in the store as they are
};

// This machine's name in versions and places: made once per user and machine, and kept outside
// the configuration folder, which a sync tool may carry to other machines.
QString machineId();

// Reads the notes and what the merge needs from the store. A note the store holds no identity
// for (a store an older version wrote) gets one derived from its content, the same on every
// machine, so two machines upgrading the same store agree on it.
Snapshot read(const SettingsStore &store);
// Rebuilds the notes and their merge data in the store and commits it; throws RuntimeError.
void write(SettingsStore &store, const Snapshot &snapshot);

// A note as the windows hold it now: id empty for a note made since the last capture; the
// record with this machine's live place, size and text.
struct Live {
    QString id;
    QString record;
};
// The store's content after this machine's changes since `known`: notes changed here are counted
// as changes of `machine`, new notes get their identity (in the order of `live`), notes missing
// from `live` are recorded as deleted, and this machine's place is taken from each record.
Snapshot capture(const Snapshot &known, const QList<Live> &live, const QString &machine);

struct Result {
    Snapshot merged;
    // Notes changed on both sides whose texts could not be joined: the other side's version was
    // kept as a note of its own.
    int conflicts = 0;
};
// Joins two versions of the store; both machines reach the same result from the same pair.
// `machine` only chooses which record fields of place (3, 4, 13, 14) the merged records carry.
Result merge(const Snapshot &ours, const Snapshot &theirs, const QString &machine);

// Whether a file beside the store is a copy a sync tool made of it after a conflict
// ("Quadrelo.sync-conflict-20261207-101010-ABCDEFG.conf", "Quadrelo (conflicted copy ...).conf").
bool isConflictCopy(const QString &fileName);

}
