# SPDX-License-Identifier: GPL-3.0-or-later
# KDE Plasma 5.27 on X11 for the end-to-end run: Xvfb, a private session bus, kwin_x11 (without
# compositing, so that screenshots show what is on the screen) and plasmashell, whose panel holds
# the system tray (a StatusNotifierItem host). KWin's own settings are left as they come.
DESKTOP_TOOLS="Xvfb dbus-daemon gdbus kwin_x11 plasmashell convert"
source "$(dirname "${BASH_SOURCE[0]}")/_sni.sh"

kde_environment() {
    export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=5
    mkdir -p "$XDG_CONFIG_HOME"
    # two workspaces for the workspace checks; no first-run splash and tips
    printf '[Desktops]\nNumber=2\nRows=1\n' >"$XDG_CONFIG_HOME/kwinrc"
    printf '[KSplash]\nEngine=none\n' >"$XDG_CONFIG_HOME/ksplashrc"
    session_bus
}

plasma_panel() { # the panel's window: plasmashell's dock
    local w
    for w in $(xdotool search --onlyvisible --class plasmashell 2>/dev/null); do
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q DOCK && echo "$w" && return 0
    done
    return 1
}

desktop_start() {
    start_xvfb || return 1
    export XDG_SESSION_TYPE=x11
    kde_environment || return 1
    KWIN_COMPOSE=N bg kwin kwin_x11 --replace
    wait_until 20 "kwin" eval 'wmctrl -m | grep -qi kwin' || return 1
    wait_until 10 "two workspaces" eval '[ "$(wmctrl -d | wc -l)" -ge 2 ]' || return 1
    bg plasmashell plasmashell --no-respawn
    wait_until 40 "system tray" sni_watcher_up || return 1
    wait_until 30 "panel" eval 'P=$(plasma_panel)' || return 1
    TRAY_AREA=$(geometry "$P")
}
