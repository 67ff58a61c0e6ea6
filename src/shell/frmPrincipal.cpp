// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmPrincipal.h"
#include "alarm/AlarmCheck.h"
#include "dialogs/frmProp.h"
#include "dialogs/frmSobre.h"
#include "note/NoteRegistry.h"
#include "platform/Clock.h"
#include "platform/Design.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/SettingsStore.h"
#include "platform/SingleInstance.h"
#include "platform/StoreWatcher.h"
#include "platform/TrayHost.h"
#include "platform/WindowOps.h"
#include "records/NoteRecord.h"
#include "records/Persistence.h"
#include "shell/AutoSave.h"
#include "shell/SessionEnd.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QMenu>
#include <QPointer>
#include <QScreen>
#include <QStyleHints>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <utility>

using namespace NoteRecord;

namespace {

frmPrincipal *g_instance = nullptr;

// How often a desktop without a notification area is asked again whether it has one now.
constexpr int TrayWatchIntervalMs = 2000;

// A stored record, read and checked before any window is made for it.
NoteValue readRecord(const QString &record)
{
    const NoteValue n = NoteValue::fromRecord(record);
    // One whose size, place, colour or alarm cannot be read is set aside rather than loaded.
    n.checkReadable({Largura, Altura, Topo, Esquerda, Cor});
    AlarmDueText(n);
    return n;
}

// Keeps a loaded note within what the screens can show: never larger than the largest screen
// (a size of a million twips would make a window that takes minutes and gigabytes to draw), never
// placed so far off that its place cannot be a window's.
void fitToScreens(NoteValue &n)
{
    QRect all, largest;
    for (const QScreen *screen : QGuiApplication::screens()) {
        all |= screen->geometry();
        const QSize size = screen->geometry().size();
        if (qint64(size.width()) * size.height() > qint64(largest.width()) * largest.height())
            largest = screen->geometry();
    }
    if (all.isEmpty())
        return;
    n.widthTw = std::clamp(n.widthTw.value_or(0), frmLembrete::DesignWidthTw,
                           std::max(frmLembrete::DesignWidthTw, Design::twips(largest.width())));
    n.heightTw = std::clamp(n.heightTw.value_or(0), frmLembrete::DesignHeightTw,
                            std::max(frmLembrete::DesignHeightTw, Design::twips(largest.height())));
    if (n.leftTw && n.topTw) {
        // Still beyond the screens if it was: the move onto the nearest screen follows.
        const float x = std::clamp(*n.leftTw, Design::twips(all.left()) - 2 * *n.widthTw,
                                   Design::twips(all.right()) + *n.widthTw);
        const float y = std::clamp(*n.topTw, Design::twips(all.top()) - 2 * *n.heightTw,
                                   Design::twips(all.bottom()) + *n.heightTw);
        n.leftTw = x, n.topTw = y;
    }
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
    trayAvailable = [this] {
        const TrayHost::Presence p = TrayHost::probe();
        // A registry of StatusNotifierItems without a panel yet is a panel still starting: an X
        // tray beside it is then its proxy (KDE's xembedsniproxy), whose clicks do not reach the
        // program under Wayland. It is taken only once the wait for a tray is over.
        return p.statusNotifierHost || (p.xembedTray && (!p.statusNotifierWatcher || m_trayGraceOver));
    };
    createMenu();

    // The icon is made once a tray is there (see TrayAdd). A StatusNotifierItem host that comes
    // up after it (a panel started later or restarted) knows nothing of it, and Qt only looks
    // for a tray when the icon is made: the icon is made again for it.
    auto *hostWatch = new QDBusServiceWatcher(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                              QDBusConnection::sessionBus(),
                                              QDBusServiceWatcher::WatchForRegistration, this);
    connect(hostWatch, &QDBusServiceWatcher::serviceRegistered, this, &frmPrincipal::renewTray);
}

void frmPrincipal::renewTray()
{
    if (m_shutDown || m_trayTip.isEmpty())
        return;
    if (!trayAvailable()) {
        watchForTray();
        return;
    }
    delete std::exchange(m_tray, nullptr);
    TrayAdd(m_trayTip);
}

void frmPrincipal::createTray()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/quadrelo-16.png"));
    icon.addFile(QStringLiteral(":/icons/quadrelo-32.png"));
    // The installed theme icon when there is one (so a theme can restyle it), else the built-in one.
    m_tray = new QSystemTrayIcon(QIcon::fromTheme(QStringLiteral(QUADRELO_APP_ID), icon), this);
    m_tray->setContextMenu(mnu0.get());
    connect(m_tray, &QSystemTrayIcon::activated, this, &frmPrincipal::trayActivated);
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

SettingsStore &frmPrincipal::store()
{
    if (!m_store)
        m_store = std::make_unique<SettingsStore>();
    return *m_store;
}

// ---- start-up and shutdown

frmPrincipal::StartResult frmPrincipal::Form_Load(const QString &command)
{
    int line = 5;
    try {
        line = 10;
        m_single = std::make_unique<SingleInstance>();
        if (m_single->acquire() == SingleInstance::Outcome::AlreadyRunning) {
            // Ends silently; the running instance does what this launch was for (shows its notes
            // for a plain launch).
            SingleInstance::notifyRunning(command);
            return StartResult::AlreadyRunning;
        }
        connect(m_single.get(), &SingleInstance::launchedAgain, this, &frmPrincipal::launchedAgain);
        line = 11;
        store().checkUsable();
        readShowAtStart();
        line = 80;
        const bool trayPresent = trayAvailable();
        // Started by a desktop action: the notes shown or hidden as it asks, anything else done
        // once they are loaded.
        if (command == QLatin1String("mostrar") || command == QLatin1String("esconder"))
            m_showAtStart = command == QLatin1String("mostrar");
        else if (!command.isEmpty())
            m_launchedDuringStart << command;
        TrayAdd(QStringLiteral("Quadrelo - 0 Lembrete(s)"));
        line = 100;
        LoadNotes();
        if (!trayPresent) {
            watchForTray();
            // Nothing but the tray could show hidden notes: without one after a while, they are
            // shown and the person is told why there is no icon.
            QTimer::singleShot(trayGraceMs, this, [this, hide = command == QLatin1String("esconder")] {
                m_trayGraceOver = true;
                if (m_shutDown || m_tray)
                    return;
                if (trayAvailable())
                    return renewTray();
                if (!hide)
                    runGuarded([this] { mostrar_Click(); });
                Platform::messages().show(
                    QStringLiteral("A área de notificação não está disponível. O ícone do Quadrelo "
                                   "aparecerá assim que a área de trabalho oferecer uma área de notificação."),
                    MessageBox::Information);
            });
        }
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

// The setting "Abertura", seeded on first use (which also plants the welcome note).
void frmPrincipal::readShowAtStart()
{
    const QString value = Persistence::ReadSettingSeeded(store(), Persistence::configSection(),
                                                         QStringLiteral("Abertura"), QStringLiteral("S"));
    m_showAtStart = value == QLatin1String("S");
    exibir->setChecked(m_showAtStart);
}

void frmPrincipal::watchForTray()
{
    if (m_trayWatch)
        return m_trayWatch->start();
    m_trayWatch = new QTimer(this);
    connect(m_trayWatch, &QTimer::timeout, this, [this] {
        if (trayAvailable()) {
            m_trayWatch->stop();
            // Shown already, to no tray: showing it again would do nothing.
            renewTray();
        }
    });
    m_trayWatch->start(TrayWatchIntervalMs);
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
    m_autoSave->hold(true);
    TrayRemove();
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
    m_machine = StoreSync::machineId();
    m_watcher = new StoreWatcher(store().path(), this);
    const QByteArray bytes = m_watcher->current();
    if (std::optional<StoreSync::Snapshot> read = readStoreFile(store().path(), bytes, false)) {
        m_known = *read;
        m_watcher->setKnown(bytes);
    } else {
        m_known = StoreSync::read(store(), m_machine); // changed since it was checked: read again at its next change
    }
    int failures = 0;
    std::optional<RuntimeError> firstFailure;
    for (const QString &record : m_known.setAside) {
        try {
            readRecord(record);
        } catch (const RuntimeError &error) {
            if (!firstFailure)
                firstFailure = error;
        }
        ++failures;
    }
    m_unloaded.clear();
    for (const StoreSync::Note &note : m_known.notes)
        m_unloaded << StoreSync::Live{note.id, note.record};

    int next = 0;
    for (const StoreSync::Note &note : m_known.notes) {
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
            ++next;
            continue;
        }
        if (!makeNote(setup, m_showAtStart, note.id))
            return; // closed while the layout step let events run: the record is still pending
        m_unloaded.removeAt(next);
    }
    TrayUpdateTip();
    connect(m_watcher, &StoreWatcher::storeChanged, this, [this] { takeInChanges(); });
    connect(m_watcher, &StoreWatcher::folderChanged, this, [this] { takeInChanges(); });
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
    fitToScreens(fitted);
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
    return W;
}

void frmPrincipal::noteDeleted()
{
    m_autoSave->changed();
    changeNoteCounter(-1);
    TrayUpdateTip();
}

// ---- save-all

void frmPrincipal::SaveAll() { syncStore(true); }

// ---- notes kept on several machines

namespace {

// A record without the fields of place and size, which are each machine's own.
QString withoutPlace(const QString &record)
{
    QStringList f = split(record);
    for (int n : {Topo, Esquerda, Largura, Altura})
        if (n < f.size())
            f[n].clear();
    return f.join(QChar(FieldSeparator));
}

// Whether two snapshots hold the same notes, changes, deletions and places: a store holding
// `b` lacks nothing of `a`. The places in the records are left out (each machine writes its own).
bool sameContent(const StoreSync::Snapshot &a, const StoreSync::Snapshot &b)
{
    if (a.notes.size() != b.notes.size() || a.deleted.keys() != b.deleted.keys())
        return false;
    for (auto it = a.deleted.begin(); it != a.deleted.end(); ++it)
        if (b.deleted.value(it.key()).version != it->version)
            return false;
    QStringList asideA = a.setAside, asideB = b.setAside;
    asideA.sort();
    asideB.sort();
    if (asideA != asideB)
        return false;
    QHash<QString, const StoreSync::Note *> byId;
    for (const StoreSync::Note &n : b.notes)
        byId.insert(n.id, &n);
    for (const StoreSync::Note &n : a.notes) {
        const StoreSync::Note *other = byId.value(n.id);
        if (!other || other->version != n.version || other->dots != n.dots || other->places != n.places
            || withoutPlace(other->record) != withoutPlace(n.record))
            return false;
    }
    return true;
}

QString fileKey(const QFileInfo &info)
{
    return QStringLiteral("%1|%2|%3").arg(info.absoluteFilePath()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
}

}

QList<StoreSync::Live> frmPrincipal::liveNotes() const
{
    QList<StoreSync::Live> live;
    for (frmLembrete *note : NoteRegistry::notes())
        live << StoreSync::Live{note->noteId(), note->savedRecord()};
    return live + m_unloaded;
}

StoreSync::Snapshot frmPrincipal::captureWindows()
{
    const QList<frmLembrete *> windows = NoteRegistry::notes();
    const QList<StoreSync::Live> live = liveNotes();
    StoreSync::Snapshot captured = StoreSync::capture(m_known, live, m_machine);
    // The identities given to the notes made since the last capture, in the order of `live`.
    QSet<QString> had;
    for (const StoreSync::Live &l : live)
        had.insert(l.id);
    QStringList given;
    for (const StoreSync::Note &n : captured.notes)
        if (!had.contains(n.id))
            given << n.id;
    for (frmLembrete *note : windows)
        if (note->noteId().isEmpty() && !given.isEmpty())
            note->setNoteId(given.takeFirst());
    return captured;
}

std::optional<StoreSync::Snapshot> frmPrincipal::readStoreFile(const QString &path, const QByteArray &bytes, bool tell)
{
    // Read from a private copy: what is read is exactly these bytes, and the copy shares nothing
    // with the settings object that writes the store.
    if (!m_readFolder)
        m_readFolder = std::make_unique<QTemporaryDir>();
    const QString copyPath = m_readFolder->filePath(QStringLiteral("%1.conf").arg(++m_reads));
    std::optional<StoreSync::Snapshot> snapshot;
    {
        QFile copy(copyPath);
        if (copy.open(QIODevice::WriteOnly) && copy.write(bytes) == bytes.size() && copy.flush()) {
            copy.close();
            try {
                SettingsStore settings(copyPath);
                settings.checkUsable();
                snapshot = StoreSync::read(settings, m_machine);
            } catch (const RuntimeError &) {
            }
        }
    }
    QFile::remove(copyPath);
    if (snapshot) {
        m_unreadableTold.removeAll(path);
    } else if (tell && !m_unreadableTold.contains(path)) {
        m_unreadableTold << path;
        tellQuietly(QStringLiteral("%1 foi mudado por outro programa e não pode ser lido por inteiro: "
                                   "fica como está e será lido de novo quando mudar.")
                        .arg(QDir::toNativeSeparators(path)));
    }
    return snapshot;
}

void frmPrincipal::syncStore(bool alwaysWrite)
{
    if (m_syncing) {
        // Called again while the layout of a new note let events run: done once this one ends.
        m_syncAgain = true;
        return;
    }
    struct Guard {
        bool &syncing;
        ~Guard() { syncing = false; }
    } guard{m_syncing};
    m_syncing = true;
    do {
        m_syncAgain = false;
        syncOnce(alwaysWrite);
        alwaysWrite = false;
    } while (m_syncAgain && !m_shutDown);
}

void frmPrincipal::syncOnce(bool alwaysWrite)
{
    const bool storeChanged = m_watcher && m_watcher->changedOnDisk();
    QList<QFileInfo> copies;
    if (m_watcher) {
        // A linked store file may have another name where it lives, and its copies that name.
        const QStringList names{QFileInfo(store().path()).fileName(), QFileInfo(QFileInfo(store().path()).canonicalFilePath()).fileName()};
        for (const QString &folder : m_watcher->folders())
            for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files))
                if ((StoreSync::isConflictCopy(info.fileName(), names.first())
                     || (!names.last().isEmpty() && StoreSync::isConflictCopy(info.fileName(), names.last())))
                    && !m_copiesTaken.contains(fileKey(info)))
                    copies << info;
    }
    if (!alwaysWrite && !storeChanged && copies.isEmpty())
        return; // nothing from elsewhere, and nothing asked to be saved

    StoreSync::Snapshot ours = captureWindows();
    StoreSync::Snapshot onDisk = m_known;
    QByteArray diskBytes = m_watcher ? m_watcher->known() : QByteArray();
    int conflicts = 0;
    bool joined = false;
    auto join = [&](const StoreSync::Snapshot &theirs) {
        const StoreSync::Result result = StoreSync::merge(ours, theirs, m_machine);
        ours = result.merged;
        conflicts += result.conflicts;
        joined = true;
    };
    if (storeChanged) {
        // Another writer changed the store since it was last read or written here: joined
        // first, so nothing it wrote is overwritten.
        diskBytes = m_watcher->current();
        const std::optional<StoreSync::Snapshot> theirs = readStoreFile(store().path(), diskBytes);
        if (!theirs)
            throw RuntimeError::fileAccess(store().path() + QStringLiteral(" não pode ser lido por inteiro"));
        onDisk = *theirs;
        join(*theirs);
    }
    // Conflict copies a sync tool made beside the store: each joined once, then left as it is.
    for (const QFileInfo &info : copies) {
        QFile file(info.absoluteFilePath());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        if (const std::optional<StoreSync::Snapshot> copy = readStoreFile(info.absoluteFilePath(), file.readAll())) {
            join(*copy);
            m_copiesTaken << fileKey(info);
        }
    }
    if (joined)
        applyToWindows(ours);
    if (alwaysWrite || !sameContent(ours, onDisk)) {
        StoreSync::write(store(), ours);
        m_known = ours;
        if (m_watcher) {
            // Our own save is not a change, unless another writer replaced it since.
            const QByteArray written = m_watcher->current();
            const std::optional<StoreSync::Snapshot> check = readStoreFile(store().path(), written, false);
            if (check && sameContent(*check, ours))
                m_watcher->setKnown(written);
        }
    } else {
        m_known = ours;
        m_watcher->setKnown(diskBytes);
    }
    if (conflicts > 0)
        tellQuietly(QStringLiteral("%1 lembrete(s) foram mudados aqui e em outro computador ao mesmo tempo: "
                                   "um dos dois textos ficou num lembrete à parte.")
                        .arg(conflicts));
}

void frmPrincipal::takeInChanges()
{
    if (!m_started || m_shutDown)
        return;
    m_autoSave->hold(true);
    try {
        syncStore(false);
    } catch (const RuntimeError &) {
        // Told once by the reading; the next change reads it again, and the automatic save
        // keeps the notes' own changes waiting meanwhile.
    }
    m_autoSave->hold(m_shutDown);
}

void frmPrincipal::applyToWindows(const StoreSync::Snapshot &merged)
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
        if (withoutPlace(n->record) != withoutPlace(note->savedRecord()))
            note->applyElsewhere(n->record);
    }
    // Notes without a window: those that cannot be shown keep their records; new ones appear,
    // in this machine's place for them if it has one, else where the window manager puts them.
    QList<StoreSync::Live> unloaded;
    QList<const StoreSync::Note *> toMake;
    for (const StoreSync::Note &n : merged.notes) {
        if (shown.contains(n.id))
            continue;
        NoteValue setup;
        try {
            setup = readRecord(n.record);
        } catch (const RuntimeError &) {
            unloaded << StoreSync::Live{n.id, n.record};
            continue;
        }
        if (m_shutDown)
            unloaded << StoreSync::Live{n.id, n.record};
        else
            toMake << &n;
    }
    m_unloaded = unloaded;
    for (const StoreSync::Note *n : toMake) {
        NoteValue setup = readRecord(n->record);
        if (!n->places.contains(m_machine))
            setup.leftTw.reset(), setup.topTw.reset();
        if (!makeNote(setup, true, n->id))
            m_unloaded << StoreSync::Live{n->id, n->record}; // closed meanwhile: kept as it is
    }
    NoteRegistry::refreshPinBand();
    TrayUpdateTip();
}

void frmPrincipal::tellQuietly(const QString &text)
{
    // Once the join is over: a message box lets events run, and at the end of the session nobody
    // would answer it.
    QTimer::singleShot(0, this, [this, text] {
        if (m_shutDown)
            std::fprintf(stderr, "quadrelo: %s\n", qPrintable(text));
        else if (m_tray && m_tray->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages())
            m_tray->showMessage(QStringLiteral("Quadrelo"), text, QSystemTrayIcon::Information);
        else
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
}

void frmPrincipal::changeNoteCounter(int delta) { m_noteCounter = addInteger(m_noteCounter, delta); }

// ---- tray

void frmPrincipal::TrayAdd(const QString &tip)
{
    m_trayTip = tip;
    if (!m_tray && trayAvailable())
        createTray();
    if (m_tray) {
        m_tray->setToolTip(tip);
        m_tray->show();
    }
}

void frmPrincipal::TrayUpdateTip()
{
    m_trayTip = QStringLiteral("Quadrelo - %1 Lembrete(s)").arg(m_noteCounter);
    if (m_tray)
        m_tray->setToolTip(m_trayTip);
}

void frmPrincipal::TrayRemove()
{
    if (m_trayWatch)
        m_trayWatch->stop();
    if (m_tray)
        m_tray->hide();
}

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

bool frmPrincipal::activatesOnDoubleClickOnly() const
{
    // A StatusNotifierItem icon has no window of its own, so no geometry; an icon embedded in a
    // tray (XEmbed) reports its clicks and double clicks itself.
    return m_tray->geometry().isEmpty()
           && qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':').contains(QLatin1String("GNOME"), Qt::CaseInsensitive);
}

void frmPrincipal::trayActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (m_shutDown)
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (activatesOnDoubleClickOnly()) {
        // GNOME's AppIndicator host opens the menu on a single left click and sends its
        // activation only for a double click; its middle click is the nearest to a single click.
        if (reason == QSystemTrayIcon::Trigger)
            runGuarded([&] { novo_Click(); });
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::MiddleClick)
            runGuarded([&] { mostrar_Click(); });
        return;
    }
    if (reason == QSystemTrayIcon::Trigger) {
        // Hosts that never report a double click send two plain clicks: count them as one.
        const bool second = m_lastTriggerMs >= 0
                            && now - m_lastTriggerMs <= QGuiApplication::styleHints()->mouseDoubleClickInterval();
        m_lastTriggerMs = second ? -1 : now;
        if (second)
            runGuarded([&] { novo_Click(); });
        runGuarded([&] { mostrar_Click(); });
    } else if (reason == QSystemTrayIcon::DoubleClick) {
        if (m_lastTriggerMs < 0)
            return; // already handled as two clicks
        m_lastTriggerMs = -1;
        runGuarded([&] { novo_Click(); });
        runGuarded([&] { mostrar_Click(); });
    }
}

// ---- commands

// Where a new note goes, in pixels: centred on the screen under the pointer, and a step down and
// right of any shown note already there, so that new notes never hide each other exactly. Left to
// the window manager, some put it at the top-left corner.
static QPoint newNotePlace(QSize size)
{
    QScreen *screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect area = screen->availableGeometry();
    const QPoint offset(qMax(0, (area.width() - size.width()) / 2), qMax(0, (area.height() - size.height()) / 2));
    const int spanX = qMax(1, area.width() - size.width());
    const int spanY = qMax(1, area.height() - size.height());
    constexpr int Step = 24;
    auto taken = [](QPoint at) {
        for (frmLembrete *note : NoteRegistry::notes())
            if (note->isVisible() && (note->pos() - at).manhattanLength() < Step)
                return true;
        return false;
    };
    // Down and right in steps, starting again at the top once past the bottom or right edge.
    for (int i = 0; i < 100; ++i) {
        const QPoint at(area.left() + (offset.x() + i * Step) % spanX, area.top() + (offset.y() + i * Step) % spanY);
        if (!taken(at))
            return at;
    }
    return area.topLeft() + offset;
}

void frmPrincipal::novo_Click()
{
    NoteValue setup = NoteValue::fromRecord(newNoteRecord(Platform::clock().now()));
    setup.heightTw = frmLembrete::DesignHeightTw; // made taller than its record says
    const QPoint at = newNotePlace(QSize(Design::px(frmLembrete::DesignWidthTw), Design::px(frmLembrete::DesignHeightTw)));
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
    store().write(Persistence::configSection(), QStringLiteral("Abertura"),
                  turnOn ? QStringLiteral("S") : QStringLiteral("N"));
    store().commit();
    exibir->setChecked(turnOn);
}

void frmPrincipal::sobre_Click() { frmSobre::showModal(); }

void frmPrincipal::encerrar_Click()
{
    if (Form_Unload(true))
        quitApplication();
}
