// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/StoreSync.h"
#include "records/NoteRecord.h"

#include <QHash>

namespace StoreSync {

using namespace NoteRecord;

bool isPlaceField(int n) { return n == Topo || n == Esquerda || n == Largura || n == Altura; }

QString withoutPlace(const QString &record)
{
    QStringList f = split(record);
    for (int n : {Topo, Esquerda, Largura, Altura})
        if (n < f.size())
            f[n].clear();
    return f.join(QChar(FieldSeparator));
}

QString placed(const QString &record, const QMap<QString, Place> &places, const QString &machine)
{
    const auto it = places.constFind(machine);
    QStringList p = split(record);
    if (machine.isEmpty() || it == places.constEnd() || p.size() <= Altura)
        return record;
    p[Topo] = twipsText(it->topTw);
    p[Esquerda] = twipsText(it->leftTw);
    p[Largura] = twipsText(it->widthTw);
    p[Altura] = twipsText(it->heightTw);
    return p.join(QChar(FieldSeparator));
}

namespace {

bool sameDeletions(const Deleted &a, const Deleted &b)
{
    if (a.keys() != b.keys())
        return false;
    for (auto it = a.begin(); it != a.end(); ++it)
        if (b.value(it.key()).version != it->version)
            return false;
    return true;
}

bool sameNote(const Note &a, const Note &b)
{
    if (a.record == b.record) // most notes, most of the time: nothing to split
        return a.version == b.version && a.dots == b.dots && a.places == b.places;
    return a.version == b.version && a.dots == b.dots && a.places == b.places
           && withoutPlace(a.record) == withoutPlace(b.record);
}

} // namespace

bool sameContent(const Snapshot &a, const Snapshot &b)
{
    if (a.notes.size() != b.notes.size() || !sameDeletions(a.deleted, b.deleted))
        return false;
    QStringList asideA = a.setAside, asideB = b.setAside;
    asideA.sort();
    asideB.sort();
    if (asideA != asideB)
        return false;
    QHash<QString, const Note *> byId;
    for (const Note &n : b.notes)
        byId.insert(n.id, &n);
    for (const Note &n : a.notes) {
        const Note *other = byId.value(n.id);
        if (!other || !sameNote(n, *other))
            return false;
    }
    return true;
}

} // namespace StoreSync
