// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/NoteWindows.h"
#include "alarm/AlarmCheck.h"
#include "dialogs/frmProp.h"
#include "note/NotePlacement.h"
#include "note/frmLembrete.h"
#include "platform/Clock.h"
#include "platform/Design.h"
#include "platform/Platform.h"
#include "platform/WindowOps.h"
#include "records/NoteRecord.h"
#include "records/NoteStore.h"
#include "records/NoteValue.h"
#include "shell/AlarmNotices.h"

#include <QHash>
#include <QPointer>

using namespace NoteRecord;

namespace {

// A stored record, read and checked before any window is made for it.
NoteValue readRecord(const QString &record)
{
    NoteValue n = NoteValue::fromRecord(record);
    // One whose size, place, colour or alarm cannot be read is set aside rather than loaded.
    n.checkReadable({Largura, Altura, Topo, Esquerda, Cor});
    AlarmDueText(n);
    return n;
}

} // namespace

NoteWindows::NoteWindows(NoteStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_notices(new AlarmNotices(Platform::notices(), this))
{
    NoteStore::Views views;
    views.live = [this] {
        QList<StoreSync::Live> live;
        for (frmLembrete *note : m_registry.notes())
            live << StoreSync::Live{note->noteId(), note->savedRecord()};
        return live;
    };
    views.identify = [this](const QStringList &ids) {
        const QList<frmLembrete *> windows = m_registry.notes();
        for (qsizetype i = 0; i < windows.size() && i < ids.size(); ++i)
            windows[i]->setNoteId(ids[i]);
    };
    views.show = [this](const StoreSync::Snapshot &merged) { return show(merged); };
    m_store.setViews(views);
}

NoteWindows::Loaded NoteWindows::load(bool show)
{
    const StoreSync::Snapshot known = m_store.notes(); // a copy: a join may replace it while windows are made
    Loaded loaded;
    auto failed = [&loaded](const RuntimeError &error) {
        if (!loaded.firstFailure)
            loaded.firstFailure = error;
        ++loaded.failures;
    };
    for (const QString &record : known.setAside) {
        try {
            readRecord(record);
            ++loaded.failures;
        } catch (const RuntimeError &error) {
            failed(error);
        }
    }
    for (const StoreSync::Note &note : known.notes) {
        if (m_closed)
            break;
        NoteValue value;
        try {
            value = readRecord(note.record);
        } catch (const RuntimeError &error) {
            failed(error); // kept in the store exactly as it was; every save-all writes it back
            continue;
        }
        if (!make(value, show, note.id))
            break; // closed while the layout step let events run: the record is still pending
    }
    return loaded;
}

frmLembrete *NoteWindows::makeNew()
{
    NoteValue value = NoteValue::fromRecord(newNoteRecord(Platform::clock().now()));
    value.heightTw = frmLembrete::DesignHeightTw; // made taller than its record says
    const QPoint at = NotePlacement::newNotePlace(
        QSize(Design::px(frmLembrete::DesignWidthTw), Design::px(frmLembrete::DesignHeightTw)), m_registry.notes());
    value.leftTw = Design::twips(at.x()), value.topTw = Design::twips(at.y());
    frmLembrete *note = make(value, true);
    if (note)
        emit changed();
    return note;
}

frmLembrete *NoteWindows::make(const NoteValue &value, bool show, const QString &noteId)
{
    // The count is checked first, so a full count makes no window.
    addInteger(m_count, 1);
    QPointer<frmLembrete> W = new frmLembrete;
    W->setNoteId(noteId);
    m_notices->follow(W);
    connect(W, &frmLembrete::propertiesRequested, this, [](frmLembrete *n) { frmProp::instance().mostrar(n); });
    connect(W, &frmLembrete::deleted, this, [this] {
        runGuarded([this] {
            emit changed();
            changeCount(-1);
        });
    });
    connect(W, &frmLembrete::changed, this, &NoteWindows::changed);
    NoteValue fitted = value;
    NotePlacement::fitToScreens(fitted);
    W->setUp(fitted);
    if (!W || m_closed) {
        delete W;
        return nullptr;
    }
    m_registry.add(W);
    if (value.leftTw && value.topTw)
        Platform::windows().keepOnScreen(W); // a monitor unplugged since: the note would be out of reach
    if (show)
        W->show();
    if (value.pinned)
        Platform::windows().setTopmost(W, true);
    // Counted now, not before: notes may have come or gone while the layout step let events run.
    changeCount(+1);
    if (!noteId.isEmpty())
        m_store.windowMade(noteId);
    return W;
}

QSet<QString> NoteWindows::show(const StoreSync::Snapshot &merged)
{
    QHash<QString, const StoreSync::Note *> byId;
    for (const StoreSync::Note &n : merged.notes)
        byId.insert(n.id, &n);
    // Notes deleted elsewhere go away; the others take what changed elsewhere.
    QSet<QString> shown;
    for (frmLembrete *note : m_registry.notes()) {
        if (note->noteId().isEmpty())
            continue; // made here while this join ran: it is in the next one
        const StoreSync::Note *n = byId.value(note->noteId());
        if (!n) {
            note->dispose();
            changeCount(-1);
            continue;
        }
        shown.insert(n->id);
        if (StoreSync::withoutPlace(n->record) != StoreSync::withoutPlace(note->savedRecord()))
            note->applyElsewhere(n->record);
    }
    // Notes without a window: those that cannot be shown keep their records; new ones appear,
    // in this machine's place for them if it has one, else where the window manager puts them.
    QSet<QString> withoutWindow;
    for (const StoreSync::Note &n : merged.notes) {
        if (shown.contains(n.id))
            continue;
        NoteValue value;
        try {
            value = readRecord(n.record);
        } catch (const RuntimeError &) {
            withoutWindow.insert(n.id);
            continue;
        }
        if (!n.places.contains(m_store.machine()))
            value.leftTw.reset(), value.topTw.reset();
        if (m_closed || !make(value, true, n.id))
            withoutWindow.insert(n.id); // closed meanwhile: kept as it is
    }
    m_registry.refreshPinBand();
    return withoutWindow;
}

void NoteWindows::close()
{
    m_closed = true;
    m_notices->withdrawAll();
}

void NoteWindows::changeCount(int delta)
{
    m_count = addInteger(m_count, delta);
    emit countChanged();
}
