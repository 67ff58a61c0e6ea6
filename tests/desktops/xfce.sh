# SPDX-License-Identifier: GPL-3.0-or-later
# Xfce 4.18 on X11 for the end-to-end run: Xvfb, a private session bus, xfsettingsd, xfwm4 and
# xfce4-panel with its status tray (a StatusNotifierItem host) in a 30 px strip at the top.
DESKTOP_TOOLS="Xvfb dbus-daemon gdbus xfwm4 xfce4-panel xfsettingsd convert"
source "$(dirname "${BASH_SOURCE[0]}")/_sni.sh"

desktop_start() {
    start_xvfb && session_bus || return 1
    local conf="$XDG_CONFIG_HOME/xfce4/xfconf/xfce-perchannel-xml"
    mkdir -p "$conf" && cp "$(dirname "${BASH_SOURCE[0]}")/conf/xfce4-panel.xml" "$conf/"
    export XDG_CURRENT_DESKTOP=XFCE
    bg xfsettingsd xfsettingsd --no-daemon
    bg xfwm4 xfwm4 --compositor=off
    wait_until 15 "xfwm4" eval 'wmctrl -m | grep -q Xfwm4' || return 1
    wait_until 10 "two workspaces" eval '[ "$(wmctrl -d | wc -l)" -ge 2 ]' || return 1
    bg xfce4-panel xfce4-panel
    wait_until 20 "status tray" sni_watcher_up || return 1
    wait_until 10 "panel mapped" eval 'P=$(xdotool search --onlyvisible --class xfce4-panel | head -1); [ -n "$P" ]' || return 1
    TRAY_AREA=$(geometry "$P")
}
