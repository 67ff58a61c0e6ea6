// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/TrayIcon.h"
#include "platform/Design.h"
#include "platform/TrayHost.h"

#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QStyleHints>
#include <QTimer>
#include <utility>

int TrayClicks::take(QSystemTrayIcon::ActivationReason reason, qint64 msecs, bool doubleClickOnlyHost)
{
    if (doubleClickOnlyHost) {
        // GNOME's AppIndicator host sends its activation only for a double click; its middle
        // click is the nearest to a single click.
        if (reason == QSystemTrayIcon::Trigger)
            return NewNote | ShowAll;
        return reason == QSystemTrayIcon::MiddleClick ? ShowAll : Nothing;
    }
    if (reason == QSystemTrayIcon::Trigger) {
        // Hosts that never report a double click send two plain clicks: count them as one.
        const bool second = m_lastTrigger >= 0 && msecs - m_lastTrigger <= doubleClickMs;
        m_lastTrigger = second ? -1 : msecs;
        return second ? NewNote | ShowAll : ShowAll;
    }
    if (reason == QSystemTrayIcon::DoubleClick) {
        if (m_lastTrigger < 0)
            return Nothing; // already taken as two clicks
        m_lastTrigger = -1;
        return NewNote | ShowAll;
    }
    return Nothing;
}

TrayIcon::TrayIcon(TrayHost *host, QObject *parent) : QObject(parent), m_host(host)
{
    m_since.start();
    connect(m_host, &TrayHost::changed, this, &TrayIcon::follow);
}

bool TrayIcon::trayThere() const
{
    const TrayHost::Presence p = m_host->presence();
    // A registry of StatusNotifierItems without a panel yet is a panel still starting: an X tray
    // beside it is then its proxy (KDE's xembedsniproxy), whose clicks do not reach the program
    // under Wayland. It is taken only once the wait for a tray is over.
    return p.known && (p.statusNotifierHost || (p.xembedTray && (!p.statusNotifierWatcher || m_waitOver)));
}

void TrayIcon::follow()
{
    if (!m_shown || m_removed || !trayThere())
        return;
    // Qt looks for a tray only when an icon is made, and a registry that came up after the icon
    // was made knows nothing of it: the icon is made again for it.
    const int starts = m_host->presence().watcherStarts;
    if (m_icon && starts == m_iconWatcherStarts)
        return;
    delete std::exchange(m_icon, nullptr);
    m_iconWatcherStarts = starts;
    QIcon builtIn;
    builtIn.addPixmap(Design::picture(QStringLiteral(":/icons/quadrelo-16.png")));
    builtIn.addPixmap(Design::picture(QStringLiteral(":/icons/quadrelo-32.png")));
    // The installed theme icon when there is one (so a theme can restyle it), else the built-in one.
    m_icon = new QSystemTrayIcon(QIcon::fromTheme(QStringLiteral(QUADRELO_APP_ID), builtIn), this);
    m_icon->setContextMenu(m_menu);
    m_icon->setToolTip(m_tip);
    connect(m_icon, &QSystemTrayIcon::activated, this, &TrayIcon::activate);
    m_icon->show();
}

void TrayIcon::show(const QString &tip)
{
    if (m_shown)
        return setTip(tip);
    m_shown = true;
    m_tip = tip;
    follow();
    QTimer::singleShot(graceMs, this, [this] {
        m_waitOver = true;
        follow();
        if (!m_icon && !m_removed)
            emit noTrayAfterWait();
    });
}

void TrayIcon::setTip(const QString &tip)
{
    m_tip = tip;
    if (m_icon)
        m_icon->setToolTip(tip);
}

void TrayIcon::setContextMenu(QMenu *menu)
{
    m_menu = menu;
    if (m_icon)
        m_icon->setContextMenu(menu);
}

void TrayIcon::remove()
{
    m_removed = true;
    if (m_icon)
        m_icon->hide();
}

bool TrayIcon::showMessage(const QString &text)
{
    if (!m_icon || !m_icon->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable()
        || !QSystemTrayIcon::supportsMessages())
        return false;
    m_icon->showMessage(QStringLiteral("Quadrelo"), text, QSystemTrayIcon::Information);
    return true;
}

void TrayIcon::activate(QSystemTrayIcon::ActivationReason reason)
{
    if (m_removed)
        return;
    // A StatusNotifierItem icon has no window of its own, so no geometry; an icon embedded in a
    // tray (XEmbed) reports its clicks and double clicks itself.
    const bool gnomeHost = m_icon && m_icon->geometry().isEmpty()
                           && qEnvironmentVariable("XDG_CURRENT_DESKTOP")
                                  .split(u':')
                                  .contains(QLatin1String("GNOME"), Qt::CaseInsensitive);
    m_clicks.doubleClickMs = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    const int commands = m_clicks.take(reason, m_since.elapsed(), gnomeHost);
    if (commands & TrayClicks::NewNote)
        emit newNoteRequested();
    if ((commands & TrayClicks::ShowAll) && !m_removed)
        emit showAllRequested();
}
