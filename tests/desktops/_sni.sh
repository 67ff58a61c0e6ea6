# SPDX-License-Identifier: GPL-3.0-or-later
# Tray helpers for a StatusNotifierItem host (Xfce's status tray, Plasma's system tray): the icon is drawn by
# the panel, not a window of the program; it is found on the screen by its colour, and its menu is the host's.
# Needs TRAY_AREA="X Y W H" (the panel strip) from the desktop file.
sni_watcher() { gdbus "$1" --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher "${@:2}"; }
sni_watcher_up() { sni_watcher introspect >/dev/null 2>&1; }
tray_icons() { # the program's registered items, as "service/path" (GNOME's host lists SERVICE@/PATH)
    local s o
    for s in $(sni_watcher call -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher \
        RegisteredStatusNotifierItems 2>/dev/null | grep -o "'[^']*'" | tr -d "'"); do
        o=${s%%/*} && o=$(bus_pid "${o%@}" 2>/dev/null)
        [ "$o" = "$PROG_PID" ] && echo "$s"
    done
}
# sni_desktop WM PANEL COMMAND...: once WM has two workspaces, the panel (its class) with its tray, by COMMAND
sni_desktop() {
    wait_until 20 "$1" eval "wmctrl -m | grep -qi $1" || return 1
    wait_until 10 "two workspaces" eval '[ "$(wmctrl -d | wc -l)" -ge 2 ]' || return 1
    bg "$2" "${@:3}"
    wait_until 40 "status tray" sni_watcher_up || return 1
    panel() { xdotool search --onlyvisible --class "$1" | while read -r w; do wtype "$w" | grep -q DOCK && echo "$w"; done; }
    wait_until 30 "panel mapped" eval "P=\$(panel $2 | head -1); [ -n \"\$P\" ]" && TRAY_AREA=$(geometry "$P")
}
tray_found() { # the program's icon: the bright yellow in the panel strip; TRAY_X, TRAY_Y its centre
    local a=($TRAY_AREA) c
    c=$(grab -crop "${a[2]}x${a[3]}+${a[0]}+${a[1]}" +repage -fx 'r > 0.86 && g > 0.75 && b < 0.43' -format '%@' info: 2>/dev/null)
    c=(${c//[x+]/ })
    [ "${c[0]:-0}" -gt 3 ] && TRAY_X=$((a[0] + c[2] + c[0] / 2)) TRAY_Y=$((a[1] + c[3] + c[1] / 2))
}
# the host may move its items to make room: the place once it stays
icon_stays() { local at="$TRAY_X $TRAY_Y"; sleep 0.3 && tray_found && [ "$at" = "$TRAY_X $TRAY_Y" ]; }
wait_tray_icon() { # the program's item registered and drawn; TRAY_X, TRAY_Y is its centre
    wait_until 15 "tray item registered" count_is tray_icons 1 &&
        wait_until 20 "tray icon drawn" eval 'tray_found && icon_stays' || return 1
    log "tray icon drawn at $TRAY_X,$TRAY_Y" && TRAY_ID=none
}
menus() { # the shown menus of any client: the host draws the program's menu
    local w
    for w in $(xwininfo -root -children | awk '/^ +0x/ { print $1 }' | decimal); do
        viewable "$w" && wtype "$w" | grep -q MENU && echo "$w"
    done
}
