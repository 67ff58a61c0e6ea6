#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up benchmark (not a test): starts Quadrelo on a virtual desktop with 100 and with 1000
# stored notes and reports the time until every note window is mapped and the resident memory
# then, beside the same figures for a minimal Qt program mapping as many windows with a text box.
#   tools/bench/startup_bench.sh build/quadrelo build/tools/bench/bench_minimal build/tools/bench/bench_mapwatch [COUNTS...]
# Each figure is the median of three runs.
set -u
MINIMAL=$(readlink -f "${2:?usage: $0 quadrelo bench_minimal bench_mapwatch [counts...]}")
MAPWATCH=$(readlink -f "${3:?usage: $0 quadrelo bench_minimal bench_mapwatch [counts...]}")
source "$(dirname "$0")/../../tests/e2e/lib.sh" "$1"
shift 3
COUNTS=("$@")
[ ${#COUNTS[@]} -gt 0 ] || COUNTS=(100 1000)

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
median() { printf '%s\n' "$@" | sort -n | sed -n "$(( ($# + 1) / 2 ))p"; }

# run_once COUNT COMMAND...: RUN_MS (start to the last window mapped) and RUN_KIB (resident then)
run_once() {
    local count=$1 watch_out="$E2E_TMP/watch.out" watch pid
    shift
    : >"$watch_out"
    "$MAPWATCH" "$count" >"$watch_out" &
    watch=$!
    wait_until 10 "map watcher ready" grep -q ready "$watch_out"
    "$@" >/dev/null 2>&1 &
    pid=$!
    PIDS_TO_STOP+=("$pid")
    if ! timeout 300 tail --pid="$watch" -f /dev/null; then
        kill "$watch" 2>/dev/null
        stop_pid "$pid"
        return 1
    fi
    RUN_MS=$(tail -1 "$watch_out")
    sleep 1 # let the last paints settle before reading the memory
    RUN_KIB=$(rss_kib "$pid")
    stop_pid "$pid"
}

# measure NAME COUNT COMMAND...: three runs, medians in RESULT_MS and RESULT_KIB
measure() {
    local name=$1 count=$2 i times=() mems=()
    shift 2
    for i in 1 2 3; do
        [ "$name" = quadrelo ] && write_store S "${records[@]}" # it saves on its way out
        run_once "$count" "$@" || { echo "$name $count: not every window was mapped"; return 1; }
        times+=("$RUN_MS")
        mems+=("$RUN_KIB")
    done
    RESULT_MS=$(median "${times[@]}")
    RESULT_KIB=$(median "${mems[@]}")
    printf '%-10s %5d notes: %6d ms to map (runs: %s), %7d KiB resident\n' "$name" "$count" "$RESULT_MS" "${times[*]}" "$RESULT_KIB"
}

start_desktop
for count in "${COUNTS[@]}"; do
    records=()
    for i in $(seq 0 $((count - 1))); do
        records+=("$(make_record "01/12/2026 10:00" "" "N" "$((600 + (i * 5 % 500) * 15))" \
            "$((300 + (i * 7 % 900) * 15))" "N" "" "N" "nota $i" "$((i % 8))" "0" "N" "0" "3060" "2430")")
    done
    measure quadrelo "$count" "$PROGRAM" || continue
    q_ms=$RESULT_MS q_kib=$RESULT_KIB
    measure minimal "$count" "$MINIMAL" "$count" || continue
    awk -v a="$q_ms" -v b="$RESULT_MS" -v c="$q_kib" -v d="$RESULT_KIB" -v n="$count" \
        'BEGIN { printf "ratio      %5d notes: time x%.2f, memory x%.2f\n", n, a / b, c / d }'
done
