# SPDX-License-Identifier: GPL-3.0-or-later
# Tray helpers for a StatusNotifierItem host (Xfce's status tray, Plasma's system tray): the icon is
# drawn by the panel, not a window of the program; it is found on the screen as the part of the
# panel that changed when the program's item was registered, and its menu is the host's own.
# Needs TRAY_AREA="X Y W H" (the panel strip) from the desktop file.

sni_items() { # the registered items, as "service/path"
    gdbus call --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher \
        -m org.freedesktop.DBus.Properties.Get org.kde.StatusNotifierWatcher RegisteredStatusNotifierItems 2>/dev/null |
        grep -o "'[^']*'" | tr -d "'"
}
sni_watcher_up() { gdbus introspect --session -d org.kde.StatusNotifierWatcher -o /StatusNotifierWatcher >/dev/null 2>&1; }
tray_icons() { local s; for s in $(sni_items); do sni_owned "$s" && echo "$s"; done; } # the program's items
sni_owner() { # sni_owner SERVICE[/PATH]: the process id behind the service (GNOME's host lists SERVICE@/PATH)
    local s=${1%%/*}
    gdbus call --session -d org.freedesktop.DBus -o /org/freedesktop/DBus -m org.freedesktop.DBus.GetConnectionUnixProcessID \
        "${s%@}" 2>/dev/null | grep -o '[0-9]*' | tail -1
}
sni_owned() { [ "$(sni_owner "$1")" = "$PROG_PID" ]; }
session_bus() {
    bg dbus dbus-daemon --session --nofork --address="unix:path=$XDG_RUNTIME_DIR/bus"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
    wait_until 10 "session bus" test -S "$XDG_RUNTIME_DIR/bus"
}
tray_strip() { # tray_strip FILE: the panel strip as a picture
    local a=($TRAY_AREA)
    import -window root -crop "${a[2]}x${a[3]}+${a[0]}+${a[1]}" +repage "$1" 2>/dev/null
}
sni_before() { tray_strip "$E2E_TMP/strip-before.png"; } # call before the program starts
sni_changed() { # "X W": the columns of the strip that changed since sni_before
    tray_strip "$E2E_TMP/strip-after.png" || return 1
    convert "$E2E_TMP/strip-before.png" "$E2E_TMP/strip-after.png" -compose difference -composite \
        -threshold 8% -format '%@' info: 2>/dev/null | awk -F '[x+]' '$1 > 4 { print $3, $1 }'
}
strip_settled() { # two equal captures of the strip in a row
    local a=($TRAY_AREA) x y
    x=$(import -window root -crop "${a[2]}x${a[3]}+${a[0]}+${a[1]}" rgb:- 2>/dev/null | md5sum) && sleep 0.3 &&
        y=$(import -window root -crop "${a[2]}x${a[3]}+${a[0]}+${a[1]}" rgb:- 2>/dev/null | md5sum) && [ "$x" = "$y" ]
}
wait_tray_icon() { # the program's item registered and drawn; TRAY_X, TRAY_Y is its centre
    local a=($TRAY_AREA) c
    wait_until 15 "tray item registered" count_is tray_icons 1 || return 1
    wait_until 10 "tray icon drawn" eval 'c=($(sni_changed)); [ ${#c[@]} -eq 2 ]' || return 1
    wait_until 5 "panel laid out" strip_settled
    c=($(sni_changed))
    # one icon is what changed, unless the host moved its other items to make room: then the new
    # one is at the end of the moved ones that SNI_NEW_END names
    TRAY_X=$((a[0] + c[0] + c[1] / 2)) TRAY_Y=$((a[1] + a[3] / 2)) TRAY_ID=none
    if [ "${c[1]}" -gt 40 ]; then
        TRAY_X=$((a[0] + c[0] + 12))
        [ "${SNI_NEW_END:-left}" = right ] && TRAY_X=$((a[0] + c[0] + c[1] - 12))
    fi
    log "tray icon drawn at $TRAY_X,$TRAY_Y (changed: ${c[1]} px from ${c[0]})"
}
menus() { # the shown menus of any client: the host draws the program's menu
    local w
    for w in $(xwininfo -root -children | awk '/^ +0x/ { print $1 }'); do
        info "$w" | grep -q 'Map State: IsViewable' || continue
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q 'MENU' && echo $((w))
    done
}
