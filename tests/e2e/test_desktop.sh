#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: what only a real X server, window manager, tray, sound server and process boundary show, in
# one run; the other checks run while a stored alarm waits for its minute. Usage: test_desktop.sh QUADRELO
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
# Places in a note: a pixel of the hide glyph over the folded corner (24x24 at the top-left), the corner
# beside it, the pin and properties pictures (18x18 at 4,28 and 3,54); Cancelar in the properties dialog
HIDE=(6 6) CORNER=(18 4) PIN=(13 37) PROPS=(12 63) CANCELAR=(60 253)
start_desktop
# Primeira at 200,200 px; Longe at 100000 twips, beyond the screen, with sound 2; Reuniao, ringing with sound 1 low
# on the left
rec() { make_record "01/12/2026 10:00" "" N "$1" "$2" "$3" "$4" N "$5" "$6" 0 "${8:-N}" "$7" 3060 2430; }
DUE=$((($(date +%s) + ${ALARM_LEAD:-30} + 59) / 60 * 60)) # ALARM_LEAD: seconds the checks before it may take
write_store S "$(rec 3000 3000 N "" Primeira 0 0)" "$(rec 6000 100000 N "" Longe 2 2)" \
    "$(rec 8250 450 S "$(date -d "@$DUE" "+%d/%m/%Y %H:%M")" Reuniao 3 1 S)"
start_program
STARTED=${EPOCHREALTIME/./}
# The desktop's own notification service (GNOME Shell's, Plasma's), where the session has one; a big
# desktop may still be starting it
notices() { [ "$(gdbus call --session -d org.freedesktop.DBus -o / -m org.freedesktop.DBus.NameHasOwner \
    org.freedesktop.Notifications)" = "(true,)" ]; }
NOTICES=""
notices || { [ -n "${E2E_DESKTOP:-}" ] && wait_until 10 "notification service" notices; } && NOTICES="(true,)" &&
    bg notices dbus-monitor "interface='org.freedesktop.Notifications',member='Notify'"
wait_tray_icon || fatal "the tray icon is embedded in trayer"
start_sound # after the program, which connects only when the alarm wants its sound
wait_until 15 "three notes" count_is notes 3 || fatal "the stored notes are shown"
P=$(note_at 200 200)
F=$(notes | grep -vx -e "$P" -e "$(note_at 30 550)")
f=($(geometry "$F"))
check "notes have no taskbar entry" wait_until 3 "skip taskbar" has_state "$P" _SKIP_TASKBAR
check "notes have no pager entry" has_state "$P" _SKIP_PAGER
pointer_to $((f[0] + PIN[0])) $((f[1] + PIN[1]))
check "a picture's tip shows on a note never clicked" wait_until 5 "tip" count_is tips 1
pointer_to "${AWAY[@]}"
drag_corner() { # drag_corner X Y DX DY: the note whose corner is at X,Y, by the folded corner
    local x=$(($1 + CORNER[0])) y=$(($2 + CORNER[1])) i
    pointer_to $x $y; xdotool mousedown 1 sleep 0.2
    for i in $(seq 10); do xdotool mousemove $((x + $3 * i / 10)) $((y + $4 * i / 10)) sleep 0.05; done
    xdotool sleep 0.2 mouseup 1
}
drag_corner 200 200 200 -80
check "a drag by the folded corner moves the note" wait_until 3 "note moved" note_at 400 120
P=$(note_at 400 120)
click_in "$P" "${HIDE[@]}"
check "a click on the hide glyph hides its note" wait_until 5 "note hidden" count_is notes 2

# The first look at the sound devices, from a properties dialog, finds the server started after the program: the
# sound list shows the note's sound, and Okay (Alt+O) keeps it.
click_in "$F" "${PROPS[@]}"; pointer_to "${AWAY[@]}"
wait_until 10 "properties dialog" count_is dialogs 1 || fatal "the properties picture opens the dialog"
xdotool key alt+o
wait_until 5 "dialog closed" count_is dialogs 0
check "Okay in the first properties dialog keeps the note's sound" \
    wait_until 5 "saved" eval '[ -n "$(field Longe 1)" ] && field_is Longe 12 2'

# The tray while the properties dialog is open
click_in "$F" "${PROPS[@]}"; pointer_to "${AWAY[@]}"
wait_until 10 "properties dialog" count_is dialogs 1
check "opening the properties leaves a hidden note hidden" count_is notes 2
tray_menu m || fail "the tray menu opens while the properties dialog is open"
check "show all from the tray menu works while the properties dialog is open" wait_until 5 "three notes" count_is notes 3
check "the properties dialog stays open" count_is dialogs 1
D=$(dialogs)
"$PROGRAM" --esconder # the desktop entry's action, through the running instance
wait_until 5 "notes hidden" count_is notes 0
xdotool windowminimize "$D"
wait_until 5 "dialog minimised" eval "! viewable '$D'"
tray_click
dialog_back() { D=$(dialogs) && [ -n "$D" ] && viewable "$D"; }
check "a left click on the icon brings back the minimised dialog" wait_until 10 "dialog back" dialog_back ||
    { tray_click; wait_until 5 "dialog back on a second click, for the checks after this one" dialog_back; }
check "and shows every note" count_is notes 3
click_in "$D" "${CANCELAR[@]}"; pointer_to "${AWAY[@]}"
check "Cancelar closes the dialog brought back" wait_until 5 "no dialog" count_is dialogs 0

# The tray while About is open
P=$(note_at 400 120)
click_in "$P" "${HIDE[@]}"
wait_until 5 "note hidden" count_is notes 2
about_shown() { xprop -id "$(dialogs)" _NET_WM_NAME | grep -q '"Sobre o Quadrelo 2.2"'; }
tray_menu b
check "the access key B in the tray menu opens About" wait_until 10 "About" about_shown
tray_menu m || fail "the tray menu opens while About is open"
check "show all closes About" wait_until 10 "About closed" count_is dialogs 0
check "show all with About open shows every note" wait_until 5 "three notes" count_is notes 3

tray_menu e Return
check "hide all in the tray menu hides every note" wait_until 5 "notes hidden" count_is notes 0
FIRST=$PROG_PID && start_program && SECOND=$PROG_PID PROG_PID=$FIRST
check "a second launch ends at once with status 0" wait_exit "$SECOND" 10
check "a second launch shows the notes of the running one" wait_until 10 "three notes" count_is notes 3
check "the first instance goes on, with one tray icon" eval 'alive $FIRST && count_is tray_icons 1'

# A new note by a double click on the icon comes up mid-screen (some window managers put every new window at
# the top-left corner)
new_note() { # NEW is the note that was not there before
    local known=$(notes) && tray_double_click
    wait_until 5 "a new note" count_is notes $(($(grep -c . <<<"$known") + 1)) && NEW=$(notes | grep -vxF "$known")
}
new_note
n=($(geometry "$NEW"))
near() { local d=$(($1 - $2)); [ "${d#-}" -le "$3" ]; } # near A B TOLERANCE
check "a new note comes up in the middle of the screen (${n[*]})" \
    eval 'near $((n[0] + n[2] / 2)) 640 40 && near $((n[1] + n[3] / 2)) 400 60'
grab "$ART_DIR/four-notes.png" # to look at

# Without a mouse, after one click into a new note's text: Ctrl+Tab to its properties, Enter;
# the dialog closed by keys gives the keyboard back to the note; Ctrl+Tab to delete, Enter, "Sim".
new_note
click_in "$NEW" "${TEXT[@]}"
xdotool key --delay 100 ctrl+Tab ctrl+Tab ctrl+Tab Return
wait_until 10 "dialog with the keyboard" eval 'D=$(dialogs); [ -n "$D" ] && [ "$(xdotool getactivewindow)" = "$D" ]' ||
    fail "Ctrl+Tab and Enter open the properties"
xdotool key --delay 100 shift+Tab shift+Tab Return # from the colour list back to Cancelar
wait_until 5 "dialog closed" count_is dialogs 0
xdotool type --delay 50 "teclado"
check "keys typed after the properties dialog closes go into the note" wait_until 5 "saved" stored teclado
xdotool key --delay 100 ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab Return Tab Return
check "a note is deleted by keys alone" wait_until 5 "deleted" count_is notes 4

# An ordinary window over the due note; it also shows when the workspace has changed. upper A B: the higher one
upper() { xprop -root _NET_CLIENT_LIST_STACKING | grep -o '0x[0-9a-f]*' | decimal | grep -x -e "$1" -e "$2" | tail -1; }
F=$(note_at "${f[0]}" "${f[1]}")
click_in "$F" "${PIN[@]}"
wait_until 5 "pinned" has_state "$F" _ABOVE
bg xmessage xmessage -geometry 300x250+0+520 "outra janela"
wait_until 10 "other window" eval 'X=$(xdotool search --onlyvisible --class Xmessage | head -1); [ -n "$X" ]'
focus_x() { click_in "$X" 150 100 && wait_until 5 "the other program has the focus" eval '[ "$(xdotool getactivewindow)" = "$X" ]'; }
focus_x
check "a pinned note stays above the focused window" eval '[ "$(upper "$F" "$X")" = "$F" ]'
click_in "$F" "${PIN[@]}"
wait_until 5 "released" lacks_state "$F" _ABOVE
focus_x
check "a released note goes under the focused window" eval '[ "$(upper "$F" "$X")" = "$X" ]'
all_viewable() { local w; for w in $(notes); do viewable "$w" && lacks_state "$w" _HIDDEN || return 1; done; }
check "notes stay shown while another program has the focus" holds_for 1 all_viewable
wmctrl -s 1
wait_until 5 "workspace 2" eval "! viewable '$X'"
check "notes stay visible on another workspace" all_viewable
wmctrl -s 0 # the tray sits on the first one
wait_until 5 "workspace 1" viewable "$X"

A=$(note_at 30 550)
[ "$(upper "$A" "$X")" = "$X" ] || fatal "the other window covers the due note before it rings"
log "all but the alarm checked, $(($(elapsed_ms "$STARTED") / 1000)) s after start; waiting for the ring"
check "the due alarm rings: its note flashes" wait_until $((DUE - $(date +%s) + 10)) "flash" pixel_is 130 610 FFFFC0
late=$(((${EPOCHREALTIME/./} - DUE * 1000000) / 1000))
check "the flash starts within 2 s of the alarm's minute ($late ms after it)" test "$late" -ge 0 -a "$late" -le 2000
check "the ringing note is raised above the other window" [ "$(upper "$A" "$X")" = "$A" ]
[ "$NOTICES" != "(true,)" ] || check "$(ps -o comm= -p "$(bus_pid org.freedesktop.Notifications)"), the desktop's \
notification service, is given the ringing note" wait_until 5 "notice" grep -q 'string "Reuniao"' "$ART_DIR/notices.log"
sleep 2.6 && stop_sound # three sounds, a second apart
check "the alarm is heard each second, three times" heard_each_second "$REC_WAV" 3
start_sound
wait_until 10 "sound client again" sound_client
recorded() { [ "$(stat -c %s "$REC_WAV" 2>/dev/null || echo 0)" -ge $((44 + 2205 * 26)) ]; } # 2.6 s (it starts late)
wait_until 10 "2.6 s recorded" recorded
stop_pid "$REC_PID"
check "after the sound server restarts, the alarm is heard again" heard_each_second "$REC_WAV" 2

# A sound server that hangs while the alarm rings holds nothing up: typed text is saved as usual.
kill -STOP "$SOUND_PID"
type_into "$(note_at 400 120)" " e pao"
check "with the sound server hung, typed text is saved by itself" wait_until 3 "saved" stored "Primeira e pao"
stop_sound

stop_pid "$PROG_PID" # the runs below start it anew

# A launcher's actions when none runs: the session bus starts Quadrelo for the call
act() { gdbus call --session -d $APP_ID -o "/${APP_ID//.//}" -m org.freedesktop.Application.ActivateAction "$1" "@av []" "@a{sv} {}"; }
dbus-update-activation-environment DISPLAY ${XAUTHORITY:+XAUTHORITY} && act esconder >/dev/null; PROG_PID=$(bus_pid $APP_ID) && PIDS_TO_STOP+=("$PROG_PID")
check "the action 'Esconder Todos Lembretes' starts Quadrelo through the bus, the notes hidden" \
    eval 'alive "$PROG_PID" && wait_tray_icon && holds_for 1 count_is notes 0'
check "and 'Encerrar Quadrelo' through the bus ends it" eval 'act encerrar >/dev/null && wait_until 10 ended not_alive $PROG_PID'

# A logout through the session manager: the text typed is saved by the time the program says it is done
# (the manager may wait for slower programs before telling them to die).
bg session-manager python3 "$(dirname "$0")/xsmp_manager.py" "$E2E_TMP/sm" && SM_PID=$BG_PID
wait_until 10 "session manager" test -s "$E2E_TMP/sm" || fatal "the session manager starts"
sm_logged() { grep -q "$1" "$ART_DIR/session-manager.log"; }
back() { start_program; wait_until 15 "notes back" count_is notes 4 || fatal "the notes come back after $1"; }
SESSION_MANAGER=$(cat "$E2E_TMP/sm") back "the end through the bus"
A=$(note_at 1076 400) # "Longe", which no other window covers on any desktop
type_into "$A" " e sair"
click_in "$A" "${HIDE[@]}"
wait_until 5 "note hidden" count_is notes 3
stored "Longe e sair" && log "NOTE: saved by itself before the logout, which then tells nothing"
kill -USR1 "$SM_PID"
check "a logout through the session manager saves the text typed" eval \
    'wait_until 10 "save-yourself-done" sm_logged "for the logout: success 1" && stored "Longe e sair"'
check "and asks not to be started again by the next session" sm_logged "RestartStyleHint = 3"
kill -USR2 "$SM_PID"
check "and ends the program with status 0" wait_exit "$PROG_PID" 15

# Without the shutdown sequence, edits are kept all the same: saved by themselves seconds after.
back "the restart"
drag_corner 400 120 100 50
wait_until 3 "note moved" note_at 500 170
sleep 3 # past the automatic save's delay
kill -KILL "$PROG_PID"
check "a move by the folded corner survives a kill" eval 'field_is "Primeira e pao" 3 2550 && field_is "Primeira e pao" 4 7500'
back "the kill"
type_into "$(note_at 500 170)" " e cafe"
sleep 0.5 && kill "$XVFB_PID" # before the save by itself: the program's exit saves it
wait_exit "$PROG_PID" 15
check "text typed survives the end of the X server" stored "Primeira e pao e cafe"
finish
