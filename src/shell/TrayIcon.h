// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

class QMenu;
class TrayHost;

// What a click on the tray icon asks for, from the activations the tray host reports.
struct TrayClicks {
    enum Command { Nothing = 0, NewNote = 1, ShowAll = 2 }; // both: the new note first
    // The desktop's double-click time.
    int doubleClickMs = 400;

    // reason, reported at msecs on a steady clock. doubleClickOnlyHost: GNOME's AppIndicator host,
    // which opens its own menu on a left click and reports only double and middle clicks.
    int take(QSystemTrayIcon::ActivationReason reason, qint64 msecs, bool doubleClickOnlyHost);

private:
    qint64 m_lastTrigger = -1; // a first plain click that a second one may join
};

// The program's icon in the notification area: its tip and menu, its clicks, and the wait for a
// tray. The icon is made only once the desktop has a tray to show it in, since Qt settles at the
// first icon what kind of icon it makes; until then it keeps the tip it will show.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(TrayHost *host, QObject *parent = nullptr);

    // How long a start without a tray waits for one before saying so: started at login, the
    // program may come up before the panel. Tests shorten it.
    int graceMs = 10000;

    // Puts the icon up with this tip, now if there is a tray, else as soon as there is one, and
    // starts the wait for a tray. Once only.
    void show(const QString &tip);
    void setTip(const QString &tip);
    QString tip() const { return m_tip; }
    // The menu the tray opens on the icon; not owned.
    void setContextMenu(QMenu *menu);
    // Takes the icon out of the tray for good: no icon, click or message after it.
    void remove();
    // A balloon from the icon when the tray shows them; false when it cannot.
    bool showMessage(const QString &text);
    // The icon; nullptr until there is a tray to show it in.
    QSystemTrayIcon *icon() const { return m_icon; }

    // An activation as the tray host reports it.
    void activate(QSystemTrayIcon::ActivationReason reason);

signals:
    void showAllRequested();
    void newNoteRequested();
    // The wait is over and no tray came: nothing but the person can show hidden notes now.
    void noTrayAfterWait();

private:
    // Makes the icon when a tray has come, and again for a registry that came up after it.
    void follow();
    bool trayThere() const;

    TrayHost *m_host;
    QPointer<QMenu> m_menu;
    QSystemTrayIcon *m_icon = nullptr;
    QString m_tip;
    bool m_shown = false;
    bool m_removed = false;
    bool m_waitOver = false;
    int m_iconWatcherStarts = 0; // the registry's starts when the icon was made
    TrayClicks m_clicks;
    QElapsedTimer m_since;
};
