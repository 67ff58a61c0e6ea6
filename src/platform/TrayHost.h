// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Whether the desktop has a notification area for the tray icon, asked of the desktop itself.
// Qt settles once per process, at its first look, whether the icon is a StatusNotifierItem or an
// XEmbed one; so it must not look before the panel is up, or a panel started after the program
// (as at a KDE login) never gets the icon it can show.
namespace TrayHost {

struct Presence {
    bool statusNotifierHost = false;    // a panel shows StatusNotifierItems
    bool statusNotifierWatcher = false; // their registry runs, a panel showing them or not yet
    bool xembedTray = false;            // an X notification area (or a panel's proxy for one)
};

Presence probe();

}
