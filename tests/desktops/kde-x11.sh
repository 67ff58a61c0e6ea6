# SPDX-License-Identifier: GPL-3.0-or-later
# KDE Plasma 5.27 on X11 for the end-to-end run: Xvfb, a private session bus, kwin_x11 (without
# compositing, so that screenshots show what is on the screen) and plasmashell, whose panel holds
# the system tray (a StatusNotifierItem host). KWin's own settings are left as they come.
DESKTOP_TOOLS="Xvfb dbus-daemon gdbus kwin_x11 plasmashell convert"
source "$(dirname "${BASH_SOURCE[0]}")/_sni.sh"
kde_environment() { # two workspaces for the workspace checks; no first-run splash and tips
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
    printf '[Desktops]\nNumber=2\nRows=1\n' >"$XDG_CONFIG_HOME/kwinrc"
    printf '[KSplash]\nEngine=none\n' >"$XDG_CONFIG_HOME/ksplashrc"
    session_bus
}
desktop_start() {
    start_xvfb || return 1
    export XDG_SESSION_TYPE=x11
    kde_environment || return 1
    KWIN_COMPOSE=N bg kwin kwin_x11 --replace
    sni_desktop kwin plasmashell plasmashell --no-respawn
}
