# SPDX-License-Identifier: GPL-3.0-or-later
# GNOME Shell 43 on Wayland with the AppIndicator extension for the end-to-end run: the icon is in the top
# bar, and its clicks are the extension's: the left button opens GNOME's own menu of the program's items,
# the middle one is the program's single click, a double click its double click.
DESKTOP_TOOLS="gnome-shell Xwayland dbus-daemon gdbus python3"
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
for part in _sni _input _gnome; do source "$here/$part.sh"; done
desktop_start() {
    [ -d /usr/share/gnome-shell/extensions/ubuntu-appindicators@ubuntu.com ] ||
        { log "missing gnome-shell-extension-appindicator"; exit 77; }
    gnome_start "['ubuntu-appindicators@ubuntu.com']"
}
TRAY_AREA="640 0 640 32" # the right half of the top bar
MENU_TOP=62 MENU_STEP=36 # the first item's centre and the items' spacing, below the top bar
menu_open() { pixel_is "$TRAY_X" $((MENU_TOP + MENU_STEP / 2)) 303030; }
menu_closed() { ! menu_open; }
# The top bar's other icons come and go (sound, screen sharing): the icon is looked for before each click.
to_icon() { tray_found && gin move "$TRAY_X" "$TRAY_Y"; }
tray_click() { sleep 0.5; to_icon && gin click "$([ "${1:-1}" = 1 ] && echo 2 || echo "$1")"; }
tray_double_click() {
    local n=$(notes | grep -c .) && sleep 0.5
    to_icon && gin dclick 1
    if ! wait_until 3 "a new note" count_is notes $((n + 1)); then
        log "NOTE: the double click made no note; double-clicking again"
        wait_until 5 "no menu left open" menu_closed
        gin dclick 1
    fi
    wait_until 5 "no menu left open" menu_closed
}
tray_menu() { # the item the keys choose in the program's menu, clicked in GNOME's
    local item
    case "$*" in n) item=0 ;; "e Return") item=1 ;; m) item=2 ;; s) item=3 ;; b) item=5 ;; *) log "no item for $*"; return 1 ;; esac
    sleep 0.5
    to_icon && gin click 1
    wait_until 5 "menu open" menu_open || return 1
    gin move "$TRAY_X" $((MENU_TOP + MENU_STEP * item)) && gin click 1
    wait_until 5 "menu closed" menu_closed
}
