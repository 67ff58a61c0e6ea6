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
    sni_desktop Xfwm4 xfce4-panel xfce4-panel
}
