# SPDX-License-Identifier: GPL-3.0-or-later
# KDE Plasma 5.27 on Wayland for the end-to-end run: kwin_wayland with XWayland (the program's), then
# plasmashell, only after the program, as when Quadrelo starts before the panel at login. Pointer, keys and
# the screen go through kwin, so that its moves and Plasma's panel and menus (Wayland surfaces) get them.
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
for part in kde-x11 _input; do source "$here/$part.sh"; done
DESKTOP_TOOLS="dbus-daemon gdbus kwin_wayland Xwayland plasmashell convert python3"
desktop_start() {
    kde_environment || return 1
    export XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-quadrelo-$$
    # the installed kwin_wayland carries a file capability that a container may refuse to run
    mkdir -p "$E2E_TMP/bin" && cp "$(command -v kwin_wayland)" "$E2E_TMP/bin/"
    KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 bg kwin_wayland \
        "$E2E_TMP/bin/kwin_wayland" --virtual --xwayland --width 1280 --height 800 --socket "$WAYLAND_DISPLAY" --no-lockscreen
    XVFB_PID=$BG_PID
    wait_until 20 "kwin_wayland" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || return 1
    # its XWayland's display, from the command line kwin gave it (other X servers come and go)
    xwayland_display() { pgrep -a -P "$XVFB_PID" Xwayland | grep -o ' :[0-9]*' | tr -d ' '; }
    wait_until 20 "XWayland" eval '[ -n "$(xwayland_display)" ]' || return 1
    export DISPLAY=$(xwayland_display)
    wait_until 20 "kwin on X" eval 'wmctrl -m | grep -qi kwin' || return 1
    # the services the bus starts for plasmashell (kactivitymanagerd) need the displays too
    dbus-update-activation-environment DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE
    start_input kwin
}
wmctrl() { # kwin_wayland leaves X clients' workspace switches alone: its own call, as its pager makes
    [ "$1" = -s ] || { command wmctrl "$@"; return; }
    gdbus call --session -d org.kde.KWin -o /KWin -m org.kde.KWin.setCurrentDesktop $(($2 + 1)) >/dev/null
}

# Plasma draws the program's item in its panel; its menu is Plasma's own, a Wayland surface.
TRAY_AREA="640 756 640 44" # the right half of the panel
wait_tray_icon() {
    if [ -z "${PLASMA_PID:-}" ]; then
        bg plasmashell env QT_QPA_PLATFORM=wayland plasmashell --no-respawn && PLASMA_PID=$BG_PID
        # after the item registry (a session's kded has it before), as a Plasma session starts it
        wait_until 60 "system tray" sni_watcher_up && bg xembedsniproxy xembedsniproxy || return 1
    fi
    wait_until 20 "tray item registered" count_is tray_icons 1 || return 1
    local d # the program started without a notification area said so in a box: a person closes it
    for d in $(dialogs); do wmctrl -ic "$(printf 0x%x "$d")"; done
    wait_until 5 "no box" count_is dialogs 0
    wait_until 20 "icon in the panel" tray_found && TRAY_ID=none
}
menu_area() { grab -crop 200x30+1060+720 +repage -format '%#' info:; }
tray_menu() { # tray_menu KEY...: right click on the icon, then the keys
    local before=$(menu_area)
    tray_click 3
    wait_until 5 "tray menu" eval '[ "$(menu_area)" != "$before" ]' || return 1
    sleep 0.3
    [ -f "$ART_DIR/menu.png" ] || gin shot "$ART_DIR/menu.png" # to look at
    xdotool key "$@"
    wait_until 5 "tray menu closed" eval '[ "$(menu_area)" = "$before" ]'
}
