// SPDX-License-Identifier: GPL-3.0-or-later
#include "note/NoteRegistry.h"
#include "note/frmLembrete.h"
#include "platform/Platform.h"
#include "platform/WindowOps.h"

#include <QHash>
#include <algorithm>

namespace NoteRegistry {

namespace {

struct Registry {
    QList<frmLembrete *> inOrder;
    QHash<QString, frmLembrete *> byKey;
    QHash<const frmLembrete *, QString> keyOf;
};

Registry &registry()
{
    static Registry r;
    return r;
}

QString keyFor(const frmLembrete *note)
{
    return note->noteId().isEmpty() ? QStringLiteral("window %1").arg(quintptr(note), 0, 16) : note->noteId();
}

}

QList<frmLembrete *> notes() { return registry().inOrder; }

frmLembrete *find(const QString &noteId) { return noteId.isEmpty() ? nullptr : registry().byKey.value(noteId); }

bool contains(const frmLembrete *note) { return registry().keyOf.contains(note); }

void refreshPinBand()
{
    for (frmLembrete *note : notes())
        if (note->isPinned())
            Platform::windows().setTopmost(note, true);
}

void add(frmLembrete *note)
{
    Registry &r = registry();
    if (r.keyOf.contains(note))
        return;
    // Almost always at the end; a window made while another was being set up goes before it.
    const auto earlier = [](const QWidget *a, const QWidget *b) {
        return WindowOps::creationOrder(a) < WindowOps::creationOrder(b);
    };
    if (r.inOrder.isEmpty() || earlier(r.inOrder.last(), note))
        r.inOrder.append(note);
    else
        r.inOrder.insert(std::upper_bound(r.inOrder.begin(), r.inOrder.end(), note, earlier), note);
    const QString key = keyFor(note);
    r.keyOf.insert(note, key);
    r.byKey.insert(key, note);
}

void remove(frmLembrete *note)
{
    Registry &r = registry();
    const auto it = r.keyOf.constFind(note);
    if (it == r.keyOf.constEnd())
        return;
    if (r.byKey.value(*it) == note)
        r.byKey.remove(*it);
    r.keyOf.erase(it);
    r.inOrder.removeOne(note);
}

void identityChanged(frmLembrete *note)
{
    Registry &r = registry();
    const auto it = r.keyOf.find(note);
    if (it == r.keyOf.end())
        return;
    if (r.byKey.value(*it) == note)
        r.byKey.remove(*it);
    *it = keyFor(note);
    r.byKey.insert(*it, note);
}

}
