#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: ringing notes' notices in a real notification service (dunst) on a private session bus, acted on
# through its own command-line client as a person would. Usage: test_notify.sh QUADRELO
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
need dunst dunstctl dbus-daemon dbus-monitor
start_desktop
bg bus dbus-daemon --session --nofork --print-address
wait_until 10 "session bus" grep -q unix: "$ART_DIR/bus.log" || fatal "a session bus starts"
export DBUS_SESSION_BUS_ADDRESS=$(head -1 "$ART_DIR/bus.log")
printf '[global]\n    idle_threshold = 0\n' >"$E2E_TMP/dunstrc" # an idle desktop does not hold notices
bg dunst dunst -config "$E2E_TMP/dunstrc"
wait_until 10 "dunst" dunstctl count displayed || fatal "dunst answers"
bg monitor dbus-monitor "interface='org.freedesktop.Notifications',member='Notify'"
# Two plain alarms of yesterday, each in a note of its own: they ring at the start of the next minute
rec() { make_record "01/12/2026 10:00" "" N "$1" 1500 S "$(date -d yesterday "+%d/%m/%Y") 08:30" N "$2" 3 0 N 1 3060 2430; }
write_store S "$(rec 1500 Reuniao)" "$(rec 4500 Dentista)"
start_program
wait_until 15 "two notes" count_is notes 2 || fatal "the stored notes are shown"
shown() { [ "$(dunstctl count displayed)" -eq "$1" ]; }
check "two alarms in one minute give two notices" wait_until 75 "notices" shown 2
sleep 15 # the plain alarms' three seconds are long over
check "nobody answered: both notices are still shown 15 s later" shown 2
said() { grep -q "string \"$1" "$ART_DIR/monitor.log"; }
check "a notice names its note and says since when the alarm was due" eval 'said Reuniao && said Dentista &&
    said "Alarme pendente desde $(date -d yesterday "+%d/%m/%Y") 08:30"'
for n in $(notes); do click_in "$n" 6 6; done # each note's hide glyph
wait_until 5 "notes hidden" count_is notes 0
dunstctl action 0
check "its default action brings its note up" wait_until 5 "a note back" count_is notes 1
check "and withdraws the notice" wait_until 5 "one notice" shown 1
"$PROGRAM" --encerrar
check "quitting ends the program" wait_exit "$PROG_PID" 15
check "and withdraws the notice left" shown 0
finish
