# SPDX-License-Identifier: GPL-3.0-or-later
# GNOME Shell 43 on Wayland, headless: the program runs on its XWayland; pointer, keys and the screen go
# through mutter (desktop_input.py, needs _input.sh), since xdotool cannot reach the shell's bar and menus.
gnome_start() { # gnome_start EXTENSIONS: private buses, the shell, its XWayland display, the input tool
    export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland GSETTINGS_BACKEND=keyfile NO_AT_BRIDGE=1
    mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
    printf '%s\n' "[org/gnome/shell]" "enabled-extensions=$1" "disable-user-extensions=false" \
        "welcome-dialog-last-shown-version='999'" "[org/gnome/desktop/notifications]" "show-banners=false" \
        >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile"
    # gnome-shell sees the machine's seats and wants a system bus: a private, empty one
    export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$XDG_RUNTIME_DIR/sysbus"
    session_bus && bg system-bus dbus-daemon --session --nofork --address="$DBUS_SYSTEM_BUS_ADDRESS"
    wait_until 10 "system bus" test -S "$XDG_RUNTIME_DIR/sysbus" || return 1
    bg gnome-shell gnome-shell --headless --wayland --wayland-display=wayland-quadrelo \
        --virtual-monitor 1280x800 --sm-disable && XVFB_PID=$BG_PID
    wait_until 60 "GNOME Shell" grep -q 'GNOME Shell started' "$ART_DIR/gnome-shell.log" || return 1
    export WAYLAND_DISPLAY=wayland-quadrelo XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -1)
    export DISPLAY=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$ART_DIR/gnome-shell.log" | head -1)
    # A login lands on the overview since GNOME 40; the person leaves it for the desktop.
    gdbus call --session -d org.gnome.Shell -o /org/gnome/Shell -m org.freedesktop.DBus.Properties.Set \
        org.gnome.Shell OverviewActive '<false>' >/dev/null
    start_input mutter
}
