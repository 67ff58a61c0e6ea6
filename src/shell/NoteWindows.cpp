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
    AlarmDue::of(n);
    return n;
}

} // namespace

NoteWindows::NoteWindows(NoteStore &store, QObject *parent)
    : QObject(parent), m_store(store), m_notices(new AlarmNotices(Platform::notices(), this))
{
    connect(&m_store.notes(), &NoteBook::joined, this, &NoteWindows::apply);
}

NoteWindows::Loaded NoteWindows::load(bool show)
{
    const StoreSync::Snapshot known = m_store.notes().known(); // a copy: a join may replace it while windows are made
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
    NoteBook &book = m_store.notes();
    connect(W, &frmLembrete::deleted, this, [this, &book, W] {
        book.remove(W->noteId());
        runGuarded([this] {
            emit changed();
            changeCount(-1);
        });
    });
    // Each change goes into the notes as it is made, so a join always meets the windows' latest.
    connect(W, &frmLembrete::changed, this, [this, &book, W] {
        book.update(W->noteId(), W->savedRecord());
        emit changed();
    });
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
    // A new note enters the notes; a stored one takes the place and size its window was given.
    if (noteId.isEmpty())
        W->setNoteId(book.add(W->savedRecord()));
    else
        book.update(noteId, W->savedRecord());
    return W;
}

void NoteWindows::apply(const QList<NoteBook::Change> &changes)
{
    QHash<QString, frmLembrete *> windows;
    for (frmLembrete *note : m_registry.notes())
        windows.insert(note->noteId(), note);
    // Notes deleted elsewhere go away; the others take what changed elsewhere; new ones appear,
    // in this machine's place for them if it has one, else where the window manager puts them.
    // One that cannot be shown stays in the notes as it is.
    for (const NoteBook::Change &change : changes) {
        frmLembrete *note = windows.value(change.id);
        if (change.kind == NoteBook::Change::Removed) {
            if (note) {
                note->dispose();
                changeCount(-1);
            }
        } else if (note) {
            note->applyElsewhere(change.record);
        } else if (change.kind == NoteBook::Change::Added && !m_closed) {
            NoteValue value;
            try {
                value = readRecord(change.record);
            } catch (const RuntimeError &) {
                continue;
            }
            if (!change.placedHere)
                value.leftTw.reset(), value.topTw.reset();
            make(value, true, change.id);
        }
    }
    m_registry.refreshPinBand();
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
