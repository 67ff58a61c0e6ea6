// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmPrincipal.h"
#include "alarm/AlarmCheck.h"
#include "dialogs/frmProp.h"
#include "dialogs/frmSobre.h"
#include "note/NotePlacement.h"
#include "note/NoteRegistry.h"
#include "platform/Clock.h"
#include "platform/Design.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/SingleInstance.h"
#include "platform/WindowOps.h"
#include "records/NoteRecord.h"
#include "records/NoteStore.h"
#include "records/Persistence.h"
#include "shell/AutoSave.h"
#include "shell/SessionEnd.h"
#include "shell/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHash>
#include <QSet>
#include <QMenu>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <utility>

using namespace NoteRecord;

namespace {

frmPrincipal *g_instance = nullptr;

// How long a start waits for the locks of an instance that does not answer (killed a moment ago).
constexpr int HolderEndWaitMs = 5000;

// A stored record, read and checked before any window is made for it.
NoteValue readRecord(const QString &record)
{
    const NoteValue n = NoteValue::fromRecord(record);
    // One whose size, place, colour or alarm cannot be read is set aside rather than loaded.
    n.checkReadable({Largura, Altura, Topo, Esquerda, Cor});
    AlarmDueText(n);
    return n;
}

}

frmPrincipal *frmPrincipal::instance()
{
    if (!g_instance)
        g_instance = new frmPrincipal;
    return g_instance;
}

frmPrincipal::frmPrincipal()
{
    m_autoSave = new AutoSave([this] { return saveAllFailure(); }, this);
    m_autoSave->hold(true); // until the notes are loaded
    quitApplication = [] { QCoreApplication::exit(0); };
    createMenu();
    m_tray = new TrayIcon(&Platform::trayHost(), this);
    m_tray->setContextMenu(mnu0.get());
    connect(m_tray, &TrayIcon::newNoteRequested, this, [this] { runGuarded([this] { novo_Click(); }); });
    connect(m_tray, &TrayIcon::showAllRequested, this, [this] { runGuarded([this] { mostrar_Click(); }); });
}

frmPrincipal::~frmPrincipal()
{
    if (g_instance == this)
        g_instance = nullptr;
}

void frmPrincipal::createMenu()
{
    mnu0 = std::make_unique<QMenu>();
    mnu0->setObjectName(QStringLiteral("mnu0"));
    auto item = [this](const char *name, const QString &caption, void (frmPrincipal::*handler)()) {
        QAction *a = mnu0->addAction(caption);
        a->setObjectName(QLatin1String(name));
        // Any command brings back a dialog that the window manager minimised, which would
        // otherwise hold the notes with no way back; show all does so itself, by showing it anew.
        if (handler != &frmPrincipal::mostrar_Click)
            connect(a, &QAction::triggered, this, &frmPrincipal::restoreDialogs);
        connect(a, &QAction::triggered, this, [this, handler] { runGuarded([&] { (this->*handler)(); }); });
        return a;
    };
    item("novo", QStringLiteral("&Novo Papel de Lembrete"), &frmPrincipal::novo_Click);
    item("esconder", QStringLiteral("&Esconder Todos Lembretes"), &frmPrincipal::esconder_Click);
    item("mostrar", QStringLiteral("&Mostrar Todos Lembretes"), &frmPrincipal::mostrar_Click);
    item("salvar", QStringLiteral("&Salvar Todos Lembretes"), &frmPrincipal::salvar_Click);
    exibir = item("exibir", QStringLiteral("Exibir &Lembretes ao Inciar"), &frmPrincipal::exibir_Click);
    exibir->setCheckable(true);
    exibir->setChecked(true);
    item("sobre", QStringLiteral("Sobre a &Borvane"), &frmPrincipal::sobre_Click);
    item("encerrar", QStringLiteral("&Encerrar Quadrelo"), &frmPrincipal::encerrar_Click);
}

NoteStore &frmPrincipal::store()
{
    if (!m_store)
        m_store = std::make_unique<NoteStore>();
    return *m_store;
}

// ---- start-up and shutdown

frmPrincipal::StartResult frmPrincipal::Form_Load(const QString &command)
{
    int line = 5;
    try {
        line = 10;
        m_single = std::make_unique<SingleInstance>();
        SingleInstance::Outcome outcome = m_single->acquire();
        if (outcome == SingleInstance::Outcome::AlreadyRunning && !SingleInstance::notifyRunning(command)) {
            // Nobody answered: an instance killed a moment ago, whose locks its end frees soon.
            outcome = m_single->acquire(HolderEndWaitMs);
            if (outcome == SingleInstance::Outcome::AlreadyRunning)
                SingleInstance::notifyRunning(command);
        }
        if (outcome == SingleInstance::Outcome::AlreadyRunning) {
            // Ends silently; the running instance does what this launch was for (shows its notes
            // for a plain launch).
            return StartResult::AlreadyRunning;
        }
        connect(m_single.get(), &SingleInstance::launchedAgain, this, &frmPrincipal::launchedAgain);
        line = 11;
        store().open();
        connectStore();
        readShowAtStart();
        line = 80;
        // Started by a desktop action: the notes shown or hidden as it asks, anything else done
        // once they are loaded.
        if (command == QLatin1String("mostrar") || command == QLatin1String("esconder"))
            m_showAtStart = command == QLatin1String("mostrar");
        else if (!command.isEmpty())
            m_launchedDuringStart << command;
        // Nothing but the tray could show hidden notes: without one after a while, they are
        // shown and the person is told why there is no icon.
        connect(m_tray, &TrayIcon::noTrayAfterWait, this, [this, hide = command == QLatin1String("esconder")] {
            if (!hide)
                runGuarded([this] { mostrar_Click(); });
            Platform::messages().show(
                QStringLiteral("A área de notificação não está disponível. O ícone do Quadrelo "
                               "aparecerá assim que a área de trabalho oferecer uma área de notificação."),
                MessageBox::Information);
        });
        m_tray->show(QStringLiteral("Quadrelo - 0 Lembrete(s)"));
        line = 100;
        LoadNotes();
    } catch (const RuntimeError &error) {
        Platform::messages().show(QStringLiteral("%1 - %2 - %3").arg(line).arg(error.code()).arg(error.description()),
                                  MessageBox::Critical);
        return StartResult::Failed;
    }
    m_started = true;
    if (!m_shutDown)
        m_autoSave->hold(false);
    // From now on a signal or the end of the desktop session saves and ends the program,
    // never asking anything.
    m_sessionEnd = std::make_unique<SessionEnd>();
    connect(m_sessionEnd.get(), &SessionEnd::ending, this, [this] {
        Form_Unload(false);
        quitApplication();
    });
    for (const QString &pending : std::exchange(m_launchedDuringStart, {}))
        launchedAgain(pending);
    return StartResult::Running;
}

// The setting "Abertura", seeded on first use with the welcome note (see NoteStore::open).
void frmPrincipal::readShowAtStart()
{
    m_showAtStart = store().setting(Persistence::configSection(), QStringLiteral("Abertura")) == QLatin1String("S");
    exibir->setChecked(m_showAtStart);
}

bool frmPrincipal::Form_Unload(bool askedByPerson)
{
    if (m_shutDown)
        return true;
    if (askedByPerson) {
        if (!saveAllReporting())
            return false; // every note stays open; nothing is lost
    } else if (const QString failure = saveAllFailure(); !failure.isEmpty()) {
        // The session is ending: nobody would answer a message box.
        std::fprintf(stderr, "quadrelo: %s\n", qPrintable(failure));
    }
    m_shutDown = true;
    store().close();
    m_autoSave->hold(true);
    m_tray->remove();
    if (frmSobre::isOpen())
        frmSobre::close();
    for (QWidget *w : WindowOps::openWindows()) {
        if (auto *note = qobject_cast<frmLembrete *>(w))
            note->dispose();
        else
            w->close();
    }
    return true;
}

// ---- loading

void frmPrincipal::LoadNotes()
{
    const StoreSync::Snapshot known = store().notes(); // a copy: a join may replace it while windows are made
    int failures = 0;
    std::optional<RuntimeError> firstFailure;
    for (const QString &record : known.setAside) {
        try {
            readRecord(record);
        } catch (const RuntimeError &error) {
            if (!firstFailure)
                firstFailure = error;
        }
        ++failures;
    }
    for (const StoreSync::Note &note : known.notes) {
        if (m_shutDown)
            return;
        NoteValue setup;
        try {
            setup = readRecord(note.record);
        } catch (const RuntimeError &error) {
            // Kept in the store exactly as it was; every save-all writes it back.
            if (!firstFailure)
                firstFailure = error;
            ++failures;
            continue;
        }
        if (!makeNote(setup, m_showAtStart, note.id))
            return; // closed while the layout step let events run: the record is still pending
    }
    TrayUpdateTip();
    store().watch();
    connect(m_store.get(), &NoteStore::changedElsewhere, this, [this] { takeInChanges(); });
    // Conflict copies a sync tool left while the program was not running.
    QTimer::singleShot(0, this, [this] { takeInChanges(); });
    if (firstFailure) {
        Platform::messages().show(
            QStringLiteral("100 - %1 - %2 (%3 lembrete(s) com defeito não foram carregados e continuam guardados)")
                .arg(firstFailure->code())
                .arg(firstFailure->description())
                .arg(failures),
            MessageBox::Critical);
    }
}

frmLembrete *frmPrincipal::makeNote(const NoteValue &setup, bool show, const QString &noteId)
{
    // The counter is checked first, so a full counter makes no window.
    addInteger(m_noteCounter, 1);
    QPointer<frmLembrete> W = new frmLembrete;
    W->setNoteId(noteId);
    connect(W, &frmLembrete::propertiesRequested, this, [](frmLembrete *n) { frmProp::instance().mostrar(n); });
    connect(W, &frmLembrete::deleted, this, [this] { runGuarded([this] { noteDeleted(); }); });
    connect(W, &frmLembrete::changed, m_autoSave, &AutoSave::changed);
    NoteValue fitted = setup;
    NotePlacement::fitToScreens(fitted);
    W->setUp(fitted);
    if (!W || m_shutDown) {
        delete W;
        return nullptr;
    }
    if (setup.leftTw && setup.topTw)
        Platform::windows().keepOnScreen(W); // a monitor unplugged since: the note would be out of reach
    if (show)
        W->show();
    if (setup.pinned)
        Platform::windows().setTopmost(W, true);
    // Counted now, not before: notes may have come or gone while the layout step let events run.
    changeNoteCounter(+1);
    if (!noteId.isEmpty())
        store().windowMade(noteId);
    return W;
}

void frmPrincipal::noteDeleted()
{
    m_autoSave->changed();
    changeNoteCounter(-1);
    TrayUpdateTip();
}

// ---- save-all

void frmPrincipal::SaveAll() { store().save(); }

// ---- notes kept on several machines

// The store's view of the windows: what they hold, the identities new notes got, and the join to show.
void frmPrincipal::connectStore()
{
    NoteStore::Views views;
    views.live = [] {
        QList<StoreSync::Live> live;
        for (frmLembrete *note : NoteRegistry::notes())
            live << StoreSync::Live{note->noteId(), note->savedRecord()};
        return live;
    };
    views.identify = [](const QStringList &ids) {
        const QList<frmLembrete *> windows = NoteRegistry::notes();
        for (qsizetype i = 0; i < windows.size() && i < ids.size(); ++i)
            windows[i]->setNoteId(ids[i]);
    };
    views.show = [this](const StoreSync::Snapshot &merged) { return applyToWindows(merged); };
    store().setViews(views);
    connect(m_store.get(), &NoteStore::unreadable, this, [this](const QString &path) {
        tellQuietly(QStringLiteral("%1 foi mudado por outro programa e não pode ser lido por inteiro: "
                                   "fica como está e será lido de novo quando mudar.")
                        .arg(QDir::toNativeSeparators(path)));
    });
    connect(m_store.get(), &NoteStore::conflictsSettled, this, [this](int conflicts) {
        tellQuietly(QStringLiteral("%1 lembrete(s) foram mudados aqui e em outro computador ao mesmo tempo: "
                                   "um dos dois textos ficou num lembrete à parte.")
                        .arg(conflicts));
    });
}

void frmPrincipal::takeInChanges()
{
    if (!m_started || m_shutDown)
        return;
    m_autoSave->hold(true);
    store().takeInChanges();
    m_autoSave->hold(m_shutDown);
}

QSet<QString> frmPrincipal::applyToWindows(const StoreSync::Snapshot &merged)
{
    QHash<QString, const StoreSync::Note *> byId;
    for (const StoreSync::Note &n : merged.notes)
        byId.insert(n.id, &n);
    // Notes deleted elsewhere go away; the others take what changed elsewhere.
    QSet<QString> shown;
    for (frmLembrete *note : NoteRegistry::notes()) {
        if (note->noteId().isEmpty())
            continue; // made here while this join ran: it is in the next one
        const StoreSync::Note *n = byId.value(note->noteId());
        if (!n) {
            note->dispose();
            changeNoteCounter(-1);
            continue;
        }
        shown.insert(n->id);
        if (StoreSync::withoutPlace(n->record) != StoreSync::withoutPlace(note->savedRecord()))
            note->applyElsewhere(n->record);
    }
    // Notes without a window: those that cannot be shown keep their records; new ones appear,
    // in this machine's place for them if it has one, else where the window manager puts them.
    QSet<QString> unloaded;
    QList<const StoreSync::Note *> toMake;
    for (const StoreSync::Note &n : merged.notes) {
        if (shown.contains(n.id))
            continue;
        NoteValue setup;
        try {
            setup = readRecord(n.record);
        } catch (const RuntimeError &) {
            unloaded.insert(n.id);
            continue;
        }
        if (m_shutDown)
            unloaded.insert(n.id);
        else
            toMake << &n;
    }
    for (const StoreSync::Note *n : toMake) {
        NoteValue setup = readRecord(n->record);
        if (!n->places.contains(store().machine()))
            setup.leftTw.reset(), setup.topTw.reset();
        if (!makeNote(setup, true, n->id))
            unloaded.insert(n->id); // closed meanwhile: kept as it is
    }
    NoteRegistry::refreshPinBand();
    TrayUpdateTip();
    return unloaded;
}

void frmPrincipal::tellQuietly(const QString &text)
{
    // Once the join is over: a message box lets events run, and at the end of the session nobody
    // would answer it.
    QTimer::singleShot(0, this, [this, text] {
        if (m_shutDown)
            std::fprintf(stderr, "quadrelo: %s\n", qPrintable(text));
        else if (!m_tray->showMessage(text))
            Platform::messages().show(text, MessageBox::Information);
    });
}

QString frmPrincipal::saveAllFailure()
{
    try {
        SaveAll();
        return QString();
    } catch (const RuntimeError &error) {
        return QStringLiteral("Os lembretes não puderam ser salvos: %1 - %2").arg(error.code()).arg(error.description());
    }
}

bool frmPrincipal::saveAllReporting()
{
    // No save by itself meanwhile: the failure's message box lets events run.
    m_autoSave->hold(true);
    const QString failure = saveAllFailure();
    if (!failure.isEmpty())
        Platform::messages().show(failure, MessageBox::Critical);
    m_autoSave->hold(m_shutDown);
    return failure.isEmpty();
}

void frmPrincipal::saveAtExit()
{
    frmPrincipal *shell = g_instance;
    if (!shell || !shell->m_started || shell->m_shutDown)
        return;
    shell->m_shutDown = true;
    if (const QString failure = shell->saveAllFailure(); !failure.isEmpty())
        std::fprintf(stderr, "quadrelo: %s\n", qPrintable(failure));
    shell->store().close();
}

void frmPrincipal::changeNoteCounter(int delta) { m_noteCounter = addInteger(m_noteCounter, delta); }

// ---- tray

void frmPrincipal::TrayUpdateTip() { m_tray->setTip(QStringLiteral("Quadrelo - %1 Lembrete(s)").arg(m_noteCounter)); }

void frmPrincipal::restoreDialogs()
{
    Platform::windows().restore(frmProp::instance().window());
    Platform::windows().restore(frmSobre::current());
}

void frmPrincipal::launchedAgain(const QString &command)
{
    if (m_shutDown)
        return;
    if (!m_started) {
        m_launchedDuringStart << command;
        return;
    }
    // Run as the menu runs its items, so a desktop action does just what the tray's item does.
    static const QStringList actions{QStringLiteral("novo"), QStringLiteral("mostrar"), QStringLiteral("esconder"),
                                     QStringLiteral("encerrar")};
    mnu0->findChild<QAction *>(actions.contains(command) ? command : QStringLiteral("mostrar"))->trigger();
}

// ---- commands

void frmPrincipal::novo_Click()
{
    NoteValue setup = NoteValue::fromRecord(newNoteRecord(Platform::clock().now()));
    setup.heightTw = frmLembrete::DesignHeightTw; // made taller than its record says
    const QPoint at = NotePlacement::newNotePlace(QSize(Design::px(frmLembrete::DesignWidthTw), Design::px(frmLembrete::DesignHeightTw)));
    setup.leftTw = Design::twips(at.x()), setup.topTw = Design::twips(at.y());
    frmLembrete *note = makeNote(setup, true);
    if (!note)
        return;
    m_autoSave->changed();
    note->activateWindow(); // the person made it to type into it
    NoteRegistry::refreshPinBand();
    TrayUpdateTip();
}

void frmPrincipal::esconder_Click()
{
    for (frmLembrete *note : NoteRegistry::notes())
        note->hide();
}

void frmPrincipal::mostrar_Click()
{
    frmProp &prop = frmProp::instance();
    const bool reshow = prop.isDialogVisible();
    if (reshow)
        prop.hideDialog();
    if (frmSobre::isOpen())
        frmSobre::close();
    for (frmLembrete *note : NoteRegistry::notes()) {
        note->show();
        Platform::windows().keepOnScreen(note);
    }
    if (reshow)
        prop.showAgain();
}

void frmPrincipal::salvar_Click() { saveAllReporting(); }

void frmPrincipal::exibir_Click()
{
    // The menu has already flipped the mark; the command decides from the mark it showed.
    const bool turnOn = exibir->isChecked();
    exibir->setChecked(!turnOn);
    store().setSetting(Persistence::configSection(), QStringLiteral("Abertura"),
                       turnOn ? QStringLiteral("S") : QStringLiteral("N"));
    exibir->setChecked(turnOn);
}

void frmPrincipal::sobre_Click() { frmSobre::showModal(); }

void frmPrincipal::encerrar_Click()
{
    if (Form_Unload(true))
        quitApplication();
}
