#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# A person's mouse and keyboard, and the screen as seen, for a headless compositor whose own surfaces (GNOME's
# top bar, Plasma's panel and menus) xdotool on XWayland cannot reach. "mutter": GNOME Shell's RemoteDesktop
# and Screenshot interfaces, one session for the run (the sharing indicator appears once). "kwin": kwin's
# fake-input protocol on the Wayland socket and its ScreenShot2 interface, kwin_wayland started with
# KWIN_WAYLAND_NO_PERMISSION_CHECKS and KWIN_SCREENSHOT_NO_PERMISSION_CHECKS. Answers each line with one ("ok"):
#   move X Y | down B | up B | click B | dclick B | key NAME[+NAME...] | type TEXT | shot FILE (a PNG of the screen)
import os, socket, struct, subprocess, sys, threading, time
import gi
gi.require_version('Gdk', '3.0')
from gi.repository import Gdk, Gio, GLib

KWIN = sys.argv[1:] == ['kwin']
bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
W, H = 1280, 800
BUTTONS = {'1': 0x110, '2': 0x112, '3': 0x111}  # evdev BTN_LEFT, BTN_MIDDLE, BTN_RIGHT
MODIFIERS = {'ctrl': 'Control_L', 'shift': 'Shift_L', 'alt': 'Alt_L'}
IFACE = 'org_kde_kwin_fake_input'

def call(dest, path, iface, method, args=None, sig=None, fds=None):
    return bus.call_with_unix_fd_list_sync(dest, path, iface, method, GLib.Variant(sig, args) if sig else None,
                                           None, 0, 10000, fds, None)[0]

class Mutter:
    RD = 'org.gnome.Mutter.RemoteDesktop'
    def __init__(self):
        # The shell's screenshot call accepts only callers that own this name.
        call('org.freedesktop.DBus', '/org/freedesktop/DBus', 'org.freedesktop.DBus', 'RequestName',
             ('org.gnome.Screenshot', 4), '(su)')
        self.session = call(self.RD, '/org/gnome/Mutter/RemoteDesktop', self.RD, 'CreateSession').unpack()[0]
        self.rd('Start')
        self.keysym(Gdk.KEY_Shift_L, True), self.keysym(Gdk.KEY_Shift_L, False)  # a session's first key is lost
    def rd(self, method, args=None, sig=None):
        call(self.RD, self.session, self.RD + '.Session', method, args, sig)
    def move(self, x, y):
        # The session's pointer moves only by steps: at first from the bottom-right corner, where
        # the motion stops (the top-left one is the hot corner), then from where it was sent.
        if not hasattr(self, 'at'):
            self.rd('NotifyPointerMotionRelative', (4.0 * W, 4.0 * H), '(dd)')
            self.at = (W - 1, H - 1)
        self.rd('NotifyPointerMotionRelative', (float(x - self.at[0]), float(y - self.at[1])), '(dd)')
        self.at = (x, y)
    def button(self, b, pressed): self.rd('NotifyPointerButton', (BUTTONS[b], pressed), '(ib)')
    def keysym(self, keyval, pressed): self.rd('NotifyKeyboardKeysym', (keyval, pressed), '(ub)')
    def screen(self, path): call('org.gnome.Shell.Screenshot', '/org/gnome/Shell/Screenshot',
                                 'org.gnome.Shell.Screenshot', 'Screenshot', (False, False, path), '(bbs)')

class KWin:
    def __init__(self):
        self.sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.sock.connect(os.path.join(os.environ['XDG_RUNTIME_DIR'], os.environ['WAYLAND_DISPLAY']))
        self.incoming = self.events()
        self.send(1, 1, 2)  # wl_display.get_registry: the registry is object 2
        # its global event: name, interface (length, then the NUL-ended string), version
        found = self.roundtrip(lambda o, op, body: o == 2 and op == 0 and body[8:].split(b'\0')[0] == IFACE.encode())
        if not found:
            raise SystemExit('kwin offers no fake input (KWIN_WAYLAND_NO_PERMISSION_CHECKS)')
        name, version = struct.unpack('<I', found[:4])[0], struct.unpack('<I', found[-4:])[0]
        self.send(2, 0, name, IFACE, min(version, 4), 4)  # wl_registry.bind: fake input is object 4
        self.send(4, 0, 'quadrelo', 'end-to-end checks')  # authenticate
        Gdk.init([])
        keymap = Gdk.Keymap.get_for_display(Gdk.Display.get_default())
        self.keycode = lambda keyval: keymap.get_entries_for_keyval(keyval)[1][0].keycode - 8
    def send(self, obj, op, *args):
        body = b''
        for a in args:
            if isinstance(a, str):
                a = a.encode() + b'\0'
                body += struct.pack('<I', len(a)) + a + b'\0' * (-len(a) % 4)
            else:
                body += struct.pack('<i', int(a * 256)) if isinstance(a, float) else struct.pack('<I', a)
        self.sock.sendall(struct.pack('<II', obj, (8 + len(body)) << 16 | op) + body)
    def events(self):
        buf = b''
        while True:
            while len(buf) >= 8 and len(buf) >= struct.unpack('<I', buf[4:8])[0] >> 16:
                obj, word = struct.unpack('<II', buf[:8])
                yield obj, word & 0xFFFF, buf[8:word >> 16]
                buf = buf[word >> 16:]
            chunk = self.sock.recv(65536)
            if not chunk:
                raise SystemExit('kwin closed the connection')
            buf += chunk
    def roundtrip(self, wanted=lambda *e: False):
        # wl_display.sync: once its callback (object 3) is done, kwin has taken every request before it
        self.send(1, 0, 3)
        found = None
        for obj, op, body in self.incoming:
            if obj == 1 and op == 0:
                raise SystemExit('protocol error: %r' % body)
            found = body if wanted(obj, op, body) else found
            if obj == 3:
                return found
    def fake(self, op, *args):  # a fake-input request, once kwin has taken it
        self.send(4, op, *args)
        self.roundtrip()
    def move(self, x, y): self.fake(9, float(x), float(y))
    def button(self, b, pressed): self.fake(2, BUTTONS[b], int(pressed))
    def keysym(self, keyval, pressed): self.fake(10, self.keycode(keyval), int(pressed))
    def screen(self, path):
        r, w = os.pipe()
        fds = Gio.UnixFDList.new_from_array([w])  # owns w, closed when it goes
        got = []  # kwin may write the picture before it answers: read it meanwhile
        reader = threading.Thread(target=lambda: got.append(os.fdopen(r, 'rb').read()))
        reader.start()
        info = call('org.kde.KWin.ScreenShot2', '/org/kde/KWin/ScreenShot2', 'org.kde.KWin.ScreenShot2',
                    'CaptureArea', (0, 0, W, H, {}, 0), '(iiuua{sv}h)', fds).unpack()[0]
        del fds
        reader.join(10)
        # QImage's 32-bit formats: B, G, R, A in memory, rows of STRIDE bytes
        subprocess.run(['convert', '-size', '%dx%d' % (info['stride'] // 4, info['height']), '-depth', '8', 'bgra:-',
                        '-crop', '%dx%d+0+0' % (info['width'], info['height']), '+repage', '-alpha', 'off', path],
                       input=got[0], check=True)

desk = KWin() if KWIN else Mutter()

def press(keyvals):
    for k, pressed in [(k, True) for k in keyvals] + [(k, False) for k in reversed(keyvals)]:
        desk.keysym(k, pressed)

def run(op, a):
    if op == 'move':
        desk.move(float(a[0]), float(a[1]))
    elif op in ('down', 'up'):
        desk.button(a[0], op == 'down')
    elif op in ('click', 'dclick'):
        for pressed in (True, False) * (2 if op == 'dclick' else 1):
            desk.button(a[0], pressed)
            time.sleep(0.05)
    elif op == 'key':
        keyvals = [Gdk.keyval_from_name(MODIFIERS.get(n, n)) for n in a[0].split('+')]
        if not all(keyvals) or Gdk.KEY_VoidSymbol in keyvals:
            return 'unknown key: ' + a[0]
        press(keyvals)
    elif op == 'type':
        for c in a:
            press([Gdk.unicode_to_keyval(ord(c))])
            time.sleep(0.03)
    elif op == 'shot':
        desk.screen(a[0])
    else:
        return 'unknown command: ' + op
    return 'ok'

for line in sys.stdin:
    words = line.split() or ['']
    try:  # "type" takes the rest of the line, blanks and all
        answer = run('type', line[5:].rstrip('\n')) if words[0] == 'type' else run(words[0], words[1:]) if words[0] else 'ok'
    except GLib.Error as e:
        answer = 'error: ' + e.message
    print(answer, flush=True)
if not KWIN:
    desk.rd('Stop')
