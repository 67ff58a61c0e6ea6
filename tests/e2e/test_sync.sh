#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end: notes kept on two machines by a real sync tool. Two Syncthing instances, each with its own home,
# share the folder holding the notes' folder over 127.0.0.1 only; two Quadrelo instances, on two virtual
# desktops with folders of their own. Usage: test_sync.sh /path/to/quadrelo
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
TRASH=(12 93) YES=(54 107) # the delete picture (18x18 at 3,84), "&Sim" of the delete confirmation
LIMIT=45                   # seconds a change may take to reach the other side
need syncthing curl Xvfb openbox trayer xdotool wmctrl xwininfo import
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/quadrelo-sync.XXXXXX")
private_session
export STNODEFAULTFOLDER=1 STNOUPGRADE=1 STNORESTART=1
declare -A V # each side's values, as V[A.display]
on() { # on SIDE: the helpers of lib.sh act on that side's desktop, program and store
    export DISPLAY=${V[$1.display]}; PROG_PID=${V[$1.pid]:-} STORE=${V[$1.store]}
    TRAY_ID=${V[$1.tray_id]:-} TRAY_X=${V[$1.tray_x]:-0} TRAY_Y=${V[$1.tray_y]:-0}
}
side_env() { # the environment of one side's programs
    local d=$E2E_TMP/$1
    echo "HOME=$d/home XDG_CONFIG_HOME=$d/sync XDG_RUNTIME_DIR=$d/runtime XDG_DATA_HOME=$d/data"
    echo "XDG_STATE_HOME=$d/state XDG_CACHE_HOME=$d/cache"
}
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
syncthing_config() { # syncthing_config SIDE OTHER: this side's device, listening, GUI and folder
    local s=$1 o=$2 me=${V[$1.id]} other=${V[$2.id]} listen=${V[$1.port]} oport=${V[$2.port]} gui=${V[$1.gui]}
    cat >"$E2E_TMP/$s/st/config.xml" <<XML
<configuration version="36">
  <folder id="quadrelo" label="quadrelo" path="$E2E_TMP/$s/sync" type="sendreceive" rescanIntervalS="3600"
          fsWatcherEnabled="true" fsWatcherDelayS="1" ignorePerms="false" autoNormalize="true">
    <filesystemType>basic</filesystemType><device id="$me"></device><device id="$other"></device>
    <minDiskFree unit="%">0</minDiskFree>
  </folder>
  <device id="$me" name="$s" compression="metadata"><address>dynamic</address></device>
  <device id="$other" name="$o" compression="metadata"><address>tcp://127.0.0.1:$oport</address></device>
  <gui enabled="true" tls="false"><address>127.0.0.1:$gui</address><apikey>quadrelo-test-$s</apikey></gui>
  <options><listenAddress>tcp://127.0.0.1:$listen</listenAddress><globalAnnounceEnabled>false</globalAnnounceEnabled>
    <localAnnounceEnabled>false</localAnnounceEnabled><relaysEnabled>false</relaysEnabled><natEnabled>false</natEnabled>
    <startBrowser>false</startBrowser><urAccepted>-1</urAccepted><urSeen>3</urSeen><autoUpgradeIntervalH>0</autoUpgradeIntervalH>
    <crashReportingEnabled>false</crashReportingEnabled><minHomeDiskFree unit="%">0</minHomeDiskFree></options>
</configuration>
XML
}
in_store() { grep -q -- "$2" "${V[$1.store]}"; } # in_store SIDE TEXT
note_with_place() { on "$1"; note_at "$2" "$3"; } # for the benchmark's steps

for s in A B; do # folders, X server, window manager, tray
    mkdir -p -m 700 "$E2E_TMP/$s"/{home,sync/Quadrelo,runtime,data,state,cache,st} && touch "$E2E_TMP/$s/sync/.stfolder"
    V[$s.store]=$E2E_TMP/$s/sync/Quadrelo/Quadrelo.conf
    start_openbox "$s"
    V[$s.display]=$DISPLAY
done
rec() { make_record "01/12/2026 10:00" "" N "$1" "$2" N "" N "$3" 0 0 N 0 3060 2430; }
on A && write_store S "$(rec 3000 3000 Um)" "$(rec 3000 9000 Dois)" # Um at 200,200 px, Dois at 600,200 px
for s in A B; do # both Syncthing instances, bounded in time
    V[$s.port]=$(free_port) V[$s.gui]=$(free_port)
    V[$s.id]=$(env $(side_env $s) syncthing generate --home="$E2E_TMP/$s/st" 2>&1 |
        sed -n 's/.*Device ID: *\([A-Z0-9-]*\).*/\1/p' | head -1)
    [ -n "${V[$s.id]}" ] || fatal "syncthing made a device id for $s"
done
syncthing_config A B && syncthing_config B A
for s in A B; do
    bg "syncthing-$s" env $(side_env $s) timeout 900 syncthing serve --home="$E2E_TMP/$s/st" --no-browser \
        --no-restart --no-upgrade
done
wait_until 60 "the two Syncthing instances connected" eval \
    'curl -s -H "X-API-Key: quadrelo-test-A" http://127.0.0.1:${V[A.gui]}/rest/system/connections | grep -q "\"connected\": true"' ||
    fatal "the two Syncthing instances connect over 127.0.0.1"
wait_until 30 "the store reached B" in_store B Dois || fatal "Syncthing carries the store to B"
for s in A B; do
    on $s && bg "quadrelo-$s" env --default-signal=INT,QUIT $(side_env $s) "$PROGRAM"
    V[$s.pid]=$BG_PID && on $s
    wait_tray_icon || fatal "the tray icon of $s is embedded"
    V[$s.tray_id]=$TRAY_ID V[$s.tray_x]=$TRAY_X V[$s.tray_y]=$TRAY_Y
    wait_until 15 "two notes on $s" count_is notes 2 || fatal "the stored notes are shown on $s"
done

# A note made and typed on A appears on B
on A && tray_double_click
wait_until 10 "a new note on A" count_is notes 3 || fatal "a double click on the tray makes a note"
NEW_A=$(notes | grep -vx -e "$(note_at 200 200)" -e "$(note_at 600 200)")
type_into "$NEW_A" "feita em A"
on B && check "a note made and typed on A appears on B" wait_until $LIMIT "three notes on B" count_is notes 3
NEW_B=$(notes | grep -vx -e "$(note_at 200 200)" -e "$(note_at 600 200)")
check "its text reached B" wait_until $LIMIT "text on B" in_store B "feita em A"
grab "$ART_DIR/B-with-A-note.png"

# Deleted on B, gone on A
click_in "$NEW_B" "${TRASH[@]}" && sleep 0.3 && click_in "$NEW_B" "${YES[@]}"
wait_until 5 "deleted on B" count_is notes 2
on A && check "a note deleted on B goes away on A" wait_until $LIMIT "two notes on A" count_is notes 2

# Deleted on A while B saves a move of the other note at the same moment: each side's save is
# made before it sees the other's, and no note may come twice, nor the deleted one back
DOIS_A=$(note_at 600 200)
click_in "$DOIS_A" "${TRASH[@]}" && sleep 0.3
on B && xdotool windowmove "$(note_at 200 200)" 250 450
on A && click_in "$DOIS_A" "${YES[@]}"
on B && check "B takes A's deletion while its move is saved" wait_until $LIMIT "one note on B" count_is notes 1
for s in A B; do
    on $s && check "one note on $s, and it stays one" holds_for 8 count_is notes 1
    check "$s's store holds the note once" eval '[ "$(field Um 8 | grep -c .)" = 1 ]'
done

[ -n "${SYNC_BENCH:-}" ] && source "$SYNC_BENCH" # a benchmark's steps (tools/bench/), once both sides are checked
finish
