// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>

class QSocketNotifier;
struct xcb_connection_t;

// What the desktop offers to show the tray icon in, kept up to date and announced when it changes.
// Qt settles once per process, at its first look, whether the icon is a StatusNotifierItem or an
// XEmbed one; so the icon must not be made before the panel is up, or a panel started after the
// program (as at a KDE login) never gets the icon it can show.
class TrayHost : public QObject {
    Q_OBJECT
public:
    struct Presence {
        bool known = false;                 // the desktop has answered; until then nothing is known
        bool statusNotifierHost = false;    // a panel shows StatusNotifierItems
        bool statusNotifierWatcher = false; // their registry runs, a panel showing them or not yet
        bool xembedTray = false;            // an X notification area (or a panel's proxy for one)
        // How often the registry came up while the program ran: one that came up after an icon was
        // made knows nothing of that icon.
        int watcherStarts = 0;
        bool operator==(const Presence &o) const
        {
            return known == o.known && statusNotifierHost == o.statusNotifierHost
                   && statusNotifierWatcher == o.statusNotifierWatcher && xembedTray == o.xembedTray
                   && watcherStarts == o.watcherStarts;
        }
        bool operator!=(const Presence &o) const { return !(*this == o); }
    };

    using QObject::QObject;
    Presence presence() const { return m_presence; }

signals:
    void changed();

protected:
    // Takes the new state and announces it when it differs.
    void update(const Presence &now);

private:
    Presence m_presence;
};

// The desktop's own answer: the StatusNotifierItem registry on the session bus, asked without
// waiting and followed through its signals, and the owner of the X tray selection, followed
// through XFixes on an X connection of its own. Nothing is polled.
class DesktopTrayHost final : public TrayHost {
    Q_OBJECT
public:
    explicit DesktopTrayHost(QObject *parent = nullptr);
    ~DesktopTrayHost() override;

private slots:
    void hostRegistered();
    void hostUnregistered();

private: // NOLINT(readability-redundant-access-specifiers): the slots above are a section of Qt's own
    void watchXTray();
    void readXEvents();
    void askForHost();

    xcb_connection_t *m_x = nullptr;
    QSocketNotifier *m_xEvents = nullptr;
    quint32 m_trayAtom = 0;
    quint8 m_selectionNotify = 0; // XFixes' event code for a selection's new owner
    int m_asked = 0;              // the last question put to the registry; older answers are stale
};
