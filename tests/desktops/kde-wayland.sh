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
    bg kwin_wayland "$E2E_TMP/bin/kwin_wayland" --virtual --xwayland --width 1280 --height 800 \
        --socket "$WAYLAND_DISPLAY" --no-lockscreen
    XVFB_PID=$BG_PID
    wait_until 20 "kwin_wayland" test -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" || return 1
    # its XWayland's display, from the command line kwin gave it (other X servers come and go)
    xwayland_display() { pgrep -a -P "$XVFB_PID" Xwayland | grep -o ' :[0-9]*' | tr -d ' '; }
    wait_until 20 "XWayland" eval '[ -n "$(xwayland_display)" ]' || return 1
    export DISPLAY=$(xwayland_display)
    wait_until 20 "kwin on X" eval 'wmctrl -m | grep -qi kwin' || return 1
    # the services the bus starts for plasmashell (kactivitymanagerd) need the displays too
    dbus-update-activation-environment DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE
    return 0
}

# Qt decides once per process whether there is a StatusNotifierItem host: started before the panel,
# the program's icon is an XEmbed one, which Plasma's xembedsniproxy (started with the panel, as a
# Plasma session does) shows as an item of its own.
tray_icons() { local s; for s in $(sni_items); do sni_owned "$s" || sni_proxied "$s" && echo "$s"; done; }
sni_proxied() { local o; o=$(sni_owner "$1"); [ -n "$o" ] && [ "$o" = "${PROXY_PID:-}" ]; }
sni_item() { tray_icons | head -1; }
sni_call() { # sni_call METHOD ARGS...: on the program's item
    local s
    s=$(sni_item) && [ -n "$s" ] || return 1
    gdbus call --session -d "${s%%/*}" -o "/${s#*/}" -m "org.kde.StatusNotifierItem.$1" "${@:2}" >/dev/null
}
wait_tray_icon() {
    if [ -z "${PLASMA_PID:-}" ]; then
        bg plasmashell env QT_QPA_PLATFORM=wayland plasmashell --no-respawn
        PLASMA_PID=$BG_PID
        bg xembedsniproxy xembedsniproxy
        PROXY_PID=$BG_PID
    fi
    wait_until 60 "system tray" sni_watcher_up || return 1
    wait_until 20 "tray item registered" count_is tray_icons 1 || return 1
    # the program started without a notification area said so in a box: a person closes it
    local d
    for d in $(dialogs); do wmctrl -ic "$(printf 0x%x "$d")"; done
    wait_until 5 "no box" count_is dialogs 0
    TRAY_ID=none
}
tray_click() { # the host's clicks: Activate, and ContextMenu for the right button
    sleep 0.5
    if [ "${1:-1}" = 3 ]; then sni_call ContextMenu 0 0; else sni_call Activate 0 0; fi
}
tray_double_click() { sleep 0.5; sni_call Activate 0 0 && sni_call Activate 0 0; }
