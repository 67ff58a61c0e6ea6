// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "note/frmLembrete.h"
#include "records/StoreSync.h"

#include <QObject>
#include <QStringList>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMenu;
class QTimer;
class SettingsStore;
class AutoSave;
class SessionEnd;
class SingleInstance;
class StoreWatcher;
class QTemporaryDir;

// The tray controller; it has no window of its own. It runs start-up and shutdown, owns the tray
// icon with its tip and menu, turns the saved records into note windows, and carries out the
// commands that act on all notes (new, hide all, show all, save all, show at start, About, exit).
class frmPrincipal : public QObject {
    Q_OBJECT
public:
    // Outcome of the start-up sequence.
    enum class StartResult { Running, AlreadyRunning, Failed };

    // The one controller, created on first use.
    static frmPrincipal *instance();
    ~frmPrincipal() override;

    // command: the tray menu item this launch was asked for, carried out by the running instance
    // when there is one (see launchedAgain), else by this one once started.
    StartResult Form_Load(const QString &command = QString());
    // Shutdown: saves all notes, removes the tray icon and closes every window; runs once.
    // When the person asked for it (the menu), a failed save is shown and nothing is closed, so
    // nothing is lost; otherwise (a signal, the end of the session) the failure goes to standard
    // error and the program ends, since nobody would answer a message box.
    bool Form_Unload(bool askedByPerson);
    // For a process ending without the shutdown (Qt ends it when the X connection breaks): saves
    // all notes once, without any window.
    static void saveAtExit();
    bool isShutDown() const { return m_shutDown; }

    // Tray activation, as the tray host reports it.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    // Another launch of the program asks for the tray menu item named command ("novo",
    // "mostrar", "esconder", "encerrar"); a plain launch, or any other word, shows all. Carried
    // out once the start-up has finished.
    void launchedAgain(const QString &command);

    // The tray menu; its items carry the names of the commands ("novo", "mostrar", ...).
    QMenu *menu() const { return mnu0.get(); }
    // The tray icon; nullptr until the desktop has a tray to show it in.
    QSystemTrayIcon *tray() const { return m_tray; }

    // Ends the event loop after the shutdown sequence; tests replace it.
    std::function<void()> quitApplication;
    // Whether the desktop offers a notification area; tests replace it.
    std::function<bool()> trayAvailable;
    // How long a start without a notification area waits for one before it shows the notes and
    // says so: started at login, the program may come up before the panel. Tests shorten it.
    int trayGraceMs = 10000;

private:
    frmPrincipal();
    void createMenu();
    void createTray();
    // Makes the shown icon again, for a tray that came up after it was made.
    void renewTray();
    SettingsStore &store();
    void readShowAtStart();
    void watchForTray();

    void LoadNotes();
    // Makes a note window from its set-up and counts it; nullptr when the program was closed
    // while the window was being laid out.
    frmLembrete *makeNote(const NoteValue &setup, bool show, const QString &noteId = QString());
    void noteDeleted();
    void SaveAll(); // throws RuntimeError
    // Runs save-all and reports a failure in a message box; true when saved.
    bool saveAllReporting();
    // Runs save-all; the failure's message, or nothing when saved.
    QString saveAllFailure();
    void changeNoteCounter(int delta); // throws RuntimeError on overflow

    // Notes kept on several machines: a sync tool carries the store; what another writer left
    // (the store changed on disk, conflict copies beside it) is joined with the windows' notes.
    // Captures the windows, joins in what others wrote, applies the join to the windows and
    // writes it: always, or only when the store lacks something of it. Throws RuntimeError.
    void syncStore(bool alwaysWrite);
    void syncOnce(bool alwaysWrite);
    // The watcher's call: the same, its failures told once by the reading itself.
    void takeInChanges();
    // The notes as the windows hold them now, then those that have no window.
    QList<StoreSync::Live> liveNotes() const;
    StoreSync::Snapshot captureWindows();
    // A store file's content as a snapshot; nothing when it cannot be read whole, which is told
    // once per file until it reads again.
    std::optional<StoreSync::Snapshot> readStoreFile(const QString &path, const QByteArray &bytes, bool tell = true);
    // Opens, closes and updates windows to show `merged`.
    void applyToWindows(const StoreSync::Snapshot &merged);
    // Tells the person something about the notes without stopping them: the tray's balloon.
    void tellQuietly(const QString &text);
    // Brings back an open dialog that the window manager minimised. Show all does it by showing
    // the properties dialog anew and closing About.
    void restoreDialogs();

    void TrayAdd(const QString &tip);
    void TrayUpdateTip();
    void TrayRemove();

    // Menu commands.
    void novo_Click();
    void esconder_Click();
    void mostrar_Click();
    void salvar_Click();
    void exibir_Click();
    void sobre_Click();
    void encerrar_Click();

    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<SingleInstance> m_single;
    std::unique_ptr<SessionEnd> m_sessionEnd;
    std::unique_ptr<QMenu> mnu0;
    QAction *exibir = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QTimer *m_trayWatch = nullptr;
    QString m_trayTip; // what the icon says, kept while there is no tray to show it
    bool m_trayGraceOver = false;
    AutoSave *m_autoSave = nullptr;
    qint16 m_noteCounter = 0;
    bool m_showAtStart = true;
    bool m_shutDown = false;
    bool m_started = false;
    QStringList m_launchedDuringStart;
    // The store as last read or written: the base of the next capture.
    StoreSync::Snapshot m_known;
    QString m_machine;
    // Notes that have no window: not yet loaded (a shutdown during loading saves them as they
    // are) or whose record cannot be shown. Kept in the store as they are.
    QList<StoreSync::Live> m_unloaded;
    StoreWatcher *m_watcher = nullptr;
    std::unique_ptr<QTemporaryDir> m_readFolder;
    int m_reads = 0;
    QStringList m_copiesTaken;  // conflict copies merged already: path, size and time
    QStringList m_unreadableTold;
    bool m_syncing = false;
    bool m_syncAgain = false;
    qint64 m_lastTriggerMs = -1;
    // The tray host is GNOME's AppIndicator extension, which reports no single left click.
    bool activatesOnDoubleClickOnly() const;
};
