#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A person's mouse and keyboard for a headless GNOME Shell: pointer and keys go through mutter's
# RemoteDesktop interface, so the shell itself (top bar, its menus) gets them, which xdotool on
# XWayland cannot reach. One session for the whole run: the shell's "screen is being shared"
# indicator appears once and the top bar's icons keep their places.
# Reads one command line at a time on standard input and answers each with a line ("ok", or the
# answer of "tray"):
#   move X Y | click B | dclick B | down B | up B | drag X Y DX DY | key NAME[+NAME] | type TEXT
#   shot FILE | tray FILE (centre "X Y" of the program's icon in the top bar, or "none")
#   pixel X Y FILE (the colour "RRGGBB" there)
import sys, time
import gi
gi.require_version('GdkPixbuf', '2.0')
from gi.repository import Gio, GLib, GdkPixbuf

bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
RD = 'org.gnome.Mutter.RemoteDesktop'
W, H = 1280, 800
pos = [W - 1.0, H - 1.0]


def call(dest, path, iface, method, args=None, sig=None, timeout=10000):
    return bus.call_sync(dest, path, iface, method, GLib.Variant(sig, args) if sig else None, None, 0, timeout, None)


# The shell's screenshot call accepts only callers that own this name.
call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'RequestName',
     ('org.gnome.Screenshot', 4), '(su)')
session = call(RD, '/org/gnome/Mutter/RemoteDesktop', RD, 'CreateSession').unpack()[0]
S = RD + '.Session'
call(RD, session, S, 'Start')


def rel(dx, dy):
    call(RD, session, S, 'NotifyPointerMotionRelative', (float(dx), float(dy)), '(dd)')
    pos[0] = min(max(pos[0] + dx, 0), W - 1)
    pos[1] = min(max(pos[1] + dy, 0), H - 1)


def move(x, y):
    # From the bottom-right corner, where the motion is clamped: the top-left one is the hot corner.
    rel(4 * W, 4 * H)
    pos[0], pos[1] = W - 1, H - 1
    rel(x - pos[0], y - pos[1])


BUTTONS = {'1': 0x110, '2': 0x112, '3': 0x111}  # evdev BTN_LEFT, BTN_MIDDLE, BTN_RIGHT


def button(b, pressed):
    call(RD, session, S, 'NotifyPointerButton', (BUTTONS[b], pressed), '(ib)')


def keysym(ks, pressed):
    call(RD, session, S, 'NotifyKeyboardKeysym', (ks, pressed), '(ub)')


def keyval(name):
    gi.require_version('Gdk', '3.0')
    from gi.repository import Gdk
    return Gdk.keyval_from_name(name) if len(name) > 1 else Gdk.unicode_to_keyval(ord(name))


def shot(path):
    call('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot', 'org.gnome.Shell.Screenshot',
         'Screenshot', (False, False, path), '(bbs)')


def screen(tmp):
    shot(tmp)
    pb = GdkPixbuf.Pixbuf.new_from_file(tmp)
    return pb, pb.get_pixels(), pb.get_rowstride(), pb.get_n_channels()


def pixel(x, y, tmp):
    pb, px, stride, n = screen(tmp)
    return '%02X%02X%02X' % tuple(px[y * stride + x * n:y * stride + x * n + 3])


def tray(tmp):
    # The icon is the only bright yellow in the top bar's right half.
    pb, px, stride, n = screen(tmp)
    xs, ys = [], []
    for y in range(0, 32):
        for x in range(W // 2, pb.get_width()):
            r, g, b = px[y * stride + x * n:y * stride + x * n + 3]
            if r > 220 and g > 190 and b < 110:
                xs.append(x)
                ys.append(y)
    return '%d %d' % (sum(xs) // len(xs), sum(ys) // len(ys)) if len(xs) > 20 else 'none'


def run(line):
    op, _, arg = line.strip().partition(' ')
    a = arg.split()
    if op == 'move':
        move(float(a[0]), float(a[1]))
    elif op == 'click':
        button(arg, True); time.sleep(0.05); button(arg, False)
    elif op == 'dclick':
        for _ in range(2):
            button(arg, True); time.sleep(0.05); button(arg, False); time.sleep(0.1)
    elif op == 'down':
        button(arg, True)
    elif op == 'up':
        button(arg, False)
    elif op == 'drag':  # drag X Y DX DY: press at X,Y, move there in ten steps, release
        move(float(a[0]), float(a[1])); button('1', True); time.sleep(0.2)
        for _ in range(10):
            rel(float(a[2]) / 10, float(a[3]) / 10); time.sleep(0.05)
        time.sleep(0.2); button('1', False)
    elif op == 'key':
        names = arg.split('+')
        for k in names:
            keysym(keyval(k), True)
        for k in reversed(names):
            keysym(keyval(k), False)
    elif op == 'type':
        for ch in arg:
            keysym(keyval(ch), True); keysym(keyval(ch), False); time.sleep(0.03)
    elif op == 'shot':
        shot(arg)
    elif op == 'tray':
        return tray(arg)
    elif op == 'pixel':
        return pixel(int(a[0]), int(a[1]), a[2])
    else:
        return 'unknown command: ' + op
    return 'ok'


keysym(keyval('Shift_L'), True)  # the session's first key is lost: spend it here
keysym(keyval('Shift_L'), False)
for line in sys.stdin:
    try:
        answer = run(line)
    except GLib.Error as e:
        answer = 'error: ' + e.message
    print(answer, flush=True)
call(RD, session, S, 'Stop')
