// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/StoreMerge.h"
#include "records/NoteRecord.h"
#include "platform/RuntimeError.h"

#include <QSet>
#include <QUuid>
#include <algorithm>

namespace StoreMerge {

using namespace StoreSync;
using namespace NoteRecord;

namespace {

QString uuidText(const QUuid &uuid) { return uuid.toString(QUuid::WithoutBraces); }

bool placeOf(const QString &record, Place &place)
{
    try {
        const QStringList p = split(record);
        place = {toSingle(field(p, Topo)), toSingle(field(p, Esquerda)), toSingle(field(p, Largura)),
                 toSingle(field(p, Altura))};
        return true;
    } catch (const RuntimeError &) {
        return false;
    }
}

Version joined(const Version &a, const Version &b)
{
    Version v = a;
    for (auto it = b.begin(); it != b.end(); ++it)
        v[it.key()] = std::max(v.value(it.key()), it.value());
    return v;
}

bool coversVersion(const Version &a, const Version &b)
{
    for (auto it = b.begin(); it != b.end(); ++it)
        if (a.value(it.key()) < it.value())
            return false;
    return true;
}

bool covers(const Version &v, const Dot &d) { return d.isNull() || v.value(d.machine) >= d.counter; }

bool later(const Dot &a, const Dot &b)
{
    return a.counter != b.counter ? a.counter > b.counter : a.machine > b.machine;
}

// A known note as the window holds it now: each field changed since counts as this machine's
// next change of the note.
Note changedNote(const Note &was, const QString &record, const QString &machine)
{
    Note note = was;
    note.record = record;
    const QStringList before = split(was.record), after = split(record);
    const qint64 counter = note.version.value(machine) + 1;
    bool changed = false;
    for (int n = 0; n < std::max(before.size(), after.size()); ++n) {
        if (!isPlaceField(n) && before.value(n) != after.value(n)) {
            note.dots[n] = {machine, counter};
            changed = true;
        }
    }
    if (changed)
        note.version[machine] = counter;
    return note;
}

} // namespace

Snapshot capture(const Snapshot &known, const Edits &edits, const QString &machine, const QDate &today)
{
    Snapshot s;
    s.setAside = known.setAside;
    s.notes.reserve(known.notes.size() + edits.made.size());
    auto withPlace = [&machine](Note note, const QString &record) {
        Place place;
        if (placeOf(record, place))
            note.places[machine] = place;
        return note;
    };
    for (const Note &was : known.notes) {
        if (edits.removed.contains(was.id))
            continue;
        const auto it = edits.changed.constFind(was.id);
        s.notes << (it == edits.changed.constEnd() ? was : withPlace(changedNote(was, *it, machine), *it));
    }
    for (const Live &l : edits.made) {
        Note note;
        note.id = l.id;
        note.record = l.record;
        note.version[machine] = known.deleted.value(note.id).version.value(machine) + 1;
        s.notes << withPlace(note, l.record);
    }

    const QDate oldest = today.addMonths(-6);
    for (auto it = known.deleted.begin(); it != known.deleted.end(); ++it)
        if (it->date >= oldest)
            s.deleted.insert(it.key(), *it);
    for (const Note &was : known.notes) {
        if (edits.removed.contains(was.id)) {
            Version v = was.version;
            v[machine] = v.value(machine) + 1;
            s.deleted.insert(was.id, {v, today});
        }
    }
    for (const Live &l : edits.made)
        s.deleted.remove(l.id);
    return s;
}

namespace {

// One field of a note both sides have (or the alarm's flag and moment, which change together),
// as each side holds it.
struct Unit {
    QList<int> fields;
    QString ours, theirs;   // the fields' values joined
    Dot dotOurs, dotTheirs; // the latest change of the fields on each side
};

Unit unitAt(int n, const Note &o, const Note &t, const QStringList &po, const QStringList &pt)
{
    Unit u;
    u.fields = n == Aviso ? QList<int>{Aviso, DataHoraAviso} : QList<int>{n};
    for (int f : u.fields) {
        u.ours += po.value(f) + QChar(FieldSeparator);
        u.theirs += pt.value(f) + QChar(FieldSeparator);
        if (later(o.dots.value(f), u.dotOurs))
            u.dotOurs = o.dots.value(f);
        if (later(t.dots.value(f), u.dotTheirs))
            u.dotTheirs = t.dots.value(f);
    }
    return u;
}

struct Merger {
    const QString &machine;
    Result result;

    // Places: this machine's own from ours, the others' from theirs where it has them.
    static QMap<QString, Place> joinedPlaces(const Note &o, const Note &t, const QString &machine)
    {
        QMap<QString, Place> places = o.places;
        for (auto it = t.places.begin(); it != t.places.end(); ++it)
            if (it.key() != machine || !places.contains(machine))
                places[it.key()] = *it;
        return places;
    }

    // Whether theirs wins the unit; a text lost to a concurrent one is kept in `lost`.
    static bool theirsWins(const Unit &u, const Note &o, const Note &t, bool setOurs, bool setTheirs, QString &lostText,
                           Dot &lostDot)
    {
        if (u.ours == u.theirs || u.dotOurs == u.dotTheirs)
            return u.ours == u.theirs ? later(u.dotTheirs, u.dotOurs) : u.theirs > u.ours; // the same either way round
        const bool oursSawTheirs = covers(o.version, u.dotTheirs), theirsSawOurs = covers(t.version, u.dotOurs);
        if (oursSawTheirs != theirsSawOurs)
            return theirsSawOurs;
        const int first = u.fields.first();
        // An alarm set anew on one side while the other rang or cleared the old one: a reminder
        // missed is worse than one too many.
        if (first == Aviso && !oursSawTheirs && setOurs != setTheirs)
            return setTheirs;
        const bool takeTheirs = later(u.dotTheirs, u.dotOurs);
        if (first == Texto && !oursSawTheirs) {
            lostText = (takeTheirs ? u.ours : u.theirs).chopped(1);
            lostDot = takeTheirs ? u.dotOurs : u.dotTheirs;
        }
        return takeTheirs;
    }

    void both(const Note &o, const Note &t)
    {
        if (o == t) { // most notes of a join: the same on both sides, nothing to weigh
            result.merged.notes << o;
            return;
        }
        Note m;
        m.id = o.id;
        m.version = joined(o.version, t.version);
        m.places = joinedPlaces(o, t, machine);
        const QStringList po = split(o.record), pt = split(t.record);
        QStringList pm = po;
        while (pm.size() < pt.size())
            pm << QString();
        const bool setOurs = po.value(Aviso) == QLatin1String("S"), setTheirs = pt.value(Aviso) == QLatin1String("S");
        QString lostText;
        Dot lostDot;
        for (int n = 0; n < pm.size(); ++n) {
            if (isPlaceField(n) || n == DataHoraAviso)
                continue;
            const Unit u = unitAt(n, o, t, po, pt);
            const bool takeTheirs = theirsWins(u, o, t, setOurs, setTheirs, lostText, lostDot);
            for (int f : u.fields) {
                if (f >= pm.size())
                    break; // a record too short to hold the alarm's moment
                pm[f] = takeTheirs ? pt.value(f) : po.value(f);
                const Dot d = (takeTheirs ? t : o).dots.value(f);
                if (!d.isNull())
                    m.dots[f] = d;
            }
        }
        m.record = placed(pm.join(QChar(FieldSeparator)), m.places, machine);
        result.merged.notes << m;
        if (!lostDot.isNull())
            conflictCopy(m, pm, lostText, lostDot);
    }

    // The losing text as a note of its own, with the same identity on every machine that settles
    // the same conflict, a little below and right of its note so that it is seen.
    void conflictCopy(const Note &note, QStringList pieces, const QString &text, const Dot &lost)
    {
        Note c;
        c.id = uuidText(QUuid::createUuidV5(QUuid::fromString(note.id),
                                            lost.machine + QLatin1Char(':') + QString::number(lost.counter)));
        pieces[Texto] = text;
        pieces[Aviso] = QStringLiteral("N");
        pieces[DataHoraAviso] = QString();
        for (auto it = note.places.begin(); it != note.places.end(); ++it)
            c.places[it.key()] = {it->topTw + 360, it->leftTw + 360, it->widthTw, it->heightTw};
        c.record = placed(pieces.join(QChar(FieldSeparator)), c.places, machine);
        result.merged.notes << c;
        ++result.conflicts;
    }

    // A note one side has: kept, unless the other side deleted it after seeing all its changes.
    void one(const Note &note, const Deleted &otherDeleted)
    {
        Note n = note;
        if (const auto it = otherDeleted.constFind(note.id); it != otherDeleted.constEnd()) {
            if (coversVersion(it->version, note.version))
                return;
            // Changed where the deletion was not seen: it stays, and counts past the deletion
            // so that the deleting machine's next change of it is not numbered twice.
            n.version = joined(n.version, it->version);
        }
        n.record = placed(n.record, n.places, machine);
        result.merged.notes << n;
    }
};

} // namespace

Result merge(const Snapshot &ours, const Snapshot &theirs, const QString &machine)
{
    Merger m{machine, {}};
    QMap<QString, int> theirIndex;
    for (int i = 0; i < theirs.notes.size(); ++i)
        theirIndex.insert(theirs.notes[i].id, i);
    QSet<QString> inOurs;
    for (const Note &o : ours.notes) {
        inOurs.insert(o.id);
        if (const auto it = theirIndex.constFind(o.id); it != theirIndex.constEnd())
            m.both(o, theirs.notes[*it]);
        else
            m.one(o, theirs.deleted);
    }
    for (const Note &t : theirs.notes)
        if (!inOurs.contains(t.id))
            m.one(t, ours.deleted);

    Snapshot &merged = m.result.merged;
    QSet<QString> kept;
    for (const Note &n : std::as_const(merged.notes))
        kept.insert(n.id);
    for (const Deleted *d : {&ours.deleted, &theirs.deleted}) {
        for (auto it = d->begin(); it != d->end(); ++it) {
            if (kept.contains(it.key()))
                continue;
            Deletion &j = merged.deleted[it.key()];
            j.version = joined(j.version, it->version);
            j.date = std::max(j.date, it->date);
        }
    }
    merged.setAside = ours.setAside;
    for (const QString &r : theirs.setAside)
        if (!merged.setAside.contains(r))
            merged.setAside << r;
    return m.result;
}

} // namespace StoreMerge
