#!/usr/bin/env python3
"""Exits 0 when the X selection named by the argument (for example _NET_SYSTEM_TRAY_S0,
the tray host's) has an owner on the display in $DISPLAY, 1 otherwise.

Only libX11 is needed, so the tests need no extra X tool for this.
"""
import ctypes
import sys


def main():
    if len(sys.argv) != 2:
        sys.stderr.write('usage: xselection.py SELECTION\n')
        return 2
    x = ctypes.cdll.LoadLibrary('libX11.so.6')
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XInternAtom.restype = ctypes.c_ulong
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XGetSelectionOwner.restype = ctypes.c_ulong
    x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]
    dpy = x.XOpenDisplay(None)
    if not dpy:
        sys.stderr.write('xselection: cannot open display\n')
        return 1
    try:
        atom = x.XInternAtom(dpy, sys.argv[1].encode(), 0)
        return 0 if x.XGetSelectionOwner(dpy, atom) else 1
    finally:
        x.XCloseDisplay(dpy)


if __name__ == '__main__':
    sys.exit(main())
