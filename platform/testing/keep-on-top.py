#!/usr/bin/env python3
"""Keeps a window that stays on top of all others (WS_EX_TOPMOST) on top of Wine's virtual desktop
too, with its own picture, while the screenshots are taken.

Wine shows each newly opened window of another program on top of the display, even over a window
that should stay above it, and a program that pumps no messages while it works (the protocol
helper) never repaints what was drawn over its window. This X client gives the window a backing
store of its own, so that nothing drawn over it is lost, and raises it again whenever another
window comes above it, as Windows keeps it.
    keep-on-top.py CAPTION [SECONDS]
Runs until stopped, or for SECONDS."""
import ctypes
import sys
import time

xlib = ctypes.cdll.LoadLibrary("libX11.so.6")
Window = ctypes.c_ulong
Display = ctypes.c_void_p


class SetWindowAttributes(ctypes.Structure):
    _fields_ = [("background_pixmap", ctypes.c_ulong), ("background_pixel", ctypes.c_ulong),
                ("border_pixmap", ctypes.c_ulong), ("border_pixel", ctypes.c_ulong),
                ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
                ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
                ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
                ("event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("colormap", ctypes.c_ulong),
                ("cursor", ctypes.c_ulong)]


CW_BACKING_STORE = 1 << 6
ALWAYS = 2
ErrorHandler = ctypes.CFUNCTYPE(ctypes.c_int, Display, ctypes.c_void_p)

xlib.XOpenDisplay.restype = Display
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultRootWindow.restype = Window
xlib.XDefaultRootWindow.argtypes = [Display]
xlib.XQueryTree.argtypes = [Display, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                            ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
xlib.XFetchName.argtypes = [Display, Window, ctypes.POINTER(ctypes.c_char_p)]
xlib.XFree.argtypes = [ctypes.c_void_p]
xlib.XRaiseWindow.argtypes = [Display, Window]
xlib.XChangeWindowAttributes.argtypes = [Display, Window, ctypes.c_ulong, ctypes.POINTER(SetWindowAttributes)]
xlib.XSync.argtypes = [Display, ctypes.c_int]
xlib.XSetErrorHandler.argtypes = [ErrorHandler]


def children(display, window):
    """The window's children, bottom first; none for a window closed meanwhile."""
    root, parent = Window(), Window()
    found, count = ctypes.POINTER(Window)(), ctypes.c_uint()
    if not xlib.XQueryTree(display, window, ctypes.byref(root), ctypes.byref(parent), ctypes.byref(found),
                           ctypes.byref(count)):
        return []
    result = [found[i] for i in range(count.value)]
    if count.value:
        xlib.XFree(found)
    return result


def caption(display, window):
    name = ctypes.c_char_p()
    if not xlib.XFetchName(display, window, ctypes.byref(name)) or name.value is None:
        return None
    text = name.value
    xlib.XFree(name)
    return text


def main():
    wanted = sys.argv[1].encode("latin-1")
    end = time.monotonic() + float(sys.argv[2]) if len(sys.argv) > 2 else None
    display = xlib.XOpenDisplay(None)
    if not display:
        sys.exit("keep-on-top: no display")
    # Windows close while they are looked at: their errors are no reason to stop.
    ignore = ErrorHandler(lambda _display, _event: 0)
    xlib.XSetErrorHandler(ignore)
    kept = set()
    while end is None or time.monotonic() < end:
        # The top-level windows of Wine's virtual desktop are children of the desktop's window.
        for desktop in children(display, xlib.XDefaultRootWindow(display)):
            siblings = children(display, desktop)
            for place, window in enumerate(siblings):
                if caption(display, window) != wanted:
                    continue
                if window not in kept:
                    attributes = SetWindowAttributes(backing_store=ALWAYS)
                    xlib.XChangeWindowAttributes(display, window, CW_BACKING_STORE, ctypes.byref(attributes))
                    kept.add(window)
                if place != len(siblings) - 1:
                    xlib.XRaiseWindow(display, window)
        xlib.XSync(display, 0)
        time.sleep(0.02)


main()
