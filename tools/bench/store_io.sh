#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What one automatic save and one outside change cost the running program in reads and writes of
# the store file, counted with strace on a store of 100 notes: opens of the file for reading, and
# renames onto it. Usage: tools/bench/store_io.sh build/quadrelo
set -eu
program=$(readlink -f "$1")
work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_CONFIG_HOME/Quadrelo" "$XDG_STATE_HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
store=$XDG_CONFIG_HOME/Quadrelo/Quadrelo.conf
# 100 notes as an older version wrote them; the program seals and names them at its first save.
note() { printf '%s=01/12/2026 10:00\xc3\xbf\xc3\xbfN\xc3\xbf%d\xc3\xbf1500\xc3\xbfN\xc3\xbf\xc3\xbfN\xc3\xbfnota %s\xc3\xbf0\xc3\xbf0\xc3\xbfN\xc3\xbf0\xc3\xbf3060\xc3\xbf2430\xc3\xbf\n' "$1" $((1500 + $1 * 15)) "$1"; }
{ printf '[Config]\nAbertura=S\n\n[Lembretes]\n'; for i in $(seq 0 99); do note "$i"; done; } >"$store"

eval "$(dbus-launch --sh-syntax)"
"$program" & pid=$!
sleep 4
strace -f -qq -e trace=openat,rename,renameat,renameat2 -p "$pid" -o "$work/trace" & tracer=$!
sleep 1
count() { # reads and writes of the store in the trace since line $1
    tail -n +"$1" "$work/trace" | awk -v f="$store" '
        index($0, "\"" f "\"") && /openat/ && /O_RDONLY/ { r++ }
        /rename/ && index($0, "\"" f "\")") { w++ }
        END { printf "%d read(s), %d write(s)\n", r, w }'
}
mark() { wc -l <"$work/trace"; }

m=$(mark); "$program" --novo; sleep 9
echo "one automatic save (a new note): $(count $((m + 1)))"
m=$(mark)
{ cat "$store"; } >/dev/null
python3 - "$store" <<'PY'
import sys, os
p = sys.argv[1]
lines = open(p, encoding='utf-8').read().split('\n')
at = lines.index('[Lembretes]') + 1
rec = '01/12/2026 10:00ÿÿNÿ1500ÿ1500ÿNÿÿNÿde fora\u00a0outra máquinaÿ0ÿ0ÿNÿ0ÿ3060ÿ2430ÿ'
lines.insert(at, '999=' + rec)
# An older writer's file: no seal, so what it wrote is taken as it is.
lines = [l for l in lines if not l.startswith('; ')]
open(p + '.tmp', 'w', encoding='utf-8').write('\n'.join(lines))
os.rename(p + '.tmp', p)
PY
sleep 9
echo "one outside change (a note more): $(count $((m + 1)))"
kill "$tracer" 2>/dev/null || true
"$program" --encerrar || true
