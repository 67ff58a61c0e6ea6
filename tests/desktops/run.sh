#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the end-to-end checks (tests/e2e/test_desktop.sh) on each desktop, headless, and prints one
# line per desktop and check. Usage: run.sh /path/to/quadrelo [DESKTOP...]
#
# A desktop is a file here, NAME.sh (files starting with "_" are shared helpers; gnome.sh is a
# runner of its own, for a desktop without any notification area), sourced by
# tests/e2e/lib.sh when E2E_DESKTOP names it. It sets DESKTOP_TOOLS (the commands it needs) and
# defines desktop_start, which starts the display, the session bus, the window manager and the
# tray inside the run's private folders, exports DISPLAY (and what else its clients need) and sets
# XVFB_PID to the process whose end ends the display. It may redefine any helper of lib.sh that
# its desktop does differently: wait_tray_icon, tray_click, tray_double_click, tray_menu, menus and
# tray_icons for the tray; pointer_to, xdotool and grab for input and the screen as it goes
# through the compositor (_input.sh). Every process it starts goes through lib.sh's bg, so it
# is stopped at the end.
set -u
here=$(dirname "$(readlink -f "$0")")
program=$(readlink -f "${1:-}")
[ -x "$program" ] || { echo "usage: $0 /path/to/quadrelo [DESKTOP...]" >&2; exit 2; }
shift
desktops=("$@")
if [ ${#desktops[@]} -eq 0 ]; then
    desktops=(openbox)
    for f in "$here"/[!_]*.sh; do [ "$(basename "$f")" = run.sh ] || desktops+=("$(basename "$f" .sh)"); done
fi
failed=0
for d in "${desktops[@]}"; do
    log="$(dirname "$program")/e2e-artifacts/desktop-$d.log"
    mkdir -p "$(dirname "$log")"
    desktop="" run="$here/../e2e/test_desktop.sh"
    [ "$d" = openbox ] || desktop="$here/$d.sh"
    [ -z "$desktop" ] || [ -f "$desktop" ] || { printf '%-12s FAIL  no such desktop\n' "$d"; failed=1; continue; }
    [ "$d" = gnome ] && run=$desktop desktop="" # no notification area: checks of its own
    E2E_DESKTOP=$desktop ALARM_LEAD=90 timeout 600 bash "$run" "$program" >"$log" 2>&1
    rc=$?
    grep -E '\] (PASS|FAIL): ' "$log" | sed -E "s/^\[[^]]*\] (PASS|FAIL): /\1  /; s/^/$(printf '%-12s' "$d") /"
    case $rc in
    0) ;;
    77) printf '%-12s SKIP  %s\n' "$d" "$(grep -m1 missing "$log")" ;;
    *) failed=1
       grep -q 'stopping: ' "$log" && printf '%-12s STOP  the checks after this one were not run\n' "$d"
       [ $rc = 124 ] && printf '%-12s STOP  timed out\n' "$d"
       grep -q -e 'stopping: ' -e '] FAIL: ' "$log" || [ $rc = 124 ] ||
           printf '%-12s STOP  the run ended early (status %s): %s\n' "$d" "$rc" "$(tail -1 "$log")" ;;
    esac
    printf '%-12s      (log: %s)\n' "$d" "$log"
done
exit $failed
