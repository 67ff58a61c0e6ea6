#!/usr/bin/env bash
# Start-up benchmark (not a test): starts Quadrelo on a virtual desktop with 100 and with 1000
# stored notes and reports the time until every note window is mapped and the resident memory
# then, beside the same figures for a minimal Qt program mapping as many windows with a text box.
#   tests/bench/startup_bench.sh build/quadrelo build/tests/bench_minimal [COUNTS...]
set -u
MINIMAL=$(readlink -f "${2:?usage: $0 quadrelo bench_minimal [counts...]}")
source "$(dirname "$0")/../e2e/lib.sh" "$1"
shift 2
COUNTS=("$@")
[ ${#COUNTS[@]} -gt 0 ] || COUNTS=(100 1000)

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }
rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
mapped_count() { xdotool search --onlyvisible --pid "$1" --name '' 2>/dev/null | count_lines; }
all_mapped() { alive "$1" || return 2; [ "$(mapped_count "$1")" -ge "$2" ]; }

# measure NAME COUNT COMMAND...: prints "NAME COUNT ms KiB"
measure() {
    local name=$1 count=$2 t0 pid ms kib
    shift 2
    t0=$(now_ms)
    "$@" >"$ART_DIR/$name-$count.log" 2>&1 &
    pid=$!
    PIDS_TO_STOP+=("$pid")
    if ! wait_until 300 "$count windows of $name mapped" all_mapped "$pid" "$count"; then
        echo "$name $count failed"
        stop_pid "$pid" "$name"
        return 1
    fi
    ms=$(($(now_ms) - t0))
    sleep 1 # let the last paints settle before reading the memory
    kib=$(rss_kib "$pid")
    stop_pid "$pid" "$name"
    printf '%-10s %5d notes: %6d ms to map, %7d KiB resident\n' "$name" "$count" "$ms" "$kib"
    RESULT_MS=$ms
    RESULT_KIB=$kib
}

start_desktop
for count in "${COUNTS[@]}"; do
    records=()
    for i in $(seq 0 $((count - 1))); do
        records+=("$(make_record "01/12/2026 10:00" "" "N" "$((600 + (i * 5 % 500) * 15))" \
            "$((300 + (i * 7 % 900) * 15))" "N" "" "N" "nota $i" "$((i % 8))" "0" "N" "0" "3060" "2430")")
    done
    write_store S "${records[@]}"
    measure quadrelo "$count" env --default-signal=INT,QUIT "$PROGRAM" || continue
    q_ms=$RESULT_MS q_kib=$RESULT_KIB
    write_store S "${records[@]}" # the program saved on its way out; start from the same store
    measure minimal "$count" "$MINIMAL" "$count" || continue
    awk -v a="$q_ms" -v b="$RESULT_MS" -v c="$q_kib" -v d="$RESULT_KIB" -v n="$count" \
        'BEGIN { printf "ratio      %5d notes: time x%.2f, memory x%.2f\n", n, a / b, c / d }'
done
