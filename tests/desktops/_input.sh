# SPDX-License-Identifier: GPL-3.0-or-later
# Input through the compositor (desktop_input.py), for desktops whose own surfaces xdotool on
# XWayland cannot reach. start_input BACKEND starts the tool; gin COMMAND sends it one command.

start_input() {
    coproc INPUT { exec /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/desktop_input.py" "$1" 2>>"$ART_DIR/input.log"; }
    GIN_PID=$INPUT_PID
    PIDS_TO_STOP+=("$GIN_PID")
    SHOT="$E2E_TMP/shot.png"
}
gin() { # gin COMMAND: one command to the input tool; its answer in GIN
    GIN=""
    echo "$*" >&"${INPUT[1]}" && read -r -t 30 GIN <&"${INPUT[0]}"
    [ "$GIN" = ok ] || [ "$1" = tray ] || [ "$1" = pixel ] || { log "input: $* -> ${GIN:-no answer}"; return 1; }
}
screenshot() { [ -n "${GIN_PID:-}" ] && gin shot "$1"; }
screen_pixel_is() { gin pixel "$1" "$2" "$SHOT" && [ "$GIN" = "$3" ]; }
tray_found() { gin tray "$SHOT" && [ "$GIN" != none ] && TRAY=($GIN); }
