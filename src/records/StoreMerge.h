// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "records/StoreSync.h"

#include <QDate>
#include <QHash>
#include <QSet>

// The join of two machines' notes: what changed here since the last save, and what the merged
// store holds when two versions of it meet.
namespace StoreMerge {

// What the windows changed since the last save.
struct Edits {
    QHash<QString, QString> changed; // identity -> the record as the note's window holds it now
    QList<StoreSync::Live> made;     // notes made here, in the order made, each with its identity
    QSet<QString> removed;           // notes deleted here
    bool isEmpty() const { return changed.isEmpty() && made.isEmpty() && removed.isEmpty(); }
};

// The store's content after this machine's `edits` since `known`: the known notes in their order,
// then the notes made here. A note whose fields other than 3, 4, 13, 14 differ from the known one
// counts as one change of `machine`; a removed note is recorded as deleted; this machine's place
// is taken from each edited record. Notes not edited are taken as they are, not read again.
// Deletions recorded more than six months before `today` are forgotten.
StoreSync::Snapshot capture(const StoreSync::Snapshot &known, const Edits &edits, const QString &machine,
                            const QDate &today = QDate::currentDate());

struct Result {
    StoreSync::Snapshot merged;
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
// since stays; a note one side lacks without a deletion for it stays. Places: `machine`'s own
// from `ours`, the other machines' from `theirs` where it has them; the merged records' fields
// 3, 4, 13, 14 carry `machine`'s place where known, else what the record had. Notes in the order
// of `ours`, then those only `theirs` has (a conflict's copy right after its note).
Result merge(const StoreSync::Snapshot &ours, const StoreSync::Snapshot &theirs, const QString &machine);

} // namespace StoreMerge
