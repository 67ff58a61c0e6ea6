#!/usr/bin/env python3
"""Small X11 helpers for the end-to-end tests, on the display in $DISPLAY.

  xhelper.py owner SELECTION   exit 0 when the selection (e.g. _NET_SYSTEM_TRAY_S0, the tray
                               host's) has an owner, 1 otherwise
  xhelper.py bindkeys TEXT     give every character of TEXT that no key produces a spare
                               key code of its own

Why bindkeys: xdotool types a character missing from the keyboard map by remapping a key
just before pressing it, and a client that has not yet seen the new map reads the old
symbol; characters bound once before the program starts are typed reliably.
Only libX11 is needed, so the tests need no extra X tools for this.
"""
import ctypes
import sys

x = ctypes.cdll.LoadLibrary('libX11.so.6')
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XGetSelectionOwner.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XDisplayKeycodes.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_int)]
x.XGetKeyboardMapping.restype = ctypes.POINTER(ctypes.c_ulong)
x.XGetKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_ubyte, ctypes.c_int, ctypes.POINTER(ctypes.c_int)]
x.XChangeKeyboardMapping.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                     ctypes.POINTER(ctypes.c_ulong), ctypes.c_int]
x.XKeysymToKeycode.restype = ctypes.c_ubyte
x.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
x.XFree.argtypes = [ctypes.c_void_p]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]


def keysym_of(ch):
    code = ord(ch)
    return code if 0x20 <= code <= 0xff else 0x01000000 + code


def owner(dpy, name):
    atom = x.XInternAtom(dpy, name.encode(), 0)
    return 0 if x.XGetSelectionOwner(dpy, atom) else 1


def bindkeys(dpy, text):
    wanted = []
    for ch in text:
        ks = keysym_of(ch)
        if ks not in wanted and not x.XKeysymToKeycode(dpy, ks):
            wanted.append(ks)
    if not wanted:
        return 0
    lo, hi = ctypes.c_int(), ctypes.c_int()
    x.XDisplayKeycodes(dpy, ctypes.byref(lo), ctypes.byref(hi))
    per = ctypes.c_int()
    count = hi.value - lo.value + 1
    table = x.XGetKeyboardMapping(dpy, lo.value, count, ctypes.byref(per))
    spare = [lo.value + i for i in range(count)
             if all(table[i * per.value + j] == 0 for j in range(per.value))]
    x.XFree(table)
    if len(spare) < len(wanted):
        sys.stderr.write('xhelper: not enough spare key codes\n')
        return 1
    for ks, kc in zip(wanted, reversed(spare)):
        syms = (ctypes.c_ulong * 2)(ks, ks)
        x.XChangeKeyboardMapping(dpy, kc, 2, syms, 1)
    x.XSync(dpy, 0)
    return 0


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ('owner', 'bindkeys'):
        sys.stderr.write(__doc__)
        return 2
    dpy = x.XOpenDisplay(None)
    if not dpy:
        sys.stderr.write('xhelper: cannot open display\n')
        return 1
    try:
        if sys.argv[1] == 'owner':
            return owner(dpy, sys.argv[2])
        return bindkeys(dpy, sys.argv[2])
    finally:
        x.XCloseDisplay(dpy)


if __name__ == '__main__':
    sys.exit(main())
