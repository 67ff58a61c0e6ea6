# SPDX-License-Identifier: GPL-3.0-or-later
# Benchmark steps sourced by tests/e2e/test_sync.sh (SYNC_BENCH names this file) once its checks of
# both sides are done: KEYSTROKES keystrokes on A into a note, each timed until B's window shows it.
shot() { import -window "$1" rgb:- 2>/dev/null | md5sum; }
WB=$(note_with_place B 600 200)
click_in "$(note_at 200 200)" "${TEXT[@]}" # the caret blinks in another note of B
on A && click_in "$(note_at 600 200)" "${TEXT[@]}" && xdotool key ctrl+End
times=()
for i in $(seq "${KEYSTROKES:-10}"); do
    on B && before=$(shot "$WB") && on A && t0=${EPOCHREALTIME/./} && xdotool type "$((i % 10))" && on B
    until [ "$(shot "$WB")" != "$before" ] || [ "$(elapsed_ms "$t0")" -gt 60000 ]; do sleep 0.05; done
    times+=($(elapsed_ms "$t0")) && log "keystroke $i: ${times[-1]} ms until B shows it" && sleep 1
done
log "BENCH keystroke to the other side, median of ${#times[@]}: $(printf '%s\n' "${times[@]}" | sort -n |
    awk '{ a[NR] = $1 } END { print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2) }') ms"
