// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/StoreSync.h"
#include "records/NoteRecord.h"
#include "records/NoteValue.h"
#include "records/Persistence.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSysInfo>
#include <QUuid>
#include <cmath>

#include <cstdio>
#include <unistd.h>

namespace StoreSync {

namespace {

using namespace NoteRecord;

QString syncSection() { return QStringLiteral("Sincronia"); }
QString placesSection() { return QStringLiteral("Lugares"); }
QString deletedSection() { return QStringLiteral("Apagados"); }

// A record split at every separator, the piece after the last one included, so that joining
// the pieces again gives the record back exactly.
using Pieces = QStringList;

bool isPlaceField(int n) { return n == Topo || n == Esquerda || n == Largura || n == Altura; }

// What a note says, without where it stands on some screen.
QString contentOf(const QString &record)
{
    Pieces p = split(record);
    for (int n : {Altura, Largura, Esquerda, Topo})
        if (n < p.size())
            p.removeAt(n);
    return p.join(QChar(FieldSeparator));
}

QString hashOf(const QString &record)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(contentOf(record).toUtf8(), QCryptographicHash::Sha1).toHex().left(12));
}

QString uuidText(const QUuid &uuid) { return uuid.toString(QUuid::WithoutBraces); }

bool isMachine(const QString &s)
{
    static const QRegularExpression re(QStringLiteral("^[a-z0-9]{1,32}$"));
    return re.match(s).hasMatch();
}

bool isUuid(const QString &s) { return !QUuid::fromString(s).isNull() && s.size() == 36; }

// ---- values as the groups hold them: no commas, quotes, semicolons or backslashes, which the
// INI format would turn into lists or escapes.

QString versionText(const Version &v)
{
    QStringList parts;
    for (auto it = v.begin(); it != v.end(); ++it)
        parts << it.key() + QLatin1Char(':') + QString::number(it.value());
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QLatin1Char('+'));
}

bool parseDot(const QString &s, Dot &dot)
{
    const QStringList mc = s.split(QLatin1Char(':'));
    bool ok = false;
    if (mc.size() != 2 || !isMachine(mc[0]))
        return false;
    dot = {mc[0], mc[1].toLongLong(&ok)};
    return ok && dot.counter > 0;
}

bool parseVersion(const QString &s, Version &v)
{
    v.clear();
    if (s == QLatin1String("-"))
        return true;
    for (const QString &part : s.split(QLatin1Char('+'))) {
        Dot d;
        if (!parseDot(part, d))
            return false;
        v[d.machine] = d.counter;
    }
    return true;
}

QString dotsText(const QMap<int, Dot> &dots)
{
    QStringList parts;
    for (auto it = dots.begin(); it != dots.end(); ++it)
        parts << QString::number(it.key()) + QLatin1Char('@') + it->machine + QLatin1Char(':')
                     + QString::number(it->counter);
    return parts.isEmpty() ? QStringLiteral("-") : parts.join(QLatin1Char('+'));
}

bool parseDots(const QString &s, QMap<int, Dot> &dots)
{
    dots.clear();
    if (s == QLatin1String("-"))
        return true;
    for (const QString &part : s.split(QLatin1Char('+'))) {
        const qsizetype at = part.indexOf(QLatin1Char('@'));
        bool ok = false;
        const int field = part.left(at).toInt(&ok);
        Dot d;
        if (at <= 0 || !ok || field < 0 || !parseDot(part.mid(at + 1), d))
            return false;
        dots[field] = d;
    }
    return true;
}


bool placeOf(const QString &record, Place &place)
{
    try {
        const Pieces p = split(record);
        place = {toSingle(field(p, Topo)), toSingle(field(p, Esquerda)), toSingle(field(p, Largura)),
                 toSingle(field(p, Altura))};
        return true;
    } catch (const RuntimeError &) {
        return false;
    }
}

QString placesText(const QMap<QString, Place> &places)
{
    QStringList parts;
    for (auto it = places.begin(); it != places.end(); ++it)
        parts << it.key() + QLatin1Char('@') + twipsText(it->topTw) + QLatin1Char(':') + twipsText(it->leftTw)
                     + QLatin1Char(':') + twipsText(it->widthTw) + QLatin1Char(':') + twipsText(it->heightTw);
    return parts.join(QLatin1Char(' '));
}

QMap<QString, Place> parsePlaces(const QString &s)
{
    QMap<QString, Place> places;
    for (const QString &part : s.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype at = part.indexOf(QLatin1Char('@'));
        const QStringList n = part.mid(at + 1).split(QLatin1Char(':'));
        if (at <= 0 || !isMachine(part.left(at)) || n.size() != 4)
            continue;
        try {
            places[part.left(at)] = {toSingle(n[0]), toSingle(n[1]), toSingle(n[2]), toSingle(n[3])};
        } catch (const RuntimeError &) {
        }
    }
    return places;
}

// The record with `machine`'s place in its fields of place, where the note has one.
QString placed(const QString &record, const QMap<QString, Place> &places, const QString &machine)
{
    const auto it = places.constFind(machine);
    Pieces p = split(record);
    if (machine.isEmpty() || it == places.constEnd() || p.size() <= Altura)
        return record;
    p[Topo] = twipsText(it->topTw);
    p[Esquerda] = twipsText(it->leftTw);
    p[Largura] = twipsText(it->widthTw);
    p[Altura] = twipsText(it->heightTw);
    return p.join(QChar(FieldSeparator));
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

const QUuid &derivedNamespace()
{
    static const QUuid ns(QStringLiteral("6f1e0c52-8a1d-4c3b-9d47-2b5e7a9c0f31"));
    return ns;
}

} // namespace

QString machineId()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    const QString folder = state + QStringLiteral("/Quadrelo");
    const QString path = folder + QStringLiteral("/machine");
    static const QRegularExpression valid(QStringLiteral("^[a-z0-9]{8,32}$"));
    auto stored = [&path]() {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.read(64)).trimmed() : QString();
    };
    QString id = stored();
    if (valid.match(id).hasMatch())
        return id;

    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    id.clear();
    for (int i = 0; i < 10; ++i)
        id += QLatin1Char(alphabet[QRandomGenerator::system()->bounded(36)]);
    // Written whole under another name and linked into place, which fails if another process
    // got there first: then its name is the one every process uses.
    QDir().mkpath(folder);
    const QString temporary = path + QLatin1Char('.') + id;
    QFile f(temporary);
    if (f.open(QIODevice::WriteOnly) && f.write(id.toLatin1() + '\n') > 0 && f.flush()) {
        f.close();
        const QByteArray from = QFile::encodeName(temporary), to = QFile::encodeName(path);
        if (::link(from.constData(), to.constData()) != 0 && !valid.match(stored()).hasMatch())
            ::rename(from.constData(), to.constData()); // a damaged name: replaced
    }
    QFile::remove(temporary);
    const QString now = stored();
    if (valid.match(now).hasMatch())
        return now;
    // A state folder that cannot be written: a name that is at least the same at every start.
    return QString::fromLatin1(QCryptographicHash::hash(QSysInfo::machineUniqueId() + qgetenv("USER"),
                                                        QCryptographicHash::Sha1)
                                   .toHex()
                                   .left(10));
}

Snapshot read(const SettingsStore &store, const QString &machine)
{
    struct Entry {
        QString key, id, hash;
        Version version;
        QMap<int, Dot> dots;
        bool used = false;
    };
    QList<Entry> entries;
    QHash<QString, qsizetype> byKey; // "Lembretes" key -> entry
    QMultiHash<QString, qsizetype> byHash;
    for (const auto &pair : store.readSection(syncSection())) {
        const QStringList parts = pair.second.split(QLatin1Char(' '));
        Entry e;
        if (parts.size() == 4 && isUuid(parts[0]) && parseVersion(parts[1], e.version)
            && parseDots(parts[2], e.dots)) {
            e.key = pair.first;
            e.id = parts[0];
            e.hash = parts[3];
            byKey.insert(pair.first, entries.size());
            byHash.insert(e.hash, entries.size());
            entries << e;
        }
    }

    Snapshot s;
    QSet<QString> ids, setAsideKeys;
    QList<int> unnamed; // notes that need an identity derived from their content
    for (const auto &pair : store.readSection(Persistence::notesSection())) {
        if (!NoteValue::isNoteRecord(pair.second)) {
            s.setAside << pair.second;
            setAsideKeys.insert(pair.first);
            continue;
        }
        Note note;
        note.record = pair.second;
        const QString hash = hashOf(note.record);
        // The entry under the same key, or else one an older version's renumbering moved away.
        Entry *match = nullptr;
        auto fits = [&](Entry &e) { return !e.used && e.hash == hash && !ids.contains(e.id); };
        if (const qsizetype i = byKey.value(pair.first, -1); i >= 0 && fits(entries[i]))
            match = &entries[i];
        for (auto it = byHash.find(hash); !match && it != byHash.end() && it.key() == hash; ++it)
            if (fits(entries[*it]))
                match = &entries[*it];
        if (match) {
            match->used = true;
            note.id = match->id;
            note.version = match->version;
            note.dots = match->dots;
            ids.insert(note.id);
        } else {
            unnamed << int(s.notes.size());
        }
        s.notes << note;
    }
    QMap<QString, int> occurrences;
    for (int i : unnamed) {
        Note &note = s.notes[i];
        const QString content = contentOf(note.record);
        do
            note.id = uuidText(QUuid::createUuidV5(
                derivedNamespace(), content + QLatin1Char('#') + QString::number(occurrences[content]++)));
        while (ids.contains(note.id));
        ids.insert(note.id);
    }

    for (const auto &pair : store.readSection(deletedSection())) {
        const QStringList parts = pair.second.split(QLatin1Char(' '));
        Deletion d;
        if (isUuid(pair.first) && !ids.contains(pair.first) && !parts.isEmpty()
            && parseVersion(parts[0], d.version)) {
            d.date = QDate::fromString(parts.value(1), Qt::ISODate);
            if (!d.date.isValid())
                d.date = QDate::currentDate();
            s.deleted.insert(pair.first, d);
        }
    }
    // An identity whose note is gone: an older version deleted the note, or changed it so that it
    // now goes by an identity of its own; either way the old note must not come back. A record
    // damaged since is no deletion: the other machines keep their copy of the note.
    for (const Entry &e : std::as_const(entries))
        if (!e.used && !ids.contains(e.id) && !s.deleted.contains(e.id) && !setAsideKeys.contains(e.key))
            s.deleted.insert(e.id, {e.version, QDate::currentDate()});

    QMap<QString, QMap<QString, Place>> places;
    for (const auto &pair : store.readSection(placesSection()))
        places.insert(pair.first, parsePlaces(pair.second));
    for (Note &note : s.notes) {
        note.places = places.value(note.id);
        note.record = placed(note.record, note.places, machine);
    }
    return s;
}

void write(SettingsStore &store, const Snapshot &snapshot)
{
    for (const QString &section : {Persistence::notesSection(), syncSection(), placesSection(), deletedSection()})
        store.deleteSection(section);
    int key = 0;
    for (const Note &note : snapshot.notes) {
        const QString k = QString::number(key++);
        store.write(Persistence::notesSection(), k, note.record);
        store.write(syncSection(), k,
                    QStringList{note.id, versionText(note.version), dotsText(note.dots), hashOf(note.record)}.join(
                        QLatin1Char(' ')));
        if (!note.places.isEmpty())
            store.write(placesSection(), note.id, placesText(note.places));
    }
    for (const QString &record : snapshot.setAside)
        store.write(Persistence::notesSection(), QString::number(key++), record);
    for (auto it = snapshot.deleted.begin(); it != snapshot.deleted.end(); ++it)
        store.write(deletedSection(), it.key(), versionText(it->version) + QLatin1Char(' ') + it->date.toString(Qt::ISODate));
    store.commit();
}

Snapshot capture(const Snapshot &known, const QList<Live> &live, const QString &machine, const QDate &today)
{
    QMap<QString, int> byId;
    for (int i = 0; i < known.notes.size(); ++i)
        byId.insert(known.notes[i].id, i);

    Snapshot s;
    s.setAside = known.setAside;
    QSet<QString> seen;
    for (const Live &l : live) {
        Note note;
        note.record = l.record;
        const auto it = l.id.isEmpty() || seen.contains(l.id) ? byId.constEnd() : byId.constFind(l.id);
        if (it != byId.constEnd()) {
            const Note &was = known.notes[*it];
            note.id = was.id;
            note.version = was.version;
            note.dots = was.dots;
            note.places = was.places;
            const Pieces before = split(was.record), after = split(l.record);
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
        } else {
            note.id = l.id.isEmpty() || seen.contains(l.id) ? uuidText(QUuid::createUuid()) : l.id;
            note.version[machine] = known.deleted.value(note.id).version.value(machine) + 1;
        }
        Place place;
        if (placeOf(l.record, place))
            note.places[machine] = place;
        seen.insert(note.id);
        s.notes << note;
    }

    const QDate oldest = today.addMonths(-6);
    for (auto it = known.deleted.begin(); it != known.deleted.end(); ++it)
        if (!seen.contains(it.key()) && it->date >= oldest)
            s.deleted.insert(it.key(), *it);
    for (const Note &was : known.notes) {
        if (!seen.contains(was.id)) {
            Version v = was.version;
            v[machine] = v.value(machine) + 1;
            s.deleted.insert(was.id, {v, today});
        }
    }
    return s;
}

namespace {

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

    void both(const Note &o, const Note &t)
    {
        Note m;
        m.id = o.id;
        m.version = joined(o.version, t.version);
        m.places = joinedPlaces(o, t, machine);
        const Pieces po = split(o.record), pt = split(t.record);
        Pieces pm = po;
        while (pm.size() < pt.size())
            pm << QString();
        QString losingText;
        Dot losingDot;
        for (int n = 0; n < pm.size(); ++n) {
            if (isPlaceField(n) || n == DataHoraAviso)
                continue;
            // An alarm's flag and moment change together: one side's pair is taken whole.
            const QList<int> unit = n == Aviso ? QList<int>{Aviso, DataHoraAviso} : QList<int>{n};
            QString vo, vt;
            Dot dOurs, dTheirs;
            for (int f : unit) {
                vo += po.value(f) + QChar(FieldSeparator);
                vt += pt.value(f) + QChar(FieldSeparator);
                if (later(o.dots.value(f), dOurs))
                    dOurs = o.dots.value(f);
                if (later(t.dots.value(f), dTheirs))
                    dTheirs = t.dots.value(f);
            }
            bool takeTheirs;
            if (vo == vt || dOurs == dTheirs) {
                takeTheirs = vo == vt ? later(dTheirs, dOurs) : vt > vo; // the same either way round
            } else {
                const bool oursSawTheirs = covers(o.version, dTheirs), theirsSawOurs = covers(t.version, dOurs);
                const bool setOurs = po.value(Aviso) == QLatin1String("S"), setTheirs = pt.value(Aviso) == QLatin1String("S");
                if (oursSawTheirs != theirsSawOurs) {
                    takeTheirs = theirsSawOurs;
                } else if (n == Aviso && !oursSawTheirs && setOurs != setTheirs) {
                    // An alarm set anew on one side while the other rang or cleared the old one:
                    // a reminder missed is worse than one too many.
                    takeTheirs = setTheirs;
                } else {
                    takeTheirs = later(dTheirs, dOurs);
                    if (n == Texto && !oursSawTheirs) {
                        losingText = takeTheirs ? vo.chopped(1) : vt.chopped(1);
                        losingDot = takeTheirs ? dOurs : dTheirs;
                    }
                }
            }
            for (int f : unit) {
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
        if (!losingDot.isNull())
            conflictCopy(m, pm, losingText, losingDot);
    }

    // The losing text as a note of its own, with the same identity on every machine that settles
    // the same conflict, a little below and right of its note so that it is seen.
    void conflictCopy(const Note &note, Pieces pieces, const QString &text, const Dot &lost)
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

bool isConflictCopy(const QString &fileName, const QString &storeName)
{
    const QFileInfo store(storeName);
    const QString base = QRegularExpression::escape(store.completeBaseName());
    const QString suffix = QRegularExpression::escape(QLatin1Char('.') + store.suffix());
    // Syncthing, ownCloud, then Nextcloud's and Dropbox's words in English and Portuguese.
    static const QString middles = QStringLiteral(
        "(\\.sync-conflict-\\d{8}-\\d{6}-[A-Z0-9]{7}"
        "|_conflict-\\d{8}-\\d{6}"
        "| \\(([^()]*['’]s )?conflicted copy[^()]*(\\(\\d+\\))?\\)"
        "| \\(c[óo]pia (em|de) conflito[^()]*(\\(\\d+\\))?\\))");
    const QRegularExpression re(QLatin1Char('^') + base + middles + suffix + QLatin1Char('$'),
                                QRegularExpression::CaseInsensitiveOption);
    return re.match(QFileInfo(fileName).fileName()).hasMatch();
}

}
