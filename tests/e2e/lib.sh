# SPDX-License-Identifier: GPL-3.0-or-later
# Fixture for the end-to-end tests, sourced with the program's path as $1: a private desktop (Xvfb, openbox, trayer),
# sound server and XDG folders; what it starts is stopped by id at exit; failures' screens go to <build>/e2e-artifacts/
set -u
PROGRAM=$(readlink -f "${1:-}")
[ -x "$PROGRAM" ] || { echo "usage: $0 /path/to/quadrelo" >&2; exit 2; }
ART_DIR="$(dirname "$PROGRAM")/e2e-artifacts/$(basename "$0" .sh)${E2E_DESKTOP:+-$(basename "$E2E_DESKTOP" .sh)}"
rm -rf "$ART_DIR" && mkdir -p "$ART_DIR"
export LC_ALL=C.UTF-8
APP_ID=br.com.borvane.Quadrelo T0=${EPOCHREALTIME/./} FAILURES=0 CHECKS=0 E2E_TMP="" PROG_PID="" RUNS=0 SOUNDS=0 PIDS_TO_STOP=()
elapsed_ms() { echo $(((${EPOCHREALTIME/./} - ${1:-$T0}) / 1000)); }
log() { local ms; ms=$(elapsed_ms); printf '[%3d.%03ds] %s\n' $((ms / 1000)) $((ms % 1000)) "$*"; }
fail() { ((CHECKS++, FAILURES++)); log "FAIL: $*"; [ -z "${DISPLAY:-}" ] || grab "$ART_DIR/failure-$FAILURES.png"; }
# grab ARG...: convert ARG... on the screen as seen; never in a pipeline (a desktop's grab may use a coprocess)
grab() { import -window root png:- 2>/dev/null | convert - "$@"; }
check() { if "${@:2}"; then ((++CHECKS)); log "PASS: $1"; else fail "$1"; return 1; fi; } # check DESCRIPTION COMMAND...
fatal() { fail "$@"; log "stopping: the remaining checks depend on this one"; exit 1; }
finish() {
    [ "$FAILURES" -eq 0 ] && { log "all $CHECKS checks passed"; exit 0; }
    log "$FAILURES of $CHECKS checks failed; artefacts in $ART_DIR"; exit 1
}
wait_until() { # wait_until SECONDS DESCRIPTION COMMAND...: polls every 0.1 s until the command succeeds
    local limit=$(($1 * 1000)) desc=$2 start=${EPOCHREALTIME/./}
    until "${@:3}" >/dev/null 2>&1; do
        [ "$(elapsed_ms "$start")" -ge "$limit" ] && { log "gave up waiting for: $desc"; return 1; }
        sleep 0.1
    done
    log "after $(elapsed_ms "$start") ms: $desc"
}
holds_for() { # holds_for SECONDS COMMAND...: true at every poll for that long
    local start=${EPOCHREALTIME/./}
    while [ "$(elapsed_ms "$start")" -lt $(($1 * 1000)) ]; do "${@:2}" >/dev/null 2>&1 || return 1; sleep 0.2; done
}
alive() { kill -0 "$1" 2>/dev/null; }
not_alive() { ! alive "$1"; }
stop_pid() { # TERM, a bounded wait, then KILL
    alive "$1" && kill -TERM "$1" 2>/dev/null || return 0
    wait_until 5 "process $1 stopped" not_alive "$1" >/dev/null || kill -KILL "$1" 2>/dev/null
    wait "$1" 2>/dev/null; return 0
}
# wait_exit PID SECONDS: the process's status once it has ended; 1 if it goes on
wait_exit() { wait_until "$2" "process $1 ended" not_alive "$1" && wait "$1" 2>/dev/null; }
cleanup() {
    local rc=$? i && trap - EXIT
    for ((i = ${#PIDS_TO_STOP[@]} - 1; i >= 0; i--)); do stop_pid "${PIDS_TO_STOP[$i]}"; done
    [ -n "$E2E_TMP" ] && rm -rf "$E2E_TMP"; exit $rc
}
trap cleanup EXIT && trap 'log interrupted; exit 130' INT TERM HUP
# bg LOGNAME COMMAND...: a process stopped at exit; BG_PID is its id
bg() { "${@:2}" >"$ART_DIR/$1.log" 2>&1 & BG_PID=$! && PIDS_TO_STOP+=("$BG_PID"); }

start_xvfb() { # start_xvfb [NAME]: an X server; DISPLAY and XVFB_PID are its
    local f="$E2E_TMP/display${1:+-$1}" # it picks a free display number and writes it once ready
    bg "xvfb${1:+-$1}" Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$f" && XVFB_PID=$BG_PID
    wait_until 15 "X server ${1:-}" test -s "$f" && export DISPLAY=":$(cat "$f")"
}
start_openbox() { # start_openbox [NAME]: an X server, openbox and trayer (mapped once it owns the tray)
    start_xvfb "$@" && bg "openbox${1:+-$1}" openbox --sm-disable &&
        wait_until 15 "openbox ${1:-}" eval 'wmctrl -m | grep -q Openbox' || exit 1
    bg "trayer${1:+-$1}" trayer --edge top --align right --widthtype pixel --width 100 --height 24
    wait_until 15 "trayer ${1:-}" eval "xwininfo -root -tree | grep -q '(\"panel\" \"trayer\")'" || exit 1
}
bus_pid() { gdbus call --session -d org.freedesktop.DBus -o / -m org.freedesktop.DBus.GetConnectionUnixProcessID "$1" | awk '{ print $2 + 0 }'; }
session_bus() { export DBUS_SESSION_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/bus"; bg dbus dbus-daemon --session --nofork \
    --address="$DBUS_SESSION_BUS_ADDRESS" && wait_until 10 "session bus" test -S "$XDG_RUNTIME_DIR/bus"; } # a private one
need() { # need TOOL...: without one of them the run is skipped
    local t; for t; do command -v "$t" >/dev/null || { log "missing $t (./quadrelo.sh test installs it)"; exit 77; }; done
}
private_session() { # nothing leads the run's programs to the person's session, looks or scale
    unset WAYLAND_DISPLAY SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS PULSE_SERVER PULSE_COOKIE XAUTHORITY \
        QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR \
        QT_ENABLE_HIGHDPI_SCALING XDG_SESSION_TYPE XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID \
        KDE_FULL_SESSION && export QT_QPA_PLATFORM=xcb
}
start_desktop() { # E2E_DESKTOP's desktop_start (tests/desktops/) replaces Xvfb, openbox and trayer
    need ${DESKTOP_TOOLS:-Xvfb openbox trayer dbus-daemon} gdbus xdotool wmctrl xprop xwininfo import pulseaudio parecord sox xmessage
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quadrelo-e2e.XXXXXX")
    mkdir -m 700 "$E2E_TMP/config" "$E2E_TMP/runtime" "$E2E_TMP/home" "$E2E_TMP/cache" "$E2E_TMP/data"
    export XDG_CONFIG_HOME="$E2E_TMP/config" XDG_RUNTIME_DIR="$E2E_TMP/runtime" HOME="$E2E_TMP/home"
    export XDG_CACHE_HOME="$E2E_TMP/cache" XDG_DATA_HOME="$E2E_TMP/data" XDG_STATE_HOME="$E2E_TMP/data"
    private_session
    STORE="$XDG_CONFIG_HOME/Quadrelo/Quadrelo.conf"
    mkdir -p "$XDG_DATA_HOME/dbus-1/services" && sed "s|@QUADRELO_BINARY@|$PROGRAM|; s|@QUADRELO_APP_ID@|$APP_ID|" \
        "${BASH_SOURCE%/*}/../../packaging/$APP_ID.service.in" >"$XDG_DATA_HOME/dbus-1/services/$APP_ID.service" # as installed
    if declare -F desktop_start >/dev/null; then desktop_start || exit 1; else start_openbox && session_bus || exit 1; fi
    pointer_to "${AWAY[@]}"
}

start_sound() { # a PulseAudio null sink and a recording of it; SOUND_PID, REC_PID, REC_WAV
    bg "pulseaudio-$((++SOUNDS))" pulseaudio --daemonize=no --exit-idle-time=-1 -n \
        --load="module-null-sink sink_name=nul" --load=module-native-protocol-unix
    SOUND_PID=$BG_PID REC_WAV="$ART_DIR/sound-$SOUNDS.wav"
    wait_until 15 "PulseAudio" test -S "$XDG_RUNTIME_DIR/pulse/native" || exit 1
    # a short latency: at its default 2 s the sink renders ahead, and a sound cut off by the next may go unheard
    bg "parecord-$SOUNDS" parecord --latency-msec=20 -d nul.monitor --channels=1 --rate=11025 \
        --file-format=wav "$REC_WAV" && REC_PID=$BG_PID
}
stop_sound() { stop_pid "$REC_PID"; kill -CONT "$SOUND_PID" 2>/dev/null; stop_pid "$SOUND_PID"; } # woken first if stopped
sound_client() { pactl list clients 2>/dev/null | grep -q 'application.name = "Quadrelo"'; }
heard_each_second() { # heard_each_second WAV N: at least N sounds, each about a second after the last
    local b # each sound's start (after a quarter second of silence), past parecord's own click at first
    b=($(sox "$1" -t dat - 2>/dev/null | awk '!/^;/ && $1 > 0.2 { v = $2 < 0 ? -$2 : $2
        if (v > 0.1) { if (last == "" || $1 - last > 0.25) printf "%.2f\n", $1; last = $1 } }'))
    log "sounds in $(basename "$1") at: ${b[*]:-none}"
    [ ${#b[@]} -ge "$2" ] && printf '%s\n' "${b[@]}" | awk 'NR > 1 && ($1 - p < 0.7 || $1 - p > 1.3) { bad = 1 }
        { p = $1 } END { exit bad }'
}
start_program() { # one more instance; PROG_PID is its id
    # a script's background job starts with SIGINT ignored; a desktop launcher's does not
    bg "quadrelo-$((++RUNS))" env --default-signal=INT,QUIT "$PROGRAM"
    PROG_PID=$BG_PID && log "quadrelo run $RUNS: pid $PROG_PID"
}

AWAY=(900 700) TEXT=(100 60) # an empty place of the desktop, of a note's text box
decimal() { local w; while read -r w; do echo $((w)); done; } # window ids are decimal throughout
managed() { wmctrl -lp | awk -v p="$PROG_PID" '$3 == p { print $1 }' | decimal; }
popups() { # the shown unmanaged windows of the program but the tray icon: menus and tips
    local w
    for w in $(xdotool search --onlyvisible --pid "$PROG_PID"); do
        [ "$w" != "$TRAY_ID" ] && info "$w" | grep -q 'Redirect State: yes' && echo "$w"
    done
}
wtype() { xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null; }
notes() { local w; for w in $(managed); do wtype "$w" | grep -q DIALOG || echo "$w"; done; }
dialogs() { local w; for w in $(managed); do wtype "$w" | grep -q DIALOG && echo "$w"; done; }
tips() { local w; for w in $(popups); do wtype "$w" | grep -q TOOLTIP && echo "$w"; done; }
menus() { local w; for w in $(popups); do wtype "$w" | grep -q TOOLTIP || echo "$w"; done; }
count_is() { [ "$($1 | grep -c .)" -eq "$2" ]; } # count_is LISTER N
info() { [ -n "$1" ] && xwininfo -id "$1" 2>/dev/null; } # xwininfo without an id waits for a click
geometry() { # "X Y W H" on the screen
    info "$1" | awk '/Absolute upper-left X:/ { x = $NF } /Absolute upper-left Y:/ { y = $NF }
        /^ *Width:/ { w = $NF } /^ *Height:/ { h = $NF } END { if (w != "") print x, y, w, h }'
}
viewable() { info "$1" | grep -q IsViewable; }
has_state() { xprop -id "$1" _NET_WM_STATE 2>/dev/null | grep -q "$2"; }
lacks_state() { ! has_state "$@"; }
# note_at X Y: the shown note whose top-left corner is there (ids change on re-show)
note_at() { local w; for w in $(notes); do [[ "$(geometry "$w")" == "$1 $2 "* ]] && echo "$w" && return; done; false; }
pointer_to() { # xdotool's --sync would wait for ever when the pointer is there already
    local i; xdotool mousemove "$1" "$2"
    for i in $(seq 30); do xdotool getmouselocation | grep -q "x:$1 y:$2 " && return 0; sleep 0.05; done
    log "the pointer did not reach $1,$2"; return 1
}
click_in() { # click_in WINDOW X Y [BUTTON]: X, Y inside the window
    local g=($(geometry "$1"))
    [ ${#g[@]} -eq 4 ] && pointer_to $((g[0] + $2)) $((g[1] + $3)) && xdotool click "${4:-1}"
}
type_into() { click_in "$1" "${TEXT[@]}"; xdotool key ctrl+End type --delay 30 "$2"; } # NOTE TEXT, at its end
# pixel X Y: that pixel of the screen as "... #RRGGBB ...", by import's own crop (the quickest: polled for a flash)
pixel() { import -window root -crop "1x1+$1+$2" -depth 8 txt:- 2>/dev/null; }
pixel_is() { local p; p=$(pixel "$1" "$2"); [[ ${p^^} == *"#${3^^}"* ]]; } # pixel_is X Y RRGGBB

tray_icons() { # "ID X Y W H" of each window of the program inside trayer's panel
    xwininfo -root -tree | awk '{ match($0, /^ */); ind = RLENGTH }
        panel && ind <= panel { panel = 0 }
        /\("panel" "trayer"\)/ { panel = ind; next }
        panel && /\("quadrelo" "/ { split($(NF - 1), g, /[x+]/); split($NF, a, /\+/); print $1, a[2], a[3], g[1], g[2] }'
}
wait_tray_icon() { # exactly one icon; TRAY_X, TRAY_Y is its centre, TRAY_ID its window
    wait_until 15 "tray icon embedded" count_is tray_icons 1 || return 1
    local t=($(tray_icons))
    TRAY_ID=$((t[0])) TRAY_X=$((t[1] + t[3] / 2)) TRAY_Y=$((t[2] + t[4] / 2))
}
# tray_click [BUTTON]: a pause first, as two left clicks within the double-click time make a note
tray_click() { sleep 0.5; pointer_to "$TRAY_X" "$TRAY_Y" && xdotool click "${@:-1}"; }
tray_double_click() { tray_click --repeat 2 --delay 80 1; }
menu_painted() { # two equal captures in a row: drawn, and ready for keys
    local a m=$(menus | head -1)
    [ -n "$m" ] && a=$(import -window "$m" rgb:- | md5sum) && sleep 0.1 && [ "$a" = "$(import -window "$m" rgb:- | md5sum)" ]
}
tray_menu() { # tray_menu KEY...: right click on the icon, then the keys
    tray_click 3
    if ! wait_until 4 "tray menu" menu_painted; then
        # about one right click in thirty, just after a menu closed, is lost; a person clicks again
        log "NOTE: the right click opened no menu; clicking again"
        pointer_to "${AWAY[@]}"
        tray_click 3
        wait_until 6 "tray menu" menu_painted || return 1
    fi
    xdotool key --delay 100 "$@"
    wait_until 5 "tray menu closed" count_is menus 0
}

make_record() { local f; for f in "$@"; do printf '%s\xc3\xbf' "$f"; done; } # F0 ... F14, each ended by U+00FF
write_store() { # write_store ABERTURA RECORD...: under keys 0, 1, ...
    local i=0 r; mkdir -p "$(dirname "$STORE")"
    { printf '[Config]\nAbertura=%s\n\n[Lembretes]\n' "$1"
      for r in "${@:2}"; do printf '%d="%s"\n' $((i++)) "$r"; done; } >"$STORE"
}
field() { # field TEXT N: field N of the stored record whose text (field 8) is TEXT
    awk -F '\303\277' -v t="$1" -v n="$2" '$9 == t { print $(n + 1); found = 1 } END { exit !found }' "$STORE"
}
stored() { field "$1" 8 >/dev/null; } # stored TEXT: a record holds that text
field_is() { # field_is TEXT N EXPECTED
    local got=$(field "$1" "$2")
    [ "$got" = "$3" ] || { log "record '$1' field $2: expected '$3', found '$got'"; return 1; }
}
# Another desktop: its file may redefine the helpers above (the tray's, for one).
if [ -n "${E2E_DESKTOP:-}" ]; then source "$E2E_DESKTOP" || exit 2; fi
