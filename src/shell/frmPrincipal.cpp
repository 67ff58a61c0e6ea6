// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/frmPrincipal.h"
#include "dialogs/frmProp.h"
#include "dialogs/frmSobre.h"
#include "platform/MessageBox.h"
#include "platform/Platform.h"
#include "platform/RuntimeError.h"
#include "platform/SingleInstance.h"
#include "platform/WindowOps.h"
#include "records/NoteStore.h"
#include "records/Persistence.h"
#include "shell/AutoSave.h"
#include "shell/NoteWindows.h"
#include "shell/SessionEnd.h"
#include "shell/TrayIcon.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFileSystemWatcher>
#include <QMenu>
#include <QTimer>
#include <cstdio>
#include <utility>

namespace {

frmPrincipal *g_instance = nullptr;

// How long a start waits for the store's lock of an instance ending (saving, or killed a moment ago).
constexpr int HolderEndWaitMs = 5000;
// How long a start waits for a writer to finish the store (a sync tool at login) before it refuses it.
constexpr int StoreWriterWaitMs = 3000;
// How long an instance the bus started waits for the call it was started for.
constexpr int BusCallWaitMs = 2000;

} // namespace

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

frmPrincipal::StartResult frmPrincipal::Form_Load(QString command, bool handedOver, bool startedByBus)
{
    int line = 5;
    handleSessionEnd();
    const auto ended = [this] {
        m_single.reset(); // nothing of its lock and name stays behind
        return StartResult::Ended;
    };
    try {
        line = 10;
        m_single = std::make_unique<SingleInstance>();
        // Commands that come while the notes load are carried out once they are loaded.
        connect(m_single.get(), &SingleInstance::launchedAgain, this, &frmPrincipal::launchedAgain);
        SingleInstance::Outcome outcome = m_single->acquire();
        for (const QDeadlineTimer deadline(HolderEndWaitMs);
             outcome == SingleInstance::Outcome::StoreInUse && !deadline.hasExpired(); outcome = m_single->acquire()) {
            QEventLoop waiting;
            connect(m_single.get(), &SingleInstance::storeLockChanged, &waiting, &QEventLoop::quit);
            m_single->watchStoreLock();
            if (!waitAtStart(waiting, deadline))
                return ended();
        }
        if (outcome == SingleInstance::Outcome::AlreadyRunning && !handedOver
            && SingleInstance::notifyRunning(command) == SingleInstance::Answer::Answered)
            return StartResult::AlreadyRunning; // it does what this launch was for, shows its notes for a plain one
        if (outcome != SingleInstance::Outcome::Acquired) {
            // Out of reach (no bus, or one that does not answer): the person learns why nothing came.
            m_single.reset();
            Platform::messages().show(QStringLiteral("O Quadrelo já está em execução."), MessageBox::Information);
            return StartResult::AlreadyRunning;
        }
        if (startedByBus && command.isEmpty()) {
            // The bus started this instance for a launcher's call, which comes at once: a desktop
            // action then decides how the notes start, as its option would.
            QEventLoop waiting;
            connect(m_single.get(), &SingleInstance::launchedAgain, &waiting, &QEventLoop::quit);
            if (!waitAtStart(waiting, QDeadlineTimer(BusCallWaitMs)))
                return ended();
            command = m_launchedDuringStart.isEmpty() ? QString() : m_launchedDuringStart.takeFirst();
        }
        line = 11;
        if (!openStore())
            return ended();
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
        m_single.reset(); // the program ends: nothing of its lock and name stays behind
        Platform::messages().show(QStringLiteral("%1 - %2 - %3").arg(line).arg(error.code()).arg(error.description()),
                                  MessageBox::Critical);
        return StartResult::Failed;
    }
    m_started = true;
    if (!m_shutDown)
        m_autoSave->hold(false);
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { Form_Unload(false); });
    if (m_endAsked) { // while the notes loaded: they are, and the program ends as it would now
        Form_Unload(false);
        quitApplication();
    }
    for (const QString &pending : std::exchange(m_launchedDuringStart, {}))
        launchedAgain(pending);
    return StartResult::Running;
}

void frmPrincipal::handleSessionEnd()
{
    m_sessionEnd = std::make_unique<SessionEnd>();
    connect(m_sessionEnd.get(), &SessionEnd::saveRequested, this, [this] {
        // Saved before the program says it is done; the program ends when the session does.
        if (!m_started)
            return; // nothing loaded yet, nothing to save
        if (const QString failure = saveAllFailure(); !failure.isEmpty())
            std::fprintf(stderr, "quadrelo: %s\n", qPrintable(failure));
    });
    connect(m_sessionEnd.get(), &SessionEnd::ending, this, [this] {
        if (!m_started) {
            m_endAsked = true; // ends a wait of the start-up, or the start-up once the notes are loaded
            return;
        }
        Form_Unload(false);
        quitApplication();
    });
}

bool frmPrincipal::waitAtStart(QEventLoop &waiting, const QDeadlineTimer &deadline)
{
    connect(m_sessionEnd.get(), &SessionEnd::ending, &waiting, &QEventLoop::quit);
    QTimer::singleShot(int(deadline.remainingTime()), &waiting, &QEventLoop::quit);
    if (!m_endAsked)
        waiting.exec();
    return !m_endAsked;
}

bool frmPrincipal::openStore()
{
    const QDeadlineTimer deadline(StoreWriterWaitMs);
    std::unique_ptr<QFileSystemWatcher> watcher;
    for (;;) {
        try {
            store().open();
            return true;
        } catch (const StoreIncomplete &) {
            if (deadline.hasExpired())
                throw;
        }
        // Read again at each change of the file or of its folder (a writer that replaces it),
        // its link's and its own.
        const QFileInfo file(store().path());
        if (!watcher) {
            QStringList folders{file.absolutePath(), QFileInfo(file.canonicalFilePath()).absolutePath()};
            folders.removeDuplicates();
            watcher = std::make_unique<QFileSystemWatcher>(folders);
        }
        if (!watcher->files().contains(file.absoluteFilePath()))
            watcher->addPath(file.absoluteFilePath());
        QEventLoop waiting;
        connect(watcher.get(), &QFileSystemWatcher::fileChanged, &waiting, &QEventLoop::quit);
        connect(watcher.get(), &QFileSystemWatcher::directoryChanged, &waiting, &QEventLoop::quit);
        if (!waitAtStart(waiting, deadline))
            return false;
    }
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
    if (m_single)
        m_single->release(); // a later launch starts anew
    m_windows->close();
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
    const NoteWindows::Loaded loaded = m_windows->load(m_showAtStart);
    if (m_shutDown)
        return; // closed while the layout step let events run: the records are still pending
    TrayUpdateTip();
    store().watch();
    connect(m_store.get(), &NoteStore::changedElsewhere, this, [this] { takeInChanges(); });
    // Conflict copies a sync tool left while the program was not running.
    QTimer::singleShot(0, this, [this] { takeInChanges(); });
    if (loaded.firstFailure) {
        Platform::messages().show(
            QStringLiteral("100 - %1 - %2 (%3 lembrete(s) com defeito não foram carregados e continuam guardados)")
                .arg(loaded.firstFailure->code())
                .arg(loaded.firstFailure->description())
                .arg(loaded.failures),
            MessageBox::Critical);
    }
}

// ---- save-all

void frmPrincipal::SaveAll() { store().save(); }

// ---- notes kept on several machines

// The store's view of the windows: what they hold, the identities new notes got, and the join to show.
void frmPrincipal::connectStore()
{
    m_windows = new NoteWindows(store(), this);
    connect(m_windows, &NoteWindows::countChanged, this, &frmPrincipal::TrayUpdateTip);
    connect(m_windows, &NoteWindows::changed, m_autoSave, &AutoSave::changed);
    connect(m_store.get(), &NoteStore::unreadable, this, [this](const QString &path) {
        tellQuietly(QStringLiteral("%1 foi mudado por outro programa e não pode ser lido por inteiro: "
                                   "fica como está e será lido de novo quando mudar.")
                        .arg(QDir::toNativeSeparators(path)));
    });
    connect(m_store.get(), &NoteStore::relinked, this, [this](const QString &path) {
        tellQuietly(QStringLiteral("%1 passou a levar a outro arquivo com o Quadrelo aberto: o que há nele foi lido, "
                                   "mas os lembretes só serão gravados ali quando o Quadrelo for aberto de novo.")
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
        return QStringLiteral("Os lembretes não puderam ser salvos: %1 - %2")
            .arg(error.code())
            .arg(error.description());
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
    shell->m_single->release();
}

// ---- tray

void frmPrincipal::TrayUpdateTip()
{
    m_tray->setTip(QStringLiteral("Quadrelo - %1 Lembrete(s)").arg(m_windows->count()));
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

// ---- commands

void frmPrincipal::novo_Click()
{
    if (frmLembrete *note = m_windows->makeNew()) {
        note->activateWindow(); // the person made it to type into it
        m_windows->registry().refreshPinBand();
    }
}

void frmPrincipal::esconder_Click()
{
    for (frmLembrete *note : m_windows->registry().notes())
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
    for (frmLembrete *note : m_windows->registry().notes()) {
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
