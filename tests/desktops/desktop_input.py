#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A person's mouse and keyboard for a headless GNOME Shell, through mutter's RemoteDesktop
# interface: the shell itself (top bar, its menus) gets them, which xdotool on XWayland cannot
# reach. One session for the whole run, so the shell's sharing indicator appears once and the top
# bar's icons keep their places. Reads a command a line and answers each with a line ("ok"):
#   move X Y | click B | dclick B | drag X Y DX DY | key NAME | shot FILE
#   pixel X Y FILE (answers "RRGGBB") | tray FILE (answers the icon's centre "X Y", or "none")
import sys, time
import gi
gi.require_version('Gdk', '3.0')
gi.require_version('GdkPixbuf', '2.0')
from gi.repository import Gdk, Gio, GLib, GdkPixbuf

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
RD = 'org.gnome.Mutter.RemoteDesktop'
W, H = 1280, 800


def call(dest, path, iface, method, args=None, sig=None):
    return bus.call_sync(dest, path, iface, method, GLib.Variant(sig, args) if sig else None, None, 0, 10000, None)


# The shell's screenshot call accepts only callers that own this name.
call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'RequestName',
     ('org.gnome.Screenshot', 4), '(su)')
session = call(RD, '/org/gnome/Mutter/RemoteDesktop', RD, 'CreateSession').unpack()[0]
S = RD + '.Session'
call(RD, session, S, 'Start')


def rel(dx, dy):
    call(RD, session, S, 'NotifyPointerMotionRelative', (float(dx), float(dy)), '(dd)')


def move(x, y):
    # From the bottom-right corner, where the motion stops: the top-left one is the hot corner.
    rel(4 * W, 4 * H)
    rel(x - (W - 1), y - (H - 1))


BUTTONS = {'1': 0x110, '2': 0x112, '3': 0x111}  # evdev BTN_LEFT, BTN_MIDDLE, BTN_RIGHT


def click(b, times=1):
    for _ in range(times):
        for pressed in (True, False):
            call(RD, session, S, 'NotifyPointerButton', (BUTTONS[b], pressed), '(ib)')
            time.sleep(0.05)


def key(name, pressed=True):
    call(RD, session, S, 'NotifyKeyboardKeysym', (Gdk.keyval_from_name(name), pressed), '(ub)')


def screen(path):
    call('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot', 'org.gnome.Shell.Screenshot',
         'Screenshot', (False, False, path), '(bbs)')
    pb = GdkPixbuf.Pixbuf.new_from_file(path)
    px, stride, n = pb.get_pixels(), pb.get_rowstride(), pb.get_n_channels()
    return lambda x, y: tuple(px[y * stride + x * n:y * stride + x * n + 3])


def yellow(rgb):
    return rgb[0] > 220 and rgb[1] > 190 and rgb[2] < 110


def tray(path):
    # The icon is the only bright yellow in the top bar's right half.
    at = screen(path)
    found = [(x, y) for y in range(32) for x in range(W // 2, W) if yellow(at(x, y))]
    if len(found) < 20:
        return 'none'
    return '%d %d' % (sum(x for x, _ in found) // len(found), sum(y for _, y in found) // len(found))


def run(op, a):
    if op == 'move':
        move(float(a[0]), float(a[1]))
    elif op in ('click', 'dclick'):
        click(a[0], 2 if op == 'dclick' else 1)
    elif op == 'drag':  # press at X,Y, move by DX,DY in ten steps, release
        move(float(a[0]), float(a[1]))
        call(RD, session, S, 'NotifyPointerButton', (BUTTONS['1'], True), '(ib)')
        time.sleep(0.2)
        for _ in range(10):
            rel(float(a[2]) / 10, float(a[3]) / 10)
            time.sleep(0.05)
        time.sleep(0.2)
        call(RD, session, S, 'NotifyPointerButton', (BUTTONS['1'], False), '(ib)')
    elif op == 'key':
        key(a[0]); key(a[0], False)
    elif op == 'shot':
        screen(a[0])
    elif op == 'pixel':
        return '%02X%02X%02X' % screen(a[2])(int(a[0]), int(a[1]))
    elif op == 'tray':
        return tray(a[0])
    else:
        return 'unknown command: ' + op
    return 'ok'


key('Shift_L'); key('Shift_L', False)  # a session's first key is lost: spend it here
for line in sys.stdin:
    words = line.split()
    try:
        answer = run(words[0], words[1:]) if words else 'ok'
    except GLib.Error as e:
        answer = 'error: ' + e.message
    print(answer, flush=True)
call(RD, session, S, 'Stop')
