#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The end-to-end checks under GNOME Shell 43 (Wayland, the program on XWayland), headless, with
# real input through the compositor: "appindicator" with the AppIndicator extension (the icon in
# the top bar, GNOME's own menu), "plain" without it (no notification area at all). Prints one
# line per desktop and check, as tests/desktops/run.sh does for the others: "gnome  PASS  ...". Everything runs in private
# folders, buses and displays, stopped by process id at the end.
# Usage: gnome.sh /path/to/quadrelo [appindicator|plain]   (both, one after the other, by default)
set -u
HERE=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
if [ -z "${2:-}" ]; then
    "$0" "$1" appindicator; a=$?
    "$0" "$1" plain; p=$?
    [ "$a" = 77 ] && [ "$p" = 77 ] && exit 77
    [ "$a" != 1 ] && [ "$p" != 1 ] && exit 0
    exit 1
fi
VARIANT=$2
DESK=gnome-$VARIANT
[ "$VARIANT" = plain ] && DESK=gnome
source "$HERE/../e2e/lib.sh" "$1"
source "$HERE/_input.sh"
ART_DIR="$(dirname "$PROGRAM")/e2e-artifacts/$DESK"
rm -rf "$ART_DIR" && mkdir -p "$ART_DIR"
log() { # the checks' verdicts on standard output, everything in the run's log
    case "$1" in PASS:* | FAIL:*) printf '%-12s %s  %s\n' "$DESK" "${1%%:*}" "${1#*: }" ;; esac
    printf '[%6d ms] %s\n' "$(elapsed_ms)" "$*" >>"$ART_DIR/run.log"
}

# ---------------------------------------------------------------- the desktop

start_gnome() {
    local t
    for t in gnome-shell Xwayland dbus-daemon gdbus wmctrl xprop xwininfo xmessage xdotool /usr/bin/python3; do
        command -v "$t" >/dev/null || { log "missing $t"; printf '%-12s SKIP  gnome-shell, mutter, xwayland or python3-gi is missing\n' "$DESK"; exit 77; }
    done
    [ "$VARIANT" = plain ] || [ -d /usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com ] ||
        { printf '%-12s SKIP  gnome-shell-extension-appindicator is missing\n' "$DESK"; exit 77; }
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quadrelo-gnome.XXXXXX")
    mkdir -m 700 "$E2E_TMP/config" "$E2E_TMP/runtime" "$E2E_TMP/home" "$E2E_TMP/cache" "$E2E_TMP/data"
    export XDG_CONFIG_HOME="$E2E_TMP/config" XDG_RUNTIME_DIR="$E2E_TMP/runtime" HOME="$E2E_TMP/home"
    export XDG_CACHE_HOME="$E2E_TMP/cache" XDG_DATA_HOME="$E2E_TMP/data" XDG_STATE_HOME="$E2E_TMP/data"
    unset DISPLAY WAYLAND_DISPLAY SESSION_MANAGER PULSE_SERVER XAUTHORITY QT_QPA_PLATFORM QT_QPA_PLATFORMTHEME \
        QT_STYLE_OVERRIDE QT_SCALE_FACTOR DESKTOP_SESSION KDE_FULL_SESSION
    # what a GNOME login sets
    export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland GSETTINGS_BACKEND=keyfile NO_AT_BRIDGE=1
    STORE="$XDG_CONFIG_HOME/Quadrelo/Quadrelo.conf"
    local ext="@as []"
    [ "$VARIANT" = appindicator ] && ext="['ubuntu-appindicators@ubuntu.com']"
    mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
    printf '%s\n' "[org/gnome/shell]" "enabled-extensions=$ext" "disable-user-extensions=false" \
        "welcome-dialog-last-shown-version='999'" "[org/gnome/desktop/notifications]" "show-banners=false" \
        >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"
    # gnome-shell sees the machine's seats and wants a system bus: a private, empty one
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/sysbus"
    bg session-bus dbus-daemon --session --nofork --address="$DBUS_SESSION_BUS_ADDRESS"
    bg system-bus dbus-daemon --session --nofork --address="$DBUS_SYSTEM_BUS_ADDRESS"
    wait_until 10 "buses" test -S "$XDG_RUNTIME_DIR/bus" -a -S "$XDG_RUNTIME_DIR/sysbus" || exit 1
    bg gnome-shell gnome-shell --headless --wayland --wayland-display=wayland-quadrelo \
        --virtual-monitor 1280x800 --sm-disable
    SHELL_LOG="$ART_DIR/gnome-shell.log"
    wait_until 60 "GNOME Shell" grep -q 'GNOME Shell started' "$SHELL_LOG" || exit 1
    export WAYLAND_DISPLAY=wayland-quadrelo
    DISPLAY=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$SHELL_LOG" | head -1)
    XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
    export DISPLAY XAUTHORITY
    # A login lands on the overview since GNOME 40; the person leaves it for the desktop.
    gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.freedesktop.DBus.Properties.Set \
        org.gnome.Shell OverviewActive '<false>' >/dev/null
    start_input mutter
    gin move 900 700 || exit 1
}

# ---------------------------------------------------------------- the tray icon and GNOME's menu

MENU_TOP=62 MENU_STEP=36 # the first item's centre and the items' spacing, below the top bar
menu_open() { screen_pixel_is "${TRAY[0]}" $((MENU_TOP + MENU_STEP / 2)) 303030; }
menu_closed() { ! menu_open; }
tray_menu() { # tray_menu N: a left click on the icon, then item N (0: "Novo" ... 6: "Encerrar")
    gin move "${TRAY[@]}" && gin click 1
    wait_until 5 "menu open" menu_open || return 1
    gin move "${TRAY[0]}" $((MENU_TOP + MENU_STEP * $1)) && gin click 1
    wait_until 5 "menu closed" menu_closed
}
click_in() { # click_in WINDOW X Y [BUTTON]
    local g
    g=($(geometry "$1"))
    [ ${#g[@]} -eq 4 ] && gin move $((g[0] + $2)) $((g[1] + $3)) && gin click "${4:-1}"
}
HIDE=(6 6) CORNER=(18 4) PIN=(13 37) PROPS=(12 63) CANCELAR=(60 253)

# ---------------------------------------------------------------- the run

start_gnome
rec() { make_record "01/12/2026 10:00" "" "$1" "$2" "$3" N "" N "$4" "$5" 0 N 0 3060 2430; }
# "Primeira" at 200,200 px, "Fixa" pinned at 650,200 (cyan), "Longe" saved beyond the screen
write_store S "$(rec N 3000 3000 Primeira 0)" "$(rec S 3000 9750 Fixa 3)" "$(rec N 6000 100000 Longe 2)"
start_program
wait_until 20 "three notes" count_is notes 3 || fatal "the stored notes are shown"
P=$(note_at 200 200) FIXA=$(note_at 650 200)
if [ "$VARIANT" = appindicator ]; then
    check "the icon appears in the top bar" wait_until 20 "icon" tray_found || fatal "the icon appears"
else
    check "without a notification area, the message about it is shown" \
        wait_until 20 "message" eval 'xprop -id "$(dialogs | head -1)" WM_NAME | grep -q Quadrelo'
    click_in "$(dialogs | head -1)" 10 10 # to the front, then Return is its OK
    gin key Return
    wait_until 10 "message closed" count_is dialogs 0
fi
# a decorated window is put into a frame window of mutter's; a bare one stays a child of the root
bare() { xwininfo -id "$1" -tree | grep -q 'Parent window id: .*(the root window)'; }
check "notes have no title bar or border" bare "$P"
check "notes have no taskbar entry" has_state "$P" _SKIP_TASKBAR
check "a note saved beyond every screen is shown wholly on it" \
    eval 'g=($(geometry "$(notes | grep -vx -e "$P" -e "$FIXA")")); [ "${g[0]}" -ge 0 ] && [ $((g[0] + g[2])) -le 1280 ]'

# Another application's window, over both notes' left parts, with the focus
bg xmessage xmessage -geometry 800x300+100+150 "outra janela"
XMESSAGE=$BG_PID
wait_until 10 "other window" eval 'X=$(xdotool search --onlyvisible --class Xmessage | head -1); [ -n "$X" ]'
upper() { # upper A B: the one higher in the stacking order
    xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' |
        while read -r w; do [ $((w)) = "$1" ] || [ $((w)) = "$2" ] && echo $((w)); done | tail -1
}
gin move 120 420 && gin click 1 # on the other window
check "a pinned note stays above the focused window" wait_until 5 "above" eval '[ "$(upper "$FIXA" "$X")" = "$FIXA" ]'
check "an unpinned note goes under the focused window" eval '[ "$(upper "$P" "$X")" = "$X" ]'
click_in "$FIXA" "${PIN[@]}" # releases it, and raises it, as the person clicked on it
wait_until 5 "released" lacks_state "$FIXA" _ABOVE
gin move 120 420 && gin click 1
check "a released note goes under the focused window" wait_until 5 "under" eval '[ "$(upper "$FIXA" "$X")" = "$X" ]'

# The other window stays, on the first workspace: the notes are on every one.
wmctrl -s 1
check "notes are seen on another workspace" wait_until 5 "workspace 2" eval \
    'screen_pixel_is 300 300 E0FF00 && screen_pixel_is 150 420 023C88'
wmctrl -s 0
wait_until 5 "workspace 1" screen_pixel_is 150 420 FFFFFF
stop_pid "$XMESSAGE"

# The properties dialog of a pinned note comes above it, and goes
click_in "$FIXA" "${PIN[@]}"
wait_until 5 "pinned again" has_state "$FIXA" _ABOVE
click_in "$FIXA" "${PROPS[@]}"
check "the properties dialog of a pinned note opens above it" wait_until 10 "dialog" \
    eval 'D=$(dialogs) && [ -n "$D" ] && [ "$(upper "$D" "$FIXA")" = "$D" ]'
click_in "$D" "${CANCELAR[@]}"
check "Cancelar closes it" wait_until 5 "no dialog" count_is dialogs 0

# Moving by the folded corner
gin drag $((200 + CORNER[0])) $((200 + CORNER[1])) 200 -80
check "a drag by the folded corner moves the note" wait_until 5 "moved" note_at 400 120
P=$(note_at 400 120)

click_in "$P" "${HIDE[@]}"
check "a click on the hide glyph hides its note" wait_until 5 "note hidden" count_is notes 2
if [ "$VARIANT" = appindicator ]; then
    gin move "${TRAY[@]}" && gin dclick 1
    if ! wait_until 5 "four notes" count_is notes 4; then
        log "NOTE: the double click made no note; double-clicking again"
        wait_until 5 "no menu left open" menu_closed
        gin move "${TRAY[@]}" && gin dclick 1
    fi
    check "a double click on the icon makes a note and shows every note" wait_until 5 "four notes" count_is notes 4
    wait_until 5 "no menu left open" menu_closed
    tray_menu 1
    wait_until 5 "notes hidden" count_is notes 0
    gin move "${TRAY[@]}" && gin click 2
    check "a middle click on the icon shows every note" wait_until 5 "four notes" count_is notes 4
    tray_menu 1
    check "a left click opens the menu, and Esconder hides every note" wait_until 5 "hidden" count_is notes 0
    tray_menu 5
    about_shown() { xprop -id "$(dialogs)" _NET_WM_NAME | grep -q '"Sobre o Quadrelo'; }
    check "Sobre in the menu opens About" wait_until 10 "About" about_shown
    tray_menu 2
    check "Mostrar in the menu closes About and shows every note" wait_until 10 "shown" \
        eval 'count_is dialogs 0 && count_is notes 4'
    tray_menu 1
    SHOWN=4
else
    for w in $(notes); do click_in "$w" "${HIDE[@]}"; done
    wait_until 5 "notes hidden" count_is notes 0
    SHOWN=3
fi
FIRST=$PROG_PID
start_program
SECOND=$PROG_PID PROG_PID=$FIRST
check "a second launch shows the notes of the running one" wait_until 10 "notes" count_is notes $SHOWN
wait_exit "$SECOND" 10

kill -TERM "$PROG_PID"
wait_exit "$PROG_PID" 15
start_program
check "saved places come back after a restart" wait_until 15 "notes back" \
    eval 'note_at 400 120 && note_at 650 200 && count_is notes $SHOWN'
check "a pinned note comes back pinned" has_state "$(note_at 650 200)" _ABOVE
finish
