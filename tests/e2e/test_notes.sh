#!/usr/bin/env bash
# End-to-end: note windows on the desktop. The welcome note; a new note typed into, moved,
# resized, saved and brought back by a restart; pin and release; hide all, show all and the
# icon's clicks; delete with its confirmation; damaged records among good ones.
# Usage: test_notes.sh /path/to/quadrelo
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Places inside a note window, in pixels, from the note window's design
PIN=(13 37)          # pin / release picture, 18x18 at (4, 28)
BIN=(12 93)          # delete picture, 18x18 at (3, 84)
BTN_YES=(54 107)     # "&Sim", 43x16 at (9, 15) inside the confirmation frame at (24, 84)
BTN_NO=(105 107)     # "&Não", 43x16 at (60, 15) inside the same frame
CORNER=(20 4)        # folded corner (24x24 at the top-left), right of the hide picture
TEXT=(70 30)         # inside the text box at (26, 2)
AWAY=(900 700)       # an empty place of the desktop

other_note() { # other_note PID KNOWN_ID...: the one shown note window not among the known ones
    local w k known
    for w in $(note_windows "$1"); do
        known=no
        for k in "${@:2}"; do [ "$w" = "$k" ] && known=yes; done
        [ $known = no ] && echo "$w"
    done | head -n 1
}

# The program may give a note a new native window when it hides and shows it again, so
# notes are found by their place and size rather than by window id.
note_at() { # note_at PID "X Y W H": the shown note window with exactly this geometry
    local w
    for w in $(note_windows "$1"); do
        [ "$(win_geometry "$w")" = "$2" ] && { echo "$w"; return 0; }
    done
    return 1
}

matches_date_time() { [[ "$1" =~ ^[0-3][0-9]/[01][0-9]/20[0-9][0-9]\ [0-2][0-9]:[0-5][0-9]$ ]]; }

differs() { [ -n "$1" ] && [ "$1" != "$2" ]; }

geometry_is() { # geometry_is ID "X Y W H"
    local got
    got=$(win_geometry "$1")
    [ "$got" = "$2" ] || { log "window $1: expected geometry $2, found $got"; return 1; }
}

# note_picture ID NAME: the note's pixels with the pointer elsewhere (no tip, no hover)
note_picture() {
    pointer_to "${AWAY[@]}"
    sleep 0.3
    save_window_image "$1" "$2"
    echo "$ART_DIR/$2.png"
}

drag() { # drag X1 Y1 X2 Y2: press, move in steps, release
    local x1=$1 y1=$2 x2=$3 y2=$4 i steps=10
    pointer_to "$x1" "$y1"
    xdotool mousedown 1
    sleep 0.2
    for ((i = 1; i <= steps; i++)); do
        xdotool mousemove $((x1 + (x2 - x1) * i / steps)) $((y1 + (y2 - y1) * i / steps))
        sleep 0.05
    done
    sleep 0.2
    xdotool mouseup 1
    sleep 0.3
}

start_desktop

# ------------------------------------------------------------ the welcome note
log "== the welcome note on first start"
start_program
wait_until 20 "one note shown" note_count_is "$PROG_PID" 1 ||
    { describe_windows "$PROG_PID"; fatal "the welcome note is shown on first start"; }
WELCOME=$(note_windows "$PROG_PID")
wait_tray_icon || fatal "the tray icon is embedded in trayer"
check "the welcome note is 480x195 at (104,106)" geometry_is "$WELCOME" "104 106 480 195"
check "the welcome note is pinned (_NET_WM_STATE_ABOVE)" win_has_state "$WELCOME" _NET_WM_STATE_ABOVE
check "the welcome note has no taskbar entry (_NET_WM_STATE_SKIP_TASKBAR)" wait_until 3 "skip taskbar" win_has_state "$WELCOME" _NET_WM_STATE_SKIP_TASKBAR
check "the welcome note has no pager entry (_NET_WM_STATE_SKIP_PAGER)" wait_until 3 "skip pager" win_has_state "$WELCOME" _NET_WM_STATE_SKIP_PAGER
screenshot welcome-note

# Read-only: typing changes nothing, and its delete picture asks no confirmation.
before=$(note_picture "$WELCOME" welcome-before)
click_in "$WELCOME" "${TEXT[@]}"
xdotool type --delay 20 "XYZ"
click_in "$WELCOME" "${BIN[@]}"
after=$(note_picture "$WELCOME" welcome-after)
diff_px=$(pixel_difference "$before" "$after")
check "the read-only welcome note takes no typing and no delete request ($diff_px pixels changed)" [ "${diff_px:-99999}" -lt 30 ]
TIP1=$(tray_tip_image tip-1-note) || fail "the tray tip shows"

# ------------------------------------------------------------ a new note, saved and restored
log "== a new note from the tray menu"
tray_menu_choose 1 "&Novo Papel de Lembrete"
wait_until 10 "a second note shown" note_count_is "$PROG_PID" 2 ||
    { describe_windows "$PROG_PID"; fatal "&Novo Papel de Lembrete shows a new note"; }
NOTE=$(other_note "$PROG_PID" "$WELCOME")
pass "&Novo Papel de Lembrete shows a new note"
g=($(win_geometry "$NOTE"))
log "new note at ${g[0]},${g[1]}"
check "the new note is 204x162" [ "${g[2]}x${g[3]}" = 204x162 ]
check "the new note is not pinned" win_lacks_state "$NOTE" _NET_WM_STATE_ABOVE
check "the new note has no taskbar entry" wait_until 3 "skip taskbar" win_has_state "$NOTE" _NET_WM_STATE_SKIP_TASKBAR
check "the new note has no pager entry" wait_until 3 "skip pager" win_has_state "$NOTE" _NET_WM_STATE_SKIP_PAGER
check "the welcome note stays pinned" win_has_state "$WELCOME" _NET_WM_STATE_ABOVE
TIP2=$(tray_tip_image tip-2-notes)
check "the tray tip changes with the new note" differs "$TIP2" "$TIP1"

# Move it by the folded corner to a free place, then make it larger with the grip.
drag $((g[0] + CORNER[0])) $((g[1] + CORNER[1])) $((700 + CORNER[0])) $((400 + CORNER[1]))
g=($(win_geometry "$NOTE"))
check "the note moves with its folded corner (now at ${g[0]},${g[1]})" [ "${g[0]},${g[1]}" = "700,400" ]
drag $((g[0] + 196)) $((g[1] + 154)) $((g[0] + 196 + 60)) $((g[1] + 154 + 40))
g=($(win_geometry "$NOTE"))
larger_than_design() { [ "${g[2]}" -gt 204 ] && [ "${g[3]}" -gt 162 ]; }
check "the grip makes the note larger (now ${g[2]}x${g[3]})" larger_than_design
NOTE_GEOMETRY="${g[*]}"

click_in "$NOTE" "${TEXT[@]}"
xdotool type --delay 30 "Comprar pão"
xdotool key Return
xdotool type --delay 30 "às 18h"
NOTE_TEXT="Comprar pão${NBSP}às 18h"
screenshot note-typed
NOTE_BEFORE=$(note_picture "$NOTE" note-before-restart)

tray_menu_choose 4 "&Salvar Todos Lembretes"
check "save all leaves keys 0 and 1, no 999" wait_until 5 "store rewritten" store_keys_are Lembretes 0 1
check "the welcome note is saved under 0 unchanged (read-only text kept)" store_value_is Lembretes 0 "$(welcome_record)"
created=$(store_field Lembretes 1 0)
check "the new note's creation time is DD/MM/YYYY HH:NN ($created)" matches_date_time "$created"
g=($NOTE_GEOMETRY)
expected=$(make_record "$created" "" N $((g[1] * 15)) $((g[0] * 15)) N "" N "$NOTE_TEXT" 0 0 N 0 $((g[2] * 15)) $((g[3] * 15)))
check "the new note is saved under 1 with its text, place and size in twips" store_value_is Lembretes 1 "$expected"

log "== restart"
tray_menu_choose 7 "&Encerrar Quadrelo"
wait_exit "$PROG_PID" 15 || { fail "&Encerrar Quadrelo ends the process"; stop_pid "$PROG_PID" quadrelo; }
start_program
wait_until 20 "two notes shown" note_count_is "$PROG_PID" 2 ||
    { describe_windows "$PROG_PID"; fatal "both notes come back after a restart"; }
wait_tray_icon
WELCOME_GEOMETRY="104 106 480 195"
WELCOME=$(note_at "$PROG_PID" "$WELCOME_GEOMETRY")
check "the welcome note comes back in its place" [ -n "$WELCOME" ]
NOTE=$(other_note "$PROG_PID" "$WELCOME")
check "the new note comes back with the same place and size" geometry_is "$NOTE" "$NOTE_GEOMETRY"
NOTE_AFTER=$(note_picture "$NOTE" note-after-restart)
diff_px=$(pixel_difference "$NOTE_BEFORE" "$NOTE_AFTER")
# a text cursor may blink in one picture and not in the other
check "the note comes back showing the same text ($diff_px pixels differ)" [ "${diff_px:-99999}" -lt 40 ]
TIP=$(tray_tip_image tip-2-notes-loaded)
check "the tray tip counts the loaded notes as before" [ "$TIP" = "$TIP2" ]
screenshot restarted

# ------------------------------------------------------------ pin and release
log "== pin and release"
click_in "$NOTE" "${PIN[@]}"
check "pinning sets _NET_WM_STATE_ABOVE" wait_until 5 "note above" win_has_state "$NOTE" _NET_WM_STATE_ABOVE
check "the pinned note is still shown" win_viewable "$NOTE"
tray_menu_choose 4 "&Salvar Todos Lembretes"
check "save all stores the pinned flag" wait_until 5 "Fixo S" store_field_is Lembretes 1 2 S
click_in "$NOTE" "${PIN[@]}"
check "releasing clears _NET_WM_STATE_ABOVE" wait_until 5 "note not above" win_lacks_state "$NOTE" _NET_WM_STATE_ABOVE
check "the released note is still shown" win_viewable "$NOTE"
check "the welcome note stays pinned" win_has_state "$WELCOME" _NET_WM_STATE_ABOVE
tray_menu_choose 4 "&Salvar Todos Lembretes"
check "save all stores the released flag" wait_until 5 "Fixo N" store_field_is Lembretes 1 2 N

# ------------------------------------------------------------ hide all, show all, the icon's clicks
log "== hide all and show all"
both_hidden() { note_count_is "$PROG_PID" 0; }
both_shown() { # sets WELCOME and NOTE to the windows now showing them
    WELCOME=$(note_at "$PROG_PID" "$WELCOME_GEOMETRY") && NOTE=$(note_at "$PROG_PID" "$NOTE_GEOMETRY")
}
tray_menu_choose 2 "&Esconder Todos Lembretes"
check "&Esconder Todos Lembretes hides every note" wait_until 5 "notes hidden" both_hidden
tray_menu_choose 3 "&Mostrar Todos Lembretes"
check "&Mostrar Todos Lembretes shows every note, in their places" wait_until 5 "notes shown" both_shown
both_shown
check "show all shows no other window" note_count_is "$PROG_PID" 2
check "the welcome note is pinned after show all" win_has_state "$WELCOME" _NET_WM_STATE_ABOVE
tray_menu_choose 2 "&Esconder Todos Lembretes"
wait_until 5 "notes hidden" both_hidden
tray_click 1
check "a left click on the icon shows every note" wait_until 5 "notes shown" both_shown
both_shown
check "a left click creates no note" note_count_is "$PROG_PID" 2
tray_menu_choose 2 "&Esconder Todos Lembretes"
wait_until 5 "notes hidden" both_hidden
tray_double_click
check "a double click on the icon makes one new note" wait_until 5 "three notes" note_count_is "$PROG_PID" 3
check "a double click on the icon shows every note" wait_until 5 "notes shown" both_shown
both_shown
THIRD=$(other_note "$PROG_PID" "$WELCOME" "$NOTE")
TIP3=$(tray_tip_image tip-3-notes)
check "the tray tip changes with the third note" differs "$TIP3" "$TIP2"
screenshot three-notes

# ------------------------------------------------------------ delete with confirmation
log "== delete"
if [ -n "$THIRD" ]; then
    # move it away from the others so that its pictures are not covered
    g=($(win_geometry "$THIRD"))
    drag $((g[0] + CORNER[0])) $((g[1] + CORNER[1])) $((300 + CORNER[0])) $((500 + CORNER[1]))
    plain=$(note_picture "$THIRD" third-plain)
    click_in "$THIRD" "${BIN[@]}"
    asking=$(note_picture "$THIRD" third-asking)
    diff_px=$(pixel_difference "$plain" "$asking")
    check "the delete picture shows the confirmation ($diff_px pixels changed)" [ "${diff_px:-0}" -gt 300 ]
    click_in "$THIRD" "${BTN_NO[@]}"
    cancelled=$(note_picture "$THIRD" third-cancelled)
    diff_px=$(pixel_difference "$plain" "$cancelled")
    check "&Não hides the confirmation ($diff_px pixels differ from before)" [ "${diff_px:-99999}" -lt 40 ]
    check "&Não keeps the note" win_viewable "$THIRD"
    click_in "$THIRD" "${BIN[@]}"
    screenshot delete-confirmation
    click_in "$THIRD" "${BTN_YES[@]}"
    check "&Sim deletes the note window" wait_until 5 "note gone" win_gone_or_unmapped "$THIRD"
    check "two notes are left" note_count_is "$PROG_PID" 2
    TIP=$(tray_tip_image tip-after-delete)
    check "the tray tip counts one note less" [ "$TIP" = "$TIP2" ]
    tray_menu_choose 4 "&Salvar Todos Lembretes"
    check "after save all the deleted note is gone from the store" wait_until 5 "keys 0 1" store_keys_are Lembretes 0 1
else
    fail "the note made by the double click can be found"
fi

tray_menu_choose 7 "&Encerrar Quadrelo"
wait_exit "$PROG_PID" 15 || { fail "&Encerrar Quadrelo ends the process"; stop_pid "$PROG_PID" quadrelo; }

# ------------------------------------------------------------ damaged records among good ones
log "== damaged records among good ones"
GOOD_A=$(make_record "01/02/2024 09:30" "" N 1500 3000 N "" N "primeiro${NBSP}lembrete" 2 0 N 0 3060 2430)
BAD_FEW="apenas${SEP}tres${SEP}campos${SEP}"
# pinned, and away from the middle of the screen, so that it does not cover the message box
GOOD_B=$(make_record "03/04/2024 10:45" "" S 6750 10500 N "" N "segundo, fixo" 6 0 N 0 4500 3600)
BAD_SIZE=$(make_record "05/06/2024 11:00" "" N 900 900 N "" N "largura torta" 0 0 N 0 "larga" 2430)
write_store S "$GOOD_A" "$BAD_FEW" "$GOOD_B" "$BAD_SIZE"
start_program
if wait_until 20 "a message box" dialog_count_is "$PROG_PID" 1; then
    BOX=$(dialog_windows "$PROG_PID")
    pass "a message box reports the damaged records"
    check "the message box is titled Quadrelo" [ "$(win_name "$BOX")" = Quadrelo ]
    save_window_image "$BOX" damaged-message
    screenshot damaged-message # its text must begin with "100 - "
    xdotool windowactivate "$BOX" 2>/dev/null
    sleep 0.3
    xdotool key Return
    check "Return dismisses the message box" wait_until 5 "no message box" dialog_count_is "$PROG_PID" 0
else
    fail "a message box reports the damaged records"
    describe_windows "$PROG_PID"
fi
check "the program goes on running" alive "$PROG_PID"
check "the two good notes are shown" wait_until 10 "two notes" note_count_is "$PROG_PID" 2
A=""
B=""
for w in $(note_windows "$PROG_PID"); do
    case "$(win_geometry "$w")" in
    "200 100 204 162") A=$w ;;
    "700 450 300 240") B=$w ;;
    esac
done
check "the first good note is in its place and size" [ -n "$A" ]
check "the second good note is in its place and size" [ -n "$B" ]
[ -n "$B" ] && check "the second good note is pinned" win_has_state "$B" _NET_WM_STATE_ABOVE
screenshot damaged-loaded
tray_menu_choose 4 "&Salvar Todos Lembretes"
check "save all keeps four records" wait_until 5 "keys 0-3" store_keys_are Lembretes 0 1 2 3
check "the first good note is saved unchanged" store_value_is Lembretes 0 "$GOOD_A"
check "the second good note is saved unchanged" store_value_is Lembretes 1 "$GOOD_B"
check "the record with too few fields is kept byte for byte" store_value_is Lembretes 2 "$BAD_FEW"
check "the record with a size that is no number is kept byte for byte" store_value_is Lembretes 3 "$BAD_SIZE"

finish
