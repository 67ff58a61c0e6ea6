#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the end-to-end checks (tests/e2e/test_desktop.sh) on each desktop, headless; prints one line per
# desktop and check. Usage: run.sh /path/to/quadrelo [DESKTOP...]
# A desktop is a file NAME.sh here ("_" files are shared helpers; gnome.sh, for a desktop without any
# notification area, runs checks of its own) that lib.sh sources when E2E_DESKTOP names it: DESKTOP_TOOLS
# (the commands it needs) and desktop_start, which starts display, bus, window manager and tray through
# lib.sh's bg, exports DISPLAY and sets XVFB_PID to the process whose end ends the display. It may redefine
# lib.sh's helpers for the tray (wait_tray_icon, tray_click, tray_double_click, tray_menu, menus, tray_icons)
# and for input and the screen through the compositor (pointer_to, xdotool, grab: _input.sh).
set -u
here=$(dirname "$(readlink -f "$0")") program=$(readlink -f "${1:-}")
[ -x "$program" ] || { echo "usage: $0 /path/to/quadrelo [DESKTOP...]" >&2; exit 2; }
desktops=("${@:2}")
[ $# -gt 1 ] || desktops=(openbox $(cd "$here" && ls [!_]*.sh | grep -vx run.sh | sed 's/\.sh$//'))
failed=0
mkdir -p "$(dirname "$program")/e2e-artifacts"
for d in "${desktops[@]}"; do
    say() { printf '%-12s %s\n' "$d" "$*"; }
    log="$(dirname "$program")/e2e-artifacts/desktop-$d.log"
    desktop="$here/$d.sh" run="$here/../e2e/test_desktop.sh"
    [ "$d" = openbox ] || [ -f "$desktop" ] || { say "FAIL  no such desktop"; failed=1; continue; }
    case $d in openbox) desktop="" ;; gnome) run=$desktop desktop="" ;; esac # gnome: checks of its own
    E2E_DESKTOP=$desktop ALARM_LEAD=90 timeout 600 bash "$run" "$program" >"$log" 2>&1; rc=$?
    grep -E '\] (PASS|FAIL): ' "$log" | sed -E "s/^\[[^]]*\] (PASS|FAIL): /\1  /; s/^/$(printf '%-12s' "$d") /"
    case $rc in
    0) ;;
    77) say "SKIP  $(grep -m1 missing "$log")" ;;
    *) failed=1
       grep -q 'stopping: ' "$log" && say "STOP  the checks after this one were not run"
       [ $rc = 124 ] && say "STOP  timed out"
       grep -q -e 'stopping: ' -e '] FAIL: ' "$log" || [ $rc = 124 ] ||
           say "STOP  the run ended early (status $rc): $(tail -1 "$log")" ;;
    esac
    say "     (log: $log)"
done
exit $failed
