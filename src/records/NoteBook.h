// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "records/StoreMerge.h"
#include "records/StoreSync.h"

#include <QList>
#include <QObject>
#include <QString>

// The notes as the program holds them between the note windows and the store file. The windows
// write their changes into it; the store's owner takes those changes at each save, joins them with
// what other writers left, and tells once which notes, and which of their fields, the join changed.
class NoteBook : public QObject {
    Q_OBJECT
public:
    // What a join did to one note, for the window that shows it.
    struct Change {
        enum Kind { Added, Removed, Changed };
        Kind kind = Changed;
        QString id;
        QString record;    // as joined, in this machine's place for it where it has one; Removed: as it was
        bool placedHere{}; // this machine has a place for it
        QList<int> fields; // Changed: the fields, places left out, that differ from what the window holds
    };

    // `machine`: this machine's name, whose place each note records.
    explicit NoteBook(const QString &machine, QObject *parent = nullptr);

    // The notes as last read, written or joined, without what the windows changed since.
    const StoreSync::Snapshot &known() const { return m_known; }
    // Whether the windows changed something since the last save.
    bool hasEdits() const { return !m_edits.isEmpty(); }

    // A note made here, with its record as its window holds it; its identity, given at once.
    QString add(const QString &record);
    // The record as the note's window holds it now: its value with the window's place, size and
    // text. Nothing for an unknown identity, or a record the note already has.
    void update(const QString &id, const QString &record);
    // The note was deleted here.
    void remove(const QString &id);

    // The notes as read at start; no edits.
    void reset(const StoreSync::Snapshot &notes);
    // The store's content with the windows' edits since the last save (see StoreMerge::capture).
    StoreSync::Snapshot capture(const QDate &today = QDate::currentDate()) const;
    // `merged`, the join of `captured` with what others wrote, is the book's notes from now on;
    // the edits captured are in it. With `tell`, joined() names the notes whose windows must change.
    void settle(const StoreSync::Snapshot &captured, const StoreSync::Snapshot &merged, bool tell);

signals:
    // Told once per join that changed some note's window: notes to open, close or update.
    void joined(const QList<NoteBook::Change> &changes);

private:
    qsizetype indexOf(const QString &id) const;

    QString m_machine;
    StoreSync::Snapshot m_known;
    StoreMerge::Edits m_edits;
    mutable QHash<QString, qsizetype> m_index; // identity -> place in m_known.notes; empty: to be built
};
