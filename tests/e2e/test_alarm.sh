#!/usr/bin/env bash
# End-to-end: a stored note whose alarm is already due rings about a minute after start-up,
# although notes start hidden: it is mapped and raised, flashes, sounds, and its alarm is
# consumed by the next save.
# Usage: test_alarm.sh /path/to/quadrelo
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

start_desktop

yesterday=$(date -d yesterday +%d/%m/%Y)
# Note at left 3000, top 3000 twips (200, 200 px), sound 1 ("TIC"), not continuous, colour 3.
write_store N "$(make_record "01/12/2026 10:00" "" "N" "3000" "3000" "S" "$yesterday 23:59" "N" \
    "Reunião" "3" "0" "N" "1" "3060" "2430")" \
    "$(make_record "01/12/2026 10:00" "" "N" "4500" "9000" "N" "" "N" "sem alarme" "0" "0" "N" "0" "3060" "2430")"

RECORDING="$ART_DIR/sound.wav"
parecord -d nul.monitor --file-format=wav "$RECORDING" >"$ART_DIR/parecord.log" 2>&1 &
PIDS_TO_STOP+=("$!")
REC_PID=$!

# An ordinary window over the note's place: the ringing note must come above it.
xmessage -geometry 400x300+150+150 "outra janela" >/dev/null 2>&1 &
PIDS_TO_STOP+=("$!")
OTHER_PID=$!
other_window() { xdotool search --onlyvisible --class Xmessage 2>/dev/null | head -1; }
other_mapped() { [ -n "$(other_window)" ]; }
wait_until 10 "the other window is mapped" other_mapped || fatal "xmessage window shown"

start_program
wait_tray_icon || fatal "the tray icon is embedded in trayer"
check "notes start hidden" note_count_is "$PROG_PID" 0

# The minute check runs a minute after the window exists.
wait_until 90 "the due note is mapped" note_count_is "$PROG_PID" 1 ||
    fatal "the due note is shown by its alarm"
pass "the due note is shown by its alarm, the other note stays hidden"
NOTE=$(note_windows "$PROG_PID" | head -1)

# The flash colour (255, 255, 192) shows in the text area on every second tick.
text_is_flash() {
    import -window root "$ART_DIR/flash.png" 2>/dev/null
    convert "$ART_DIR/flash.png" -crop 1x1+300+260 txt:- 2>/dev/null | grep -qi 'FFFFC0'
}
check "the text area shows the flash colour" wait_until 4 "flash colour" text_is_flash
screenshot ringing
last_normal_window() { # the top of the stacking order among the windows of these two programs
    local w
    for w in $(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,//g'); do
        w=$((w))
        { [ "$w" -eq "$NOTE" ] || [ "$w" -eq "$(other_window)" ]; } && echo "$w"
    done | tail -1
}
check "the ringing note is raised above the other window" [ "$(last_normal_window)" = "$NOTE" ]
check "the ringing note is not left always on top" win_lacks_state "$NOTE" _NET_WM_STATE_ABOVE

# A plain alarm rings for three seconds. Samples 0.35 s apart always catch a flash while it
# rings (each flash lasts 0.5 s), so four in a row in the note colour mean it has stopped.
pixel_at() {
    import -window root "$ART_DIR/sample.png" 2>/dev/null
    convert "$ART_DIR/sample.png" -crop 1x1+300+260 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}'
}
ringing_over() {
    local i
    for i in 1 2 3 4; do
        [ "$(pixel_at)" = "#80FFFF" ] || return 1
        sleep 0.35
    done
}
check "the ringing stops by itself, in the note's own colour" wait_until 10 "ringing over" ringing_over
screenshot stopped

sleep 1
stop_pid "$REC_PID" parecord
peak=$(sox "$RECORDING" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
log "recorded peak amplitude: ${peak:-none}"
check "the alarm sound was played (recording is not silence)" awk -v p="${peak:-0}" 'BEGIN { exit !(p > 0.1) }'

tray_menu_choose 4 "&Salvar Todos Lembretes"
check "save all consumed the alarm: Aviso N" wait_until 5 "Aviso N" store_field_is Lembretes 0 5 N
check "save all consumed the alarm: DataHoraAviso empty" store_field_is Lembretes 0 6 ""
check "the other note is saved untouched" store_field_is Lembretes 1 8 "sem alarme"
finish
