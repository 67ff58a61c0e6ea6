#!/usr/bin/env bash
# End-to-end: first start on an empty store, the tray icon and its menu, exit from the menu,
# one instance per user, and the shutdown run by SIGTERM, SIGINT and SIGHUP.
# Usage: test_startup.sh /path/to/quadrelo
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

start_desktop

# ------------------------------------------------------------ first start on an empty store
log "== first start on an empty store"
start_program
FIRST=$PROG_PID
wait_until 20 "store holds the welcome note" store_has Lembretes 999 ||
    fatal "first start writes the store with key 999 (program alive: $(alive "$FIRST" && echo yes || echo no))"
check "Abertura is seeded with S" store_value_is Config Abertura S
check "the welcome record is stored under 999 byte for byte" store_value_is Lembretes 999 "$(welcome_record)"
check "the fresh store holds no other note" store_keys_are Lembretes 999

wait_tray_icon || fatal "the tray icon is embedded in trayer"
pass "the tray icon is embedded in trayer"
wait_until 15 "welcome note shown" note_count_is "$FIRST" 1 ||
    { fail "the welcome note is shown on first start"; describe_windows "$FIRST"; }
screenshot first-start

if tray_tip_image tip-one-note >/dev/null; then
    pass "hovering over the icon shows its tip (tip-one-note.png)"
else
    fail "hovering over the icon shows its tip"
fi

# ------------------------------------------------------------ the tray menu
log "== tray menu"
if open_tray_menu; then
    pass "a right click on the icon opens the tray menu"
    save_window_image "$MENU_ID" tray-menu
    screenshot tray-menu-open
    # Each Down highlights the next item; the highlight wraps round after the last one.
    # Seven distinct pictures before the first comes back means exactly seven items.
    declare -a HL=()
    for k in 1 2 3 4 5 6 7 8; do
        xdotool key Down
        sleep 0.15
        menu_painted
        HL[k]=$(window_hash "$MENU_ID")
    done
    distinct=$(printf '%s\n' "${HL[@]:1:7}" | sort -u | count_lines)
    if [ "$distinct" -eq 7 ] && [ "${HL[8]}" = "${HL[1]}" ]; then
        pass "the tray menu has exactly seven items"
    else
        fail "the tray menu has exactly seven items ($distinct distinct highlights among the first seven; wrapped to the first: $([ "${HL[8]}" = "${HL[1]}" ] && echo yes || echo no))"
    fi
    # "E" is the access letter of items 2 and 7: the first press highlights "&Esconder Todos
    # Lembretes", the second "&Encerrar Quadrelo", and neither press runs a command.
    xdotool key e
    sleep 0.2
    menu_painted
    e1=$(window_hash "$MENU_ID")
    xdotool key e
    sleep 0.2
    menu_painted
    e2=$(window_hash "$MENU_ID")
    check "access letter E highlights item 2 first" [ "$e1" = "${HL[2]}" ]
    check "access letter E pressed again highlights item 7" [ "$e2" = "${HL[7]}" ]
    xdotool key Escape
    wait_until 5 "menu closed" menu_closed || fail "Escape closes the tray menu"
else
    fail "a right click on the icon opens the tray menu"
    describe_windows "$FIRST"
fi

# "Exibir &Lembretes ao Inciar": access letter L toggles the setting and its check mark.
tray_menu_key l
wait_until 5 "menu closed" menu_closed
check "access letter L switches 'Abertura' to N" wait_until 5 "Abertura N" store_value_is Config Abertura N
if open_tray_menu; then
    xdotool key --delay 60 Down Down Down Down Down
    sleep 0.2
    menu_painted
    unchecked=$(window_hash "$MENU_ID")
    save_window_image "$MENU_ID" tray-menu-unchecked
    check "the check mark of item 5 follows the setting" [ "$unchecked" != "${HL[5]:-}" ]
    xdotool key l
    wait_until 5 "menu closed" menu_closed
fi
check "access letter L switches 'Abertura' back to S" wait_until 5 "Abertura S" store_value_is Config Abertura S

# ------------------------------------------------------------ exit from the menu
log "== &Encerrar Quadrelo"
tray_menu_choose 7 "&Encerrar Quadrelo" || fail "the tray menu opens to choose &Encerrar Quadrelo"
if wait_exit "$FIRST" 15; then
    pass "&Encerrar Quadrelo ends the process"
    check "the process ends with status 0" [ "$EXIT_STATUS" -eq 0 ]
else
    fail "&Encerrar Quadrelo ends the process"
    stop_pid "$FIRST" quadrelo
fi
check "the tray icon is removed" wait_until 5 "no tray icon" tray_icon_count_is 0
check "after exit the store holds key 0 only (no 999)" store_keys_are Lembretes 0
check "key 0 holds the welcome record unchanged" store_value_is Lembretes 0 "$(welcome_record)"
check "Abertura is still S" store_value_is Config Abertura S

# ------------------------------------------------------------ one instance per user
log "== second instance"
rm -f "$STORE"
start_program
FIRST=$PROG_PID
wait_until 20 "store written" store_has Lembretes 999 || fail "the first instance starts again"
wait_tray_icon || fail "the first instance shows its tray icon"
wait_until 15 "welcome note shown" note_count_is "$FIRST" 1
before=$(store_md5)
before_time=$(store_mtime)
start_program
SECOND=$PROG_PID
if wait_exit "$SECOND" 10; then
    pass "a second instance ends at once"
    check "the second instance ends with status 0" [ "$EXIT_STATUS" -eq 0 ]
else
    fail "a second instance ends at once"
    describe_windows "$SECOND"
    stop_pid "$SECOND" "second quadrelo"
fi
check "the first instance keeps running" alive "$FIRST"
check "there is still exactly one tray icon" tray_icon_count_is 1
store_untouched() { [ "$before" = "$(store_md5)" ] && [ "$before_time" = "$(store_mtime)" ]; }
check "the second instance leaves the store untouched" store_untouched
check "the welcome note is still shown, once" note_count_is "$FIRST" 1
PROG_PID=$FIRST

# ------------------------------------------------------------ shutdown on signals
shutdown_by_signal() { # shutdown_by_signal SIGNAL: the store must be rewritten as by the menu
    local sig=$1 pid=$PROG_PID
    log "== $sig"
    check "before $sig the store holds key 999" store_has Lembretes 999
    kill -s "$sig" "$pid"
    if wait_exit "$pid" 15; then
        pass "$sig ends the process"
    else
        fail "$sig ends the process"
        stop_pid "$pid" quadrelo
    fi
    check "$sig removes the tray icon" wait_until 5 "no tray icon" tray_icon_count_is 0
    check "$sig saves all notes: key 0 present, no 999" store_keys_are Lembretes 0
    check "$sig saves the welcome note under 0 unchanged" store_value_is Lembretes 0 "$(welcome_record)"
}

shutdown_by_signal TERM
for sig in INT HUP; do
    rm -f "$STORE"
    start_program
    wait_until 20 "store written" store_has Lembretes 999 || fail "the program starts again before SIG$sig"
    wait_tray_icon
    wait_until 15 "welcome note shown" note_count_is "$PROG_PID" 1
    shutdown_by_signal "$sig"
done

finish
