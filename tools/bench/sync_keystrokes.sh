# SPDX-License-Identifier: GPL-3.0-or-later
# Benchmark steps sourced by tests/e2e/test_sync.sh (SYNC_BENCH names this file) once its checks of
# both sides are done: KEYSTROKES keystrokes on A into a note, each timed until B's window shows it.
shot() { import -window "$1" rgb:- 2>/dev/null | md5sum; }
# The one note left: "Um", moved on B to 250,450, at 200,200 on A.
WB=$(note_with_place B 250 450)
[ -n "$WB" ] || fatal "the benchmark finds B's note"
on A && click_in "$(note_at 200 200)" "${TEXT[@]}" && xdotool key ctrl+End
times=()
for i in $(seq "${KEYSTROKES:-10}"); do
    on B && before=$(shot "$WB") && on A && t0=${EPOCHREALTIME/./} && xdotool type "$((i % 10))" && on B
    until [ "$(shot "$WB")" != "$before" ] || [ "$(elapsed_ms "$t0")" -gt 60000 ]; do sleep 0.05; done
    times+=($(elapsed_ms "$t0")) && log "keystroke $i: ${times[-1]} ms until B shows it" && sleep 1
done
log "BENCH keystroke to the other side, median of ${#times[@]}: $(printf '%s\n' "${times[@]}" | sort -n |
    awk '{ a[NR] = $1 } END { print (NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2) }') ms"
# The note's text as it was, on both sides, for the checks after these steps.
on A && xdotool key --repeat "${#times[@]}" BackSpace
for s in A B; do wait_until 60 "Um as it was on $s" in_store $s $'\xc3\xbfUm\xc3\xbf'; done
