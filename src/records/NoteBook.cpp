// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/NoteBook.h"
#include "records/NoteRecord.h"

#include <QUuid>
#include <algorithm>

namespace {

// The fields of two records that differ, places left out.
QList<int> differingFields(const QString &a, const QString &b)
{
    const QStringList pa = NoteRecord::split(a), pb = NoteRecord::split(b);
    QList<int> fields;
    for (int n = 0; n < std::max(pa.size(), pb.size()); ++n)
        if (!StoreSync::isPlaceField(n) && pa.value(n) != pb.value(n))
            fields << n;
    return fields;
}

} // namespace

NoteBook::NoteBook(const QString &machine, QObject *parent) : QObject(parent), m_machine(machine) {}

qsizetype NoteBook::indexOf(const QString &id) const
{
    if (m_index.isEmpty())
        for (qsizetype i = 0; i < m_known.notes.size(); ++i)
            m_index.insert(m_known.notes[i].id, i);
    return m_index.value(id, -1);
}

QString NoteBook::add(const QString &record)
{
    QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    m_edits.made << StoreSync::Live{id, record};
    return id;
}

void NoteBook::update(const QString &id, const QString &record)
{
    for (StoreSync::Live &made : m_edits.made)
        if (made.id == id)
            return void(made.record = record);
    const qsizetype i = indexOf(id);
    if (i < 0 || m_edits.removed.contains(id))
        return;
    const StoreSync::Note &note = m_known.notes[i];
    // A note without this machine's place takes it from its window.
    if (record == note.record && note.places.contains(m_machine))
        m_edits.changed.remove(id);
    else
        m_edits.changed.insert(id, record);
}

void NoteBook::remove(const QString &id)
{
    const auto made =
        std::find_if(m_edits.made.begin(), m_edits.made.end(), [&id](const StoreSync::Live &l) { return l.id == id; });
    if (made != m_edits.made.end()) {
        m_edits.made.erase(made);
        return;
    }
    m_edits.changed.remove(id);
    if (indexOf(id) >= 0)
        m_edits.removed.insert(id);
}

void NoteBook::reset(const StoreSync::Snapshot &notes)
{
    m_known = notes;
    m_index.clear();
    m_edits = {};
}

StoreSync::Snapshot NoteBook::capture(const QDate &today) const
{
    return StoreMerge::capture(m_known, m_edits, m_machine, today);
}

void NoteBook::settle(const StoreSync::Snapshot &captured, const StoreSync::Snapshot &merged, bool tell)
{
    QList<Change> changes;
    if (tell) {
        QHash<QString, const StoreSync::Note *> before;
        for (const StoreSync::Note &n : captured.notes)
            before.insert(n.id, &n);
        for (const StoreSync::Note &n : merged.notes) {
            const StoreSync::Note *was = before.take(n.id);
            const bool placedHere = n.places.contains(m_machine);
            if (!was)
                changes << Change{Change::Added, n.id, n.record, placedHere, {}};
            else if (was->record != n.record)
                if (const QList<int> fields = differingFields(was->record, n.record); !fields.isEmpty())
                    changes << Change{Change::Changed, n.id, n.record, placedHere, fields};
        }
        for (const StoreSync::Note &n : captured.notes)
            if (before.contains(n.id))
                changes << Change{Change::Removed, n.id, n.record, false, {}};
    }
    m_known = merged;
    m_index.clear();
    m_edits = {};
    if (!changes.isEmpty())
        emit joined(changes);
}
