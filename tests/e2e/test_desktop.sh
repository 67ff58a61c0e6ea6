#!/usr/bin/env bash
# End-to-end: what a person meets on a real desktop. A click on the hide glyph hides its note;
# the tray icon works while the properties dialog or About is open, and brings back a dialog
# the window manager minimised; notes are on every workspace; a note saved beyond every screen
# comes back on it; a second launch shows the hidden notes and ends.
# Usage: test_desktop.sh /path/to/quadrelo
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

HIDE=(6 6)      # a visible pixel of the hide glyph, which reaches 3 px beyond the corner
PROPS=(12 63)   # properties picture, 18x18 at (3, 54)
PIN=(13 37)     # pin picture, 18x18 at (4, 28)
CANCELAR=(60 253) # "&Cancelar" of the properties dialog's client area
AWAY=(900 700)

# Two plain clicks on the icon within the double-click time make a note (trays that report no
# double click send two clicks): keep single clicks apart.
show_all_click() { sleep 0.5; tray_click; }

start_desktop

# Note 0 at 200, 200 px; note 1 saved at left 100000 twips (6667 px), beyond the 1280 px screen.
write_store S \
    "$(make_record "01/12/2026 10:00" "" "N" "3000" "3000" "N" "" "N" "Primeira" "0" "0" "N" "0" "3060" "2430")" \
    "$(make_record "01/12/2026 10:01" "" "N" "6000" "100000" "N" "" "N" "Longe" "2" "0" "N" "0" "3060" "2430")"

start_program
wait_tray_icon || fatal "the tray icon is embedded in trayer"
wait_until 15 "both notes shown" note_count_is "$PROG_PID" 2 || fatal "both stored notes are shown"

note_at() { # note_at X: the shown note whose left edge is at X
    local w
    for w in $(note_windows "$PROG_PID"); do
        [ "$(win_geometry "$w" | cut -d' ' -f1)" = "$1" ] && echo "$w"
    done
}
FIRST=$(note_at 200)
[ -n "$FIRST" ] || fatal "the first note is at its saved place"
FAR=$(note_windows "$PROG_PID" | grep -vx "$FIRST")
far=($(win_geometry "$FAR"))
log "far note $FAR: ${far[*]}"
check "a note saved beyond every screen is moved wholly onto it" \
    test "${far[0]}" -ge 0 -a $((far[0] + far[2])) -le 1280 -a "${far[1]}" -eq 400

all_desktops() { [ "$(xprop -id "$1" _NET_WM_DESKTOP 2>/dev/null | awk '{ print $NF }')" = 4294967295 ]; }
check "notes are on every workspace" all_desktops "$FIRST"

# Tooltips show on a note that is not the active window.
pointer_to "${AWAY[@]}"
wait_until 5 "no tip" tooltip_gone
pointer_to $((far[0] + PIN[0])) $((far[1] + PIN[1]))
wait_until 5 "tip of the pin of an inactive note" tooltip_shown
check "a picture's tip shows on a note never clicked" tooltip_shown
pointer_to "${AWAY[@]}"

# ------------------------------------------------------------ the hide glyph

g=($(win_geometry "$FIRST"))
click_in "$FIRST" "${HIDE[@]}"
pointer_to "${AWAY[@]}"
wait_until 5 "first note hidden" note_count_is "$PROG_PID" 1
check "a click on the hide glyph hides its note" note_count_is "$PROG_PID" 1

# ------------------------------------------------------------ the tray with the properties dialog open

click_in "$FAR" "${PROPS[@]}"
pointer_to "${AWAY[@]}"
wait_until 10 "properties dialog shown" dialog_count_is "$PROG_PID" 1 || fatal "the properties dialog opens"
DLG=$(dialog_windows "$PROG_PID")
check "the tray menu opens while the properties dialog is open" open_tray_menu
xdotool key Escape
wait_until 5 "menu closed" menu_closed
show_all_click
wait_until 10 "notes shown" note_count_is "$PROG_PID" 2
check "show all works while the properties dialog is open" note_count_is "$PROG_PID" 2
wait_until 10 "dialog shown again" dialog_count_is "$PROG_PID" 1
check "the properties dialog is shown again after show all" dialog_count_is "$PROG_PID" 1

DLG=$(dialog_windows "$PROG_PID")
xdotool windowminimize "$DLG"
wait_until 5 "dialog minimised" win_gone_or_unmapped "$DLG"
show_all_click
dialog_back() { DLG=$(dialog_windows "$PROG_PID") && [ -n "$DLG" ] && win_viewable "$DLG"; }
check "a minimised dialog comes back on show all" wait_until 10 "dialog back" dialog_back
DLG=$(dialog_windows "$PROG_PID")
click_in "$DLG" "${CANCELAR[@]}"
pointer_to "${AWAY[@]}"
check "Cancelar closes the dialog brought back" wait_until 5 "dialog closed" dialog_count_is "$PROG_PID" 0

# ------------------------------------------------------------ the tray with About open

tray_menu_choose 6 "Sobre a Borvane"
wait_until 10 "About shown" dialog_count_is "$PROG_PID" 1 || fatal "About opens"
check "the tray menu opens while About is open" open_tray_menu
xdotool key Escape
wait_until 5 "menu closed" menu_closed
show_all_click
check "show all closes About" wait_until 10 "About closed" dialog_count_is "$PROG_PID" 0
check "show all with About open shows the notes" note_count_is "$PROG_PID" 2

# ------------------------------------------------------------ workspaces

wmctrl -s 1
pointer_to "${AWAY[@]}"
FIRST=$(note_at 200)
check "notes stay visible on another workspace" win_viewable "$FIRST"
wmctrl -s 0

# ------------------------------------------------------------ a second launch

tray_menu_choose 2 "Esconder Todos Lembretes"
wait_until 5 "notes hidden" note_count_is "$PROG_PID" 0
FIRST_PID=$PROG_PID
start_program
SECOND_PID=$PROG_PID
PROG_PID=$FIRST_PID
check "a second launch ends at once" wait_exit "$SECOND_PID" 5
check "a second launch ends with status 0" test "$EXIT_STATUS" = 0
check "a second launch shows the running instance's notes" \
    wait_until 10 "notes shown again" note_count_is "$PROG_PID" 2
check "the first instance goes on" alive "$PROG_PID"
check "one tray icon" tray_icon_count_is 1

screenshot end
finish
