// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// The values that let two machines' copies of the store be merged note by note: each note's
// identity, the history of its changes (a version vector with, per field, the change that last
// set it), the notes deleted here, and each machine's own place for each note. A file-sync tool
// carries the store between machines; StoreMerge decides what the merged store holds, StoreFormat
// how it is kept in the file, NoteStore owns the file.
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
    QString id;     // a UUID without braces
    QString record; // the 15-field record, as stored; fields 3, 4, 13, 14 carry a place
    Version version;
    QMap<int, Dot> dots;         // field number -> the change that last set it; none: never changed
    QMap<QString, Place> places; // machine -> its place for this note; none for this machine:
                                 // the note is new here and wants a place on this screen
    bool operator==(const Note &o) const
    {
        return id == o.id && record == o.record && version == o.version && dots == o.dots && places == o.places;
    }
};

// A note deleted here or elsewhere: its version at the deletion (with the deleting machine's
// count raised), and the day it was recorded, so that old deletions can be forgotten.
struct Deletion {
    Version version;
    QDate date;
    bool operator==(const Deletion &o) const { return version == o.version && date == o.date; }
};
// Deleted notes: id -> the deletion.
using Deleted = QMap<QString, Deletion>;

struct Snapshot {
    QList<Note> notes; // in store order
    Deleted deleted;
    // Records too short (fewer than 15 separators) or too long (more than 256) to be a note,
    // kept in the store as they are, after the notes.
    QStringList setAside;
    bool operator==(const Snapshot &o) const
    {
        return notes == o.notes && deleted == o.deleted && setAside == o.setAside;
    }
};

// A note as the windows hold it now: id empty for a note made since the last capture; the
// record with this machine's live place, size and text.
struct Live {
    QString id;
    QString record;
};

// Whether the record's piece n holds a place or size, which is each machine's own.
bool isPlaceField(int n);
// A record without its fields of place and size.
QString withoutPlace(const QString &record);
// The record with `machine`'s place in its fields of place, where the note has one.
QString placed(const QString &record, const QMap<QString, Place> &places, const QString &machine);
// Whether two snapshots hold the same notes, changes, deletions and places: a store holding `b`
// lacks nothing of `a`. The places in the records are left out (each machine writes its own).
bool sameContent(const Snapshot &a, const Snapshot &b);

} // namespace StoreSync
