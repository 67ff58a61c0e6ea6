#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# GNOME Shell 43 on Wayland without the AppIndicator extension (Debian's and Fedora's default): no notification
# area at all. The person is told so, and the notes hidden at start are shown. (The desktop entry's actions,
# which GNOME's dash offers, reach a running program through the session bus as the launch test shows.)
# Run by run.sh; usage: gnome.sh /path/to/quadrelo
set -u
HERE=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
DESKTOP_TOOLS="gnome-shell Xwayland dbus-daemon gdbus python3"
source "$HERE/../e2e/lib.sh" "$1"
for part in _input _gnome; do source "$HERE/$part.sh"; done
desktop_start() { gnome_start "@as []"; }
start_desktop
rec() { make_record "01/12/2026 10:00" "" N 3000 "$1" N "" N "$2" 0 0 N 0 3060 2430; }
write_store N "$(rec 3000 Primeira)" "$(rec 9000 Segunda)"
start_program
check "without a notification area, the message about it is shown" \
    wait_until 20 "message" eval 'xprop -id "$(dialogs | head -1)" WM_NAME | grep -q Quadrelo'
check "then the notes hidden at start are shown" count_is notes 2
click_in "$(dialogs | head -1)" 10 10 # to the front, then Return is its OK
xdotool key Return
check "the message closes by its OK" wait_until 10 "message closed" count_is dialogs 0
finish
