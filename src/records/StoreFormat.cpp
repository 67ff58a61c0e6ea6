// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/StoreFormat.h"
#include "records/NoteRecord.h"
#include "records/NoteValue.h"
#include "records/Persistence.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"

#include <QCryptographicHash>
#include <QHash>
#include <QSet>
#include <QUuid>
#include <algorithm>

namespace StoreFormat {

using namespace StoreSync;

namespace {

using namespace NoteRecord;

QString syncSection() { return QStringLiteral("Sincronia"); }
QString placesSection() { return QStringLiteral("Lugares"); }
QString deletedSection() { return QStringLiteral("Apagados"); }

// A record split at every separator, the piece after the last one included, so that joining
// the pieces again gives the record back exactly.
using Pieces = QStringList;

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

// Up to 32 small letters and digits (checked without a regular expression, whose library would
// be paged in at every start for this alone).
bool isMachine(const QString &s)
{
    return !s.isEmpty() && s.size() <= 32 && std::all_of(s.begin(), s.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9');
    });
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

bool isNoteRecord(const QString &record) { return NoteValue::isNoteRecord(record); }

const QUuid &derivedNamespace()
{
    static const QUuid ns(QStringLiteral("6f1e0c52-8a1d-4c3b-9d47-2b5e7a9c0f31"));
    return ns;
}

} // namespace

namespace {

// One line of "Sincronia": the identity, history and content hash of the record under its key.
struct Entry {
    QString key, id, hash;
    Version version;
    QMap<int, Dot> dots;
    bool used = false;
};

struct Entries {
    QList<Entry> list;
    QHash<QString, qsizetype> byKey; // "Lembretes" key -> entry
    QMultiHash<QString, qsizetype> byHash;

    explicit Entries(const SettingsStore &store)
    {
        for (const auto &pair : store.readSection(syncSection())) {
            const QStringList parts = pair.second.split(QLatin1Char(' '));
            Entry e;
            if (parts.size() != 4 || !isUuid(parts[0]) || !parseVersion(parts[1], e.version)
                || !parseDots(parts[2], e.dots))
                continue;
            e.key = pair.first;
            e.id = parts[0];
            e.hash = parts[3];
            byKey.insert(pair.first, list.size());
            byHash.insert(e.hash, list.size());
            list << e;
        }
    }

    // The entry under the same key, or else one an older version's renumbering moved away.
    Entry *matchFor(const QString &key, const QString &hash, const QSet<QString> &ids)
    {
        auto fits = [&](const Entry &e) { return !e.used && e.hash == hash && !ids.contains(e.id); };
        if (const qsizetype i = byKey.value(key, -1); i >= 0 && fits(list[i]))
            return &list[i];
        for (auto it = byHash.find(hash); it != byHash.end() && it.key() == hash; ++it)
            if (fits(list[*it]))
                return &list[*it];
        return nullptr;
    }
};

// Identities for notes stored without one: a note of `known` with the same content (the file
// lost its identities, cut short or rewritten by an older version), or else one derived from the
// content, the same on every machine.
void deriveIdentities(Snapshot &s, const QList<int> &unnamed, QSet<QString> &ids, const Snapshot *known)
{
    QMultiHash<QString, QString> knownByContent;
    if (known)
        for (const Note &n : known->notes)
            if (!ids.contains(n.id))
                knownByContent.insert(contentOf(n.record), n.id);
    QMap<QString, int> occurrences;
    for (int i : unnamed) {
        Note &note = s.notes[i];
        const QString content = contentOf(note.record);
        QString match;
        for (auto it = knownByContent.find(content);
             match.isEmpty() && it != knownByContent.end() && it.key() == content; ++it)
            if (!ids.contains(*it))
                match = *it;
        if (!match.isEmpty()) {
            note.id = match;
            ids.insert(match);
            continue;
        }
        do
            note.id = uuidText(QUuid::createUuidV5(derivedNamespace(), content + QLatin1Char('#')
                                                                           + QString::number(occurrences[content]++)));
        while (ids.contains(note.id));
        ids.insert(note.id);
    }
}

Deleted readDeletions(const SettingsStore &store, const QSet<QString> &ids)
{
    Deleted deleted;
    for (const auto &pair : store.readSection(deletedSection())) {
        const QStringList parts = pair.second.split(QLatin1Char(' '));
        Deletion d;
        if (!isUuid(pair.first) || ids.contains(pair.first) || !parseVersion(parts[0], d.version))
            continue;
        d.date = QDate::fromString(parts.value(1), Qt::ISODate);
        if (!d.date.isValid())
            d.date = QDate::currentDate();
        deleted.insert(pair.first, d);
    }
    return deleted;
}

void readPlaces(const SettingsStore &store, Snapshot &s, const QString &machine)
{
    QMap<QString, QMap<QString, Place>> places;
    for (const auto &pair : store.readSection(placesSection()))
        places.insert(pair.first, parsePlaces(pair.second));
    for (Note &note : s.notes) {
        note.places = places.value(note.id);
        note.record = placed(note.record, note.places, machine);
    }
}

const QByteArray &sealHead()
{
    static const QByteArray head("; quadrelo-sealed: the last line checks this file\n");
    return head;
}
const QByteArray &sealFoot()
{
    static const QByteArray foot("; sha256=");
    return foot;
}

} // namespace

Snapshot read(const SettingsStore &store, const QString &machine, const Snapshot *known)
{
    Entries entries(store);
    Snapshot s;
    QSet<QString> ids, setAsideKeys;
    QList<int> unnamed; // notes that need an identity derived from their content
    for (const auto &pair : store.readSection(Persistence::notesSection())) {
        if (!isNoteRecord(pair.second)) {
            s.setAside << pair.second;
            setAsideKeys.insert(pair.first);
            continue;
        }
        Note note;
        note.record = pair.second;
        if (Entry *match = entries.matchFor(pair.first, hashOf(note.record), ids)) {
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
    deriveIdentities(s, unnamed, ids, known);
    s.deleted = readDeletions(store, ids);
    // An identity whose note is gone: an older version deleted the note, or changed it so that it
    // now goes by an identity of its own; either way the old note must not come back. A record
    // damaged since is no deletion: the other machines keep their copy of the note.
    for (const Entry &e : std::as_const(entries.list))
        if (!e.used && !ids.contains(e.id) && !s.deleted.contains(e.id) && !setAsideKeys.contains(e.key))
            s.deleted.insert(e.id, {e.version, QDate::currentDate()});
    readPlaces(store, s, machine);
    return s;
}

void Writer::encodeSettings(const QMap<QString, QVariant> &settings)
{
    if (m_settingsDone && settings == m_settings)
        return;
    // Rarely changed, and may hold what a newer version wrote (a list): through Qt's own writer.
    SettingsStore image;
    for (auto it = settings.begin(); it != settings.end(); ++it)
        image.setValue(it.key(), it.value());
    m_settingsText = settings.isEmpty() ? QByteArray() : image.toBytes();
    if (!m_settingsText.isEmpty() && !m_settingsText.endsWith('\n'))
        m_settingsText += '\n';
    m_settings = settings;
    m_settingsDone = true;
}

QByteArray Writer::bytes(const QMap<QString, QVariant> &settings, const Snapshot &snapshot)
{
    encodeSettings(settings);
    QByteArray notes, sync, places, deleted;
    const auto line = [](QByteArray &group, const QByteArray &key, const QByteArray &value) {
        group += key;
        group += '=';
        group += value;
        group += '\n';
    };
    ++m_generation;
    int key = 0;
    for (const Note &note : snapshot.notes) {
        Lines &lines = m_notes[note.id];
        if (lines.generation == 0 || !(lines.note == note)) {
            lines.note = note;
            lines.record = SettingsStore::iniValue(note.record);
            lines.sync = SettingsStore::iniValue(
                QStringList{note.id, versionText(note.version), dotsText(note.dots), hashOf(note.record)}.join(
                    QLatin1Char(' ')));
            lines.places = note.places.isEmpty() ? QByteArray() : SettingsStore::iniValue(placesText(note.places));
        }
        lines.generation = m_generation;
        const QByteArray k = QByteArray::number(key++);
        line(notes, k, lines.record);
        line(sync, k, lines.sync);
        if (!lines.places.isEmpty())
            line(places, note.id.toUtf8(), lines.places);
    }
    if (m_notes.size() > snapshot.notes.size()) // notes gone since
        m_notes.removeIf([this](const auto &it) { return it.value().generation != m_generation; });
    for (const QString &record : snapshot.setAside)
        line(notes, QByteArray::number(key++), SettingsStore::iniValue(record));
    for (auto it = snapshot.deleted.begin(); it != snapshot.deleted.end(); ++it)
        line(deleted, it.key().toUtf8(),
             SettingsStore::iniValue(versionText(it->version) + QLatin1Char(' ') + it->date.toString(Qt::ISODate)));
    QByteArray text = m_settingsText;
    text.reserve(text.size() + notes.size() + sync.size() + places.size() + deleted.size() + 64);
    const QList<std::pair<QString, const QByteArray *>> groups{{deletedSection(), &deleted},
                                                               {Persistence::notesSection(), &notes},
                                                               {placesSection(), &places},
                                                               {syncSection(), &sync}};
    for (const auto &[name, lines] : groups) {
        if (lines->isEmpty())
            continue;
        if (!text.isEmpty())
            text += '\n';
        text += '[' + name.toUtf8() + "]\n" + *lines;
    }
    return text;
}

QByteArray seal(const QByteArray &bytes)
{
    QByteArray sealed = sealHead() + bytes;
    if (!sealed.endsWith('\n'))
        sealed += '\n';
    return sealed + sealFoot() + QCryptographicHash::hash(sealed, QCryptographicHash::Sha256).toHex() + '\n';
}

Seal sealOf(const QByteArray &bytes)
{
    if (!bytes.startsWith(sealHead()))
        return Seal::None;
    if (!bytes.endsWith('\n'))
        return Seal::Broken;
    const qsizetype lastLine = bytes.lastIndexOf('\n', bytes.size() - 2) + 1;
    const QByteArray body = bytes.left(lastLine);
    const QByteArray expected = sealFoot() + QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() + '\n';
    return bytes.mid(lastLine) == expected ? Seal::Whole : Seal::Broken;
}

} // namespace StoreFormat
