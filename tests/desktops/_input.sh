# SPDX-License-Identifier: GPL-3.0-or-later
# Input through the compositor (desktop_input.py), for desktops whose own surfaces xdotool on XWayland
# cannot reach; the run's own pointer, keys and screen go through it too. start_input BACKEND starts it.
start_input() {
    coproc INPUT { exec /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/desktop_input.py" "$1" 2>>"$ART_DIR/input.log"; }
    GIN_PID=$INPUT_PID SHOT="$E2E_TMP/shot.png"
    PIDS_TO_STOP+=("$GIN_PID")
}
gin() { # gin COMMAND: one command to the input tool; its answer in GIN
    GIN="" && echo "$*" >&"${INPUT[1]}" && read -r -t 30 GIN <&"${INPUT[0]}"
    [ "$GIN" = ok ] || { log "input: $* -> ${GIN:-no answer}"; return 1; }
}
grab() { [ -n "${GIN_PID:-}" ] && gin shot "$SHOT" && convert "$SHOT" "$@"; }
pixel() { grab -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null; }
pointer_to() { gin move "$1" "$2"; }
xdotool() { # the pointer and keys through the compositor; anything else is xdotool's
    case "$1" in mousemove | mousedown | mouseup | click | key | type | sleep) ;; *) command xdotool "$@"; return ;; esac
    local repeat=1 i
    while [ $# -gt 0 ]; do
        case "$1" in
        mousemove) gin move "$2" "$3" && shift 3 ;;
        mousedown | mouseup) gin "${1#mouse}" "$2" && shift 2 ;;
        sleep) sleep "$2" && shift 2 ;;
        --repeat) repeat=$2 && shift 2 ;;
        --delay) shift 2 ;;
        click) shift ;;
        [123]) for ((i = 0; i < repeat; i++)); do gin click "$1"; done; repeat=1 && shift ;;
        key) # its options (--delay N) are not keys
            shift && while [ $# -gt 0 ] && [ "$1" != type ]; do
                case "$1" in --delay | --repeat) shift 2 ;; --*) shift ;; *) gin key "$1" && sleep 0.1 && shift ;; esac
            done ;;
        type) shift && { [ "$1" != --delay ] || shift 2; } && gin type "$1" && shift ;;
        *) log "xdotool through the compositor: $1?"; return 1 ;;
        esac
    done
}
