#pragma once
#include <QObject>
#include <QStringList>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>

class QAction;
class QMenu;
class QTimer;
class SettingsStore;
class SingleInstance;
class frmLembrete;

// The hidden main window: start-up and shutdown, the tray icon and its menu, the loading of the
// saved notes and the commands that act on all notes.
class frmPrincipal : public QObject {
    Q_OBJECT
public:
    // Outcome of the start-up sequence.
    enum class StartResult { Running, AlreadyRunning, Failed };

    // The one main window, created on first use.
    static frmPrincipal *instance();
    ~frmPrincipal() override;

    StartResult Form_Load();
    // Shutdown: saves all notes, removes the tray icon and closes every window; runs once.
    // Returns false, with nothing closed, when the notes could not be saved and `keepOnFailure` is set.
    bool Form_Unload(bool keepOnFailure);

    void LoadNotes();
    void SaveAll(); // throws RuntimeError
    // Runs save-all and reports a failure in a message box; true when saved.
    bool saveAllReporting();

    void TrayAdd(const QString &tip);
    void TrayUpdateTip();
    void TrayRemove();
    QString tipText() const;

    // Menu commands.
    frmLembrete *novo_Click();
    void esconder_Click();
    void mostrar_Click();
    void salvar_Click();
    void exibir_Click();
    void sobre_Click();
    void encerrar_Click();

    // Tray activation, as the tray host reports it.
    void trayActivated(QSystemTrayIcon::ActivationReason reason);
    // Another launch of the program: show all, once the start-up has finished.
    void launchedAgain();
    // Brings back an open dialog that the window manager minimised.
    void restoreDialogs();

    qint16 noteCounter() const { return m_noteCounter; }
    void changeNoteCounter(int delta); // throws RuntimeError on overflow
    bool showAtStart() const { return m_showAtStart; }
    bool isShutDown() const { return m_shutDown; }
    SettingsStore &store();
    QMenu *menu() const { return mnu0; }
    QSystemTrayIcon *tray() const { return m_tray; }
    // Records that could not be loaded; save-all writes them back after the notes.
    QStringList setAsideRecords() const { return m_setAside; }

    // The open note windows, in creation order.
    static QList<frmLembrete *> notes();
    // Re-asserts always-on-top for every pinned note, in creation order.
    static void refreshPinBand();

    // Reports an error that ended a command: its code and description, in a message box.
    static void reportError(const class RuntimeError &error);
    // Runs one command or event handler; an error ends it and is reported, nothing else.
    static void runGuarded(const std::function<void()> &command);

    QAction *novo = nullptr;
    QAction *esconder = nullptr;
    QAction *mostrar = nullptr;
    QAction *salvar = nullptr;
    QAction *exibir = nullptr;
    QAction *sobre = nullptr;
    QAction *encerrar = nullptr;

    // Ends the event loop after the shutdown sequence; tests replace it.
    std::function<void()> quitApplication;
    // Whether the desktop offers a notification area; tests replace it.
    std::function<bool()> trayAvailable;

private:
    frmPrincipal();
    void connectNote(frmLembrete *note);
    void watchForTray();

    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<SingleInstance> m_single;
    QMenu *mnu0 = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QTimer *m_trayWatch = nullptr;
    qint16 m_noteCounter = 0;
    bool m_showAtStart = true;
    bool m_shutDown = false;
    bool m_started = false;
    bool m_launchedDuringStart = false;
    QStringList m_setAside;
    QStringList m_pendingLoad;
    qint64 m_lastTriggerMs = -1;
};
