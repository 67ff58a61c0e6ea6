#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: a ringing note's notice in a real notification service (dunst) on a private session bus, acted on
# through its own command-line client as a person would. Usage: test_notify.sh QUADRELO
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
need dunst dunstctl
start_desktop # with a session bus of its own
printf '[global]\n    idle_threshold = 0\n' >"$E2E_TMP/dunstrc" # an idle desktop does not hold notices
bg dunst dunst -config "$E2E_TMP/dunstrc"
wait_until 10 "dunst" dunstctl count displayed || fatal "dunst answers"
# A plain alarm of yesterday: it rings at the start of the next minute
write_store S "$(make_record "01/12/2026 10:00" "" N 1500 1500 S "$(date -d yesterday +%d/%m/%Y) 08:30" N Reuniao \
    3 0 N 1 3060 2430)"
start_program
wait_until 15 "the note" count_is notes 1 || fatal "the stored note is shown"
shown() { [ "$(dunstctl count displayed)" -eq "$1" ]; }
check "the ringing alarm gives a notice" wait_until 75 "notice" shown 1
sleep 15 # the plain alarm's three seconds are long over
check "nobody answered: the notice is still shown 15 s later" shown 1
click_in "$(notes)" 6 6 # the hide glyph
wait_until 5 "note hidden" count_is notes 0
dunstctl action 0
check "its default action brings the note up" wait_until 5 "the note back" count_is notes 1
check "and withdraws the notice" wait_until 5 "no notice" shown 0
finish
