// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "note/frmLembrete.h"

#include <QObject>
#include <QStringList>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTimer;
class SettingsStore;
class AutoSave;
class SessionEnd;
class SingleInstance;

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

    StartResult Form_Load();
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
    // Another launch of the program: show all, once the start-up has finished.
    void launchedAgain();

    // The tray menu; its items carry the names of the commands ("novo", "mostrar", ...).
    QMenu *menu() const { return mnu0.get(); }
    QSystemTrayIcon *tray() const { return m_tray; }

    // Ends the event loop after the shutdown sequence; tests replace it.
    std::function<void()> quitApplication;
    // Whether the desktop offers a notification area; tests replace it.
    std::function<bool()> trayAvailable;

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
    frmLembrete *makeNote(const frmLembrete::Setup &setup, bool show);
    void noteDeleted();
    void SaveAll(); // throws RuntimeError
    // Runs save-all and reports a failure in a message box; true when saved.
    bool saveAllReporting();
    // Runs save-all; the failure's message, or nothing when saved.
    QString saveAllFailure();
    void changeNoteCounter(int delta); // throws RuntimeError on overflow
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
    AutoSave *m_autoSave = nullptr;
    qint16 m_noteCounter = 0;
    bool m_showAtStart = true;
    bool m_shutDown = false;
    bool m_started = false;
    bool m_launchedDuringStart = false;
    // Records that could not be loaded; save-all writes them back after the notes.
    QStringList m_setAside;
    // Records not yet turned into windows; a shutdown during loading saves them as they are.
    QStringList m_pendingLoad;
    qint64 m_lastTriggerMs = -1;
};
