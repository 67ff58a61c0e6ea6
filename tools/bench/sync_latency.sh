#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Time from a keystroke in a note on one machine until the other machine's note shows it, through
# two Syncthing instances on this machine: the sync end-to-end test with its benchmark, N times
# (10 unless given). Usage: tools/bench/sync_latency.sh build/quadrelo [N]
set -eu
here=$(dirname "$0")
SYNC_BENCH=$(readlink -f "$here/sync_keystrokes.sh") KEYSTROKES=${2:-10} bash "$here/../../tests/e2e/test_sync.sh" "$1" | grep -E "keystroke|BENCH|FAIL|checks"
