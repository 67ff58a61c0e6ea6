# SPDX-License-Identifier: GPL-3.0-or-later
# KDE Plasma 5.27 on Wayland for the end-to-end run: kwin_wayland on a virtual output with
# XWayland (the program runs through it), then plasmashell, started only after the program, as
# when Quadrelo starts before the panel at login. The pointer and keys reach X windows through
# XWayland; the panel is a Wayland client that X input cannot reach, so the tray is driven
# through the item's own D-Bus interface (a click is Activate, a menu item its dbusmenu event).
DESKTOP_TOOLS="dbus-daemon gdbus kwin_wayland Xwayland plasmashell"
source "$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")/kde-x11.sh"

desktop_start() {
    kde_environment || return 1
    export XDG_SESSION_TYPE=wayland WAYLAND_DISPLAY=wayland-quadrelo-$$
    # the installed kwin_wayland carries a file capability that a container may refuse to run
    mkdir -p "$E2E_TMP/bin" && cp "$(command -v kwin_wayland)" "$E2E_TMP/bin/"
    local before
    before=$(ls /tmp/.X11-unix 2>/dev/null)
    bg kwin_wayland "$E2E_TMP/bin/kwin_wayland" --virtual --xwayland --width 1280 --height 800 \
        --socket "$WAYLAND_DISPLAY" --no-lockscreen
    XVFB_PID=$BG_PID
    wait_until 20 "kwin_wayland" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || return 1
    wait_until 20 "XWayland" eval '[ -n "$(comm -13 <(echo "$before") <(ls /tmp/.X11-unix))" ]' || return 1
    export DISPLAY=":$(comm -13 <(echo "$before") <(ls /tmp/.X11-unix) | head -1 | tr -dc 0-9)"
    local auth
    auth=$(ls -t "$XDG_RUNTIME_DIR"/xauth_* 2>/dev/null | head -1)
    [ -n "$auth" ] && export XAUTHORITY=$auth
    wait_until 20 "kwin on X" eval 'wmctrl -m | grep -qi kwin' || return 1
    return 0
}

sni_item() { tray_icons | head -1; }
sni_call() { # sni_call METHOD ARGS...: on the program's item
    local s
    s=$(sni_item) && [ -n "$s" ] || return 1
    gdbus call --session -d "${s%%/*}" -o "/${s#*/}" -m "org.kde.StatusNotifierItem.$1" "${@:2}" >/dev/null
}
wait_tray_icon() {
    [ -n "${PLASMA_PID:-}" ] || { bg plasmashell env QT_QPA_PLATFORM=wayland plasmashell --no-respawn; PLASMA_PID=$BG_PID; }
    wait_until 60 "system tray" sni_watcher_up || return 1
    wait_until 20 "tray item registered" count_is tray_icons 1 || return 1
    # the program started without a notification area said so in a box: a person closes it
    local d
    for d in $(dialogs); do wmctrl -ic "$(printf 0x%x "$d")"; done
    wait_until 5 "no box" count_is dialogs 0
    TRAY_ID=none
}
tray_click() { # the host's click: Activate; a right click brings the menu, see tray_menu
    sleep 0.5
    [ "${1:-1}" = 1 ] && sni_call Activate 0 0
}
tray_double_click() { sni_call Activate 0 0 && sni_call Activate 0 0; }
menus() { :; } # drawn by plasmashell as a Wayland surface: not an X window
tray_menu() { # tray_menu KEY...: the item whose access key is the first KEY
    local s path id
    s=$(sni_item) && [ -n "$s" ] || return 1
    path=$(gdbus call --session -d "${s%%/*}" -o "/${s#*/}" -m org.freedesktop.DBus.Properties.Get \
        org.kde.StatusNotifierItem Menu | grep -o "'/[^']*'" | tr -d "'")
    id=$(gdbus call --session -d "${s%%/*}" -o "$path" -m com.canonical.dbusmenu.GetLayout 0 -1 '[]' |
        grep -o "([0-9]*, {[^}]*'label': <'[^']*'>" | grep -i "'label': <'[^']*_$1" | head -1 | grep -o '^([0-9]*' | tr -d '(')
    [ -n "$id" ] || { log "no menu item with the access key $1"; return 1; }
    gdbus call --session -d "${s%%/*}" -o "$path" -m com.canonical.dbusmenu.Event "$id" clicked '<0>' 0 >/dev/null
}
