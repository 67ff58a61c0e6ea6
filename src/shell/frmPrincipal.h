// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "note/frmLembrete.h"
#include "records/StoreSync.h"

#include <QObject>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QDeadlineTimer;
class QEventLoop;
class QMenu;
class NoteStore;
class AutoSave;
class SessionEnd;
class SingleInstance;
class TrayIcon;
class NoteWindows;

// The tray controller; it has no window of its own. It runs start-up and shutdown, owns the tray
// icon with its tip and menu, turns the saved records into note windows, and carries out the
// commands that act on all notes (new, hide all, show all, save all, show at start, About, exit).
class frmPrincipal : public QObject {
    Q_OBJECT
public:
    // Outcome of the start-up sequence. Ended: a signal (TERM, INT, HUP) came while it waited,
    // before anything was loaded; nothing was written.
    enum class StartResult { Running, AlreadyRunning, Failed, Ended };

    // The one controller, created on first use.
    static frmPrincipal *instance();
    ~frmPrincipal() override;

    // command: the tray menu item this launch was asked for, carried out by the running instance
    // when there is one (see launchedAgain), else by this one once started.
    // handedOver: this launch has already handed the command to a running instance, which did not
    // answer. startedByBus: the session bus started this instance for a call that follows.
    StartResult Form_Load(QString command = QString(), bool handedOver = false, bool startedByBus = false);
    // Shutdown: saves all notes, removes the tray icon and closes every window; runs once.
    // When the person asked for it (the menu), a failed save is shown and nothing is closed, so
    // nothing is lost; otherwise (a signal, the end of the session) the failure goes to standard
    // error and the program ends, since nobody would answer a message box.
    bool Form_Unload(bool askedByPerson);
    // For a process ending without the shutdown (Qt ends it when the X connection breaks): saves
    // all notes once, without any window.
    static void saveAtExit();
    bool isShutDown() const { return m_shutDown; }

    // Another launch of the program asks for the tray menu item named command ("novo",
    // "mostrar", "esconder", "encerrar"); a plain launch, or any other word, shows all. Carried
    // out once the start-up has finished.
    void launchedAgain(const QString &command);

    // The tray menu; its items carry the names of the commands ("novo", "mostrar", ...).
    QMenu *menu() const { return mnu0.get(); }
    // The tray icon, with its wait for a tray.
    TrayIcon *tray() const { return m_tray; }

    // Ends the event loop after the shutdown sequence; tests replace it.
    std::function<void()> quitApplication;

private:
    frmPrincipal();
    void createMenu();
    NoteStore &store();
    void readShowAtStart();
    // From the start of start-up, a signal or the end of the desktop session saves and ends the
    // program, never asking anything; until the notes are loaded it only ends the start-up.
    void handleSessionEnd();
    // Lets events run while the start-up waits for something outside, until `waiting` is quit
    // (by the caller's event), the deadline passes or a signal asks the program to end; false then.
    bool waitAtStart(QEventLoop &waiting, const QDeadlineTimer &deadline);
    // Opens the store, waiting for a writer to finish it (a sync tool at login); false when a
    // signal ended the wait. Throws RuntimeError.
    bool openStore();

    void LoadNotes();
    void SaveAll(); // throws RuntimeError
    // Runs save-all and reports a failure in a message box; true when saved.
    bool saveAllReporting();
    // Runs save-all; the failure's message, or nothing when saved.
    QString saveAllFailure();

    // The windows show the store's notes, and what it joins from other writers (notes kept on
    // several machines).
    void connectStore();
    // The watcher's call: joins what others wrote, its failures told once by the store itself.
    void takeInChanges();
    // Tells the person something about the notes without stopping them: the tray's balloon.
    void tellQuietly(const QString &text);
    // Brings back an open dialog that the window manager minimised. Show all does it by showing
    // the properties dialog anew and closing About.
    void restoreDialogs();

    void TrayUpdateTip();

    // Menu commands.
    void novo_Click();
    void esconder_Click();
    void mostrar_Click();
    void salvar_Click();
    void exibir_Click();
    void sobre_Click();
    void encerrar_Click();

    std::unique_ptr<NoteStore> m_store;
    std::unique_ptr<SingleInstance> m_single;
    std::unique_ptr<SessionEnd> m_sessionEnd;
    std::unique_ptr<QMenu> mnu0;
    QAction *exibir = nullptr;
    TrayIcon *m_tray = nullptr;
    AutoSave *m_autoSave = nullptr;
    NoteWindows *m_windows = nullptr;
    bool m_showAtStart = true;
    bool m_shutDown = false;
    bool m_started = false;
    bool m_endAsked = false; // a signal came during the start-up
    QStringList m_launchedDuringStart;
};
