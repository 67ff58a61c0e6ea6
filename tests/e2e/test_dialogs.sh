#!/usr/bin/env bash
# End-to-end: the properties dialog and the About dialog as a user drives them. A note's
# properties picture opens the dialog; a colour, tomorrow's date and a time typed through the
# masks, a sound and continuous ringing are chosen and confirmed with "&Okay"; save all writes
# them. A second edit sets the alarm to the current minute: the note rings within a minute,
# goes on ringing until its text is clicked, and the alarm is consumed. The About dialog opens
# from the tray menu and closes with "&Okay".
# Usage: test_dialogs.sh /path/to/quadrelo
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Places inside the note window, in pixels, from its design (204 x 162)
PROPS=(12 63)   # properties picture, 18x18 at (3, 54)
BELL=(3 111)    # alarm bell, 18x18 at (3, 111)
TEXT=(100 60)   # an empty spot of the text box, where the note colour shows

# Places inside the properties dialog's client area (its frames sit at x 0; "Atributos" at
# y 54, "Alarme" at y 123), as "X Y W H"
CMB_COR="123 90 121 20"
DATA_AVISO="69 141 73 16"
HORA_AVISO="204 141 40 16"
CMB_SOM="123 210 121 20"
OK_BUTTON="132 243 115 19"
CONTINUO_BOX=(236 195) # the tick box sits at the right end of "Tocar Alarme Ininterruptamente"

# The About dialog's "&Okay", 309x22 at (5, 144) of its client area
ABOUT_OK=(159 155)

WHITE="#FFFFFF"  # "Branco", colour index 2
YELLOW="#E0FF00" # "Amarelo", colour index 0
FLASH="#FFFFC0"  # the flash colour of a ringing note

AWAY=(900 700)

# ------------------------------------------------------------ helpers

# window_pixel ID X Y: the colour "#RRGGBB" of one pixel of a window
window_pixel() {
    import -window "$1" "$E2E_TMP/pixel.png" 2>/dev/null || return 1
    convert "$E2E_TMP/pixel.png" -crop "1x1+$2+$3" txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -1
}

note_text_colour_is() { [ "$(window_pixel "$NOTE" "${TEXT[@]}")" = "$1" ]; }

# region_colours ID "X Y W H": how many distinct colours the rectangle of the window holds
region_colours() {
    local r=($2)
    import -window "$1" "$E2E_TMP/region.png" 2>/dev/null || return 1
    convert "$E2E_TMP/region.png" -crop "${r[2]}x${r[3]}+${r[0]}+${r[1]}" +repage -format %k info: 2>/dev/null
}

# region_hash ID "X Y W H": a hash of the rectangle's pixels
region_hash() {
    local r=($2)
    import -window "$1" "$E2E_TMP/region.png" 2>/dev/null || return 1
    convert "$E2E_TMP/region.png" -crop "${r[2]}x${r[3]}+${r[0]}+${r[1]}" +repage rgb:- 2>/dev/null | md5sum | cut -d' ' -f1
}

# has_focus_ring ID "X Y W H": the style draws the keyboard focus as a blue outline (and a
# selection as a blue fill); grey and white are all an unfocused box or button shows
has_focus_ring() {
    local r=($2)
    import -window "$1" "$E2E_TMP/focus.png" 2>/dev/null || return 1
    convert "$E2E_TMP/focus.png" -crop "${r[2]}x${r[3]}+${r[0]}+${r[1]}" +repage txt:- 2>/dev/null |
        awk -F'[(),]' 'NR > 1 && $5 - $3 > 80 { found = 1 } END { exit !found }'
}

# continuo_ticked: the tick is the only dark thing inside the 14 x 14 box
continuo_ticked() {
    import -window "$DLG" "$E2E_TMP/tick.png" 2>/dev/null || return 1
    convert "$E2E_TMP/tick.png" -crop "10x10+$((CONTINUO_BOX[0] - 5))+$((CONTINUO_BOX[1] - 4))" +repage txt:- 2>/dev/null |
        awk -F'[(),]' 'NR > 1 && $3 < 80 && $4 < 80 && $5 < 80 { found = 1 } END { exit !found }'
}

bell_shown() { [ "$(region_colours "$NOTE" "${BELL[0]} ${BELL[1]} 18 18")" -gt 1 ]; }
bell_hidden() { [ "$(region_colours "$NOTE" "${BELL[0]} ${BELL[1]} 18 18")" -eq 1 ]; }

the_dialog() { dialog_windows "$PROG_PID" | head -n 1; }
dialog_gone() { dialog_count_is "$PROG_PID" 0; }

dialog_painted() { # two equal captures in a row
    local a b
    a=$(window_hash "$DLG")
    sleep 0.15
    b=$(window_hash "$DLG")
    [ -n "$a" ] && [ "$a" = "$b" ]
}

open_properties() { # clicks the note's properties picture; DLG is the dialog's window
    DLG=""
    click_in "$NOTE" "${PROPS[@]}"
    pointer_to "${AWAY[@]}"
    wait_until 10 "properties dialog shown" dialog_count_is "$PROG_PID" 1 || return 1
    DLG=$(the_dialog)
    wait_until 5 "properties dialog painted" dialog_painted
    log "properties dialog $DLG: $(win_geometry "$DLG")"
}

# type_slowly TEXT: one key at a time, so that the masks see every character on its own
type_slowly() { xdotool type --delay 120 "$1"; sleep 0.3; }

focus_is_on() { # focus_is_on NAME "X Y W H": logged for the failure report
    if wait_until 2 "focus ring on $1" has_focus_ring "$DLG" "$2"; then
        return 0
    fi
    log "no focus outline on $1"
    return 1
}

# ------------------------------------------------------------ the desktop and the note

start_desktop

# One unpinned note at 200, 200 px, yellow, no alarm, sound "Nenhum", not continuous.
write_store S "$(make_record "01/12/2026 10:00" "" "N" "3000" "3000" "N" "" "N" "Reunião" "0" "0" "N" "0" "3060" "2430")"

start_program
wait_tray_icon || fatal "the tray icon is embedded in trayer"
wait_until 15 "the note is shown" note_count_is "$PROG_PID" 1 || fatal "the stored note is shown at start"
NOTE=$(note_windows "$PROG_PID")
log "note window $NOTE: $(win_geometry "$NOTE")"
check "the note starts in its own colour (Amarelo)" wait_until 5 "note colour" note_text_colour_is "$YELLOW"

# ------------------------------------------------------------ first edit: a full set of properties
log "== first edit: colour, tomorrow's alarm, sound, continuous ringing"
open_properties || fatal "a click on the properties picture opens the properties dialog"
pass "a click on the properties picture opens the properties dialog"
check "the dialog's title is 'Propriedades do Lembrete'" [ "$(win_name "$DLG")" = "Propriedades do Lembrete" ]
save_window_image "$DLG" properties-opened
screenshot properties-opened

# The colour list has the focus at first: Down moves its choice.
before=$(region_hash "$DLG" "$CMB_COR")
xdotool key --delay 150 Down Down
sleep 0.3
check "the colour list has the focus when the dialog opens (Down changes it)" \
    [ "$(region_hash "$DLG" "$CMB_COR")" != "$before" ]

xdotool key Tab
sleep 0.3
check "Tab moves the focus from the colour list to the date box" focus_is_on DataAviso "$DATA_AVISO"

TOMORROW=$(date -d tomorrow +%d/%m/%Y)
type_slowly "$(date -d tomorrow +%d%m%Y)"
check "a complete date moves the focus to the time box" focus_is_on HoraAviso "$HORA_AVISO"
type_slowly 1430
check "a complete time moves the focus to the Okay button" focus_is_on Ok "$OK_BUTTON"
save_window_image "$DLG" properties-date-time

xdotool key shift+Tab
sleep 0.3
check "Shift+Tab from Okay reaches the sound list" focus_is_on cmbSom "$CMB_SOM"
xdotool key --delay 200 Down Down Down # "Poop-Poop", sound 3
sleep 0.3

click_in "$DLG" "${CONTINUO_BOX[@]}"
pointer_to "${AWAY[@]}"
check "a click ticks 'Tocar Alarme Ininterruptamente'" wait_until 2 "tick drawn" continuo_ticked
save_window_image "$DLG" properties-filled-in
screenshot properties-filled-in

xdotool key alt+o
check "Alt+O (\"&Okay\") closes the dialog" wait_until 5 "dialog closed" dialog_gone
check "the note shows its new colour (Branco) at once" wait_until 3 "note colour" note_text_colour_is "$WHITE"
check "the alarm bell shows on the note" wait_until 3 "bell shown" bell_shown

tray_menu_choose 4 "&Salvar Todos Lembretes" || fail "the tray menu opens to save all"
check "save all: Aviso (field 5) is S" wait_until 5 "Aviso S" store_field_is Lembretes 0 5 S
check "save all: DataHoraAviso (field 6) is tomorrow 14:30" store_field_is Lembretes 0 6 "$TOMORROW 14:30"
check "save all: Cor (field 9) is 2 (Branco)" store_field_is Lembretes 0 9 2
check "save all: Minutos (field 10) is 0" store_field_is Lembretes 0 10 0
check "save all: Continuo (field 11) is S" store_field_is Lembretes 0 11 S
check "save all: Som (field 12) is 3 (Poop-Poop)" store_field_is Lembretes 0 12 3
check "save all: the text is kept" store_field_is Lembretes 0 8 "Reunião"
changed_today() { [[ "$(store_field Lembretes 0 1)" =~ ^$(date +%d/%m/%Y)\ [0-2][0-9]:[0-5][0-9]$ ]]; }
check "save all: DatAlteracao (field 1) is today's date and time" changed_today

# ------------------------------------------------------------ second edit: an alarm for this minute
log "== second edit: an alarm for the current minute"
# An alarm is due from the first second of its minute, so a minute that turns while the
# time is typed does no harm; only keep clear of midnight, where the date would turn too.
while [ "$(date +%H%M%S)" -ge 235950 ] || [ "$(date +%H%M%S)" -lt 000002 ]; do sleep 1; done
open_properties || fatal "the properties dialog opens a second time"
pass "the properties dialog opens a second time"

xdotool key Tab
sleep 0.2
# The boxes hold tomorrow's alarm: empty them before typing.
xdotool key End $(printf 'BackSpace %.0s' $(seq 10))
TODAY=$(date +%d/%m/%Y)
NOW=$(date +%H:%M)
type_slowly "${TODAY//\//}"
xdotool key End $(printf 'BackSpace %.0s' $(seq 5))
type_slowly "${NOW//:/}"
check "the second time is typed over the first, and Okay has the focus" focus_is_on Ok "$OK_BUTTON"
save_window_image "$DLG" properties-second-edit

# No default and no cancel button: Enter (even on Okay) and Escape press nothing, and the
# window manager's close is refused.
xdotool key Return
sleep 0.3
xdotool key Escape
sleep 0.5
check "Enter and Escape leave the properties dialog open" dialog_count_is "$PROG_PID" 1
wmctrl -i -c "$DLG"
sleep 0.7
check "the window manager's close leaves the properties dialog open" dialog_count_is "$PROG_PID" 1
xdotool key alt+o
check "Alt+O closes the dialog again" wait_until 5 "dialog closed" dialog_gone
ALARM_SET=${EPOCHREALTIME%.*}
log "alarm set for $TODAY $NOW"

# The minute check of the note comes within a minute; the first six ticks flash the text box.
if wait_until 75 "the note flashes" note_text_colour_is "$FLASH"; then
    pass "the alarm for the current minute rings: the note flashes (after $((${EPOCHREALTIME%.*} - ALARM_SET)) s)"
    screenshot ringing
else
    fail "the alarm for the current minute rings within 75 s (the note never showed the flash colour)"
    describe_windows "$PROG_PID"
fi

# A continuous alarm rings on after the three seconds of a plain one: the bell blinks.
sleep 4
blink_states() { # samples the bell for about 2 s; prints how often it was shown and hidden
    local i shown=0 hidden=0
    for i in $(seq 1 10); do
        if bell_shown; then shown=$((shown + 1)); else hidden=$((hidden + 1)); fi
        sleep 0.1
    done
    echo "$shown $hidden"
}
states=($(blink_states))
log "bell samples after the flashing: shown ${states[0]}, hidden ${states[1]}"
blinked() { [ "${states[0]}" -gt 0 ] && [ "${states[1]}" -gt 0 ]; }
check "the continuous alarm rings on after 4 s: its bell blinks" blinked
screenshot still-ringing

# A click on the note's text acknowledges the alarm; the next tick stops it.
click_in "$NOTE" "${TEXT[@]}"
pointer_to "${AWAY[@]}"
ringing_over() { # note colour and no bell, four times in a row over more than one tick
    local i
    for i in 1 2 3 4; do
        note_text_colour_is "$WHITE" && bell_hidden || return 1
        sleep 0.2
    done
}
check "a click on the text stops the ringing: note colour, no bell" wait_until 5 "ringing over" ringing_over
screenshot rung

tray_menu_choose 4 "&Salvar Todos Lembretes" || fail "the tray menu opens to save all"
check "the alarm is consumed: Aviso (field 5) is N" wait_until 5 "Aviso N" store_field_is Lembretes 0 5 N
check "the alarm is consumed: DataHoraAviso (field 6) is empty" store_field_is Lembretes 0 6 ""
check "the colour stays 2 after ringing" store_field_is Lembretes 0 9 2
check "Continuo stays S after ringing" store_field_is Lembretes 0 11 S

# ------------------------------------------------------------ the About dialog
log "== About"
about_shown() {
    local d
    d=$(the_dialog)
    [ -n "$d" ] && [ "$(win_name "$d")" = "Sobre o Quadrelo 2.2" ]
}
open_about() {
    tray_menu_choose 6 "Sobre a &Borvane" || return 1
    wait_until 10 "About dialog shown" about_shown || return 1
    DLG=$(the_dialog)
    wait_until 5 "About dialog painted" dialog_painted
    log "About dialog $DLG: $(win_geometry "$DLG")"
}

if open_about; then
    pass "\"Sobre a &Borvane\" in the tray menu opens 'Sobre o Quadrelo 2.2'"
    save_window_image "$DLG" about
    screenshot about
    g=($(win_geometry "$DLG"))
    centred() { # within a title bar's height of the centre of the 1280 x 800 screen
        local dx=$((g[0] + g[2] / 2 - 640)) dy=$((g[1] + g[3] / 2 - 400))
        [ "${dx#-}" -le 30 ] && [ "${dy#-}" -le 30 ]
    }
    check "the About dialog is centred on the screen" centred
    # The focus rests on an invisible holder: Enter, Space and Escape press nothing.
    xdotool key --delay 150 Return space Escape
    sleep 0.7
    check "Enter, Space and Escape leave the About dialog open" about_shown
    xdotool key alt+o
    check "Alt+O (\"&Okay\") closes the About dialog" wait_until 5 "About closed" dialog_gone
else
    fail "\"Sobre a &Borvane\" in the tray menu opens 'Sobre o Quadrelo 2.2'"
    describe_windows "$PROG_PID"
fi

if open_about; then
    click_in "$DLG" "${ABOUT_OK[@]}"
    pointer_to "${AWAY[@]}"
    check "a click on \"&Okay\" closes the About dialog" wait_until 5 "About closed" dialog_gone
else
    fail "the About dialog opens a second time"
fi

check "the program is still running" alive "$PROG_PID"
finish
