#!/usr/bin/env bash
# Asks an X window to close the way a click on its close box does under a window manager: a
# WM_DELETE_WINDOW message, which Wine turns into SC_CLOSE unless the window is disabled. The
# test display has no window manager, this xdotool has no such command (its windowclose
# destroys the X window behind Wine's back), and Alt+F4 goes to whichever window has the
# keyboard focus, which is the modal dialog rather than the disabled owner beneath it.
#   x_close_window.sh WINDOW_ID      (DISPLAY must be set)
set -euo pipefail

exec python3 - "$1" <<'PYTHON'
import ctypes
import sys

xlib = ctypes.CDLL("libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]


class ClientMessage(ctypes.Structure):
    _fields_ = [
        ("type", ctypes.c_int),
        ("serial", ctypes.c_ulong),
        ("send_event", ctypes.c_int),
        ("display", ctypes.c_void_p),
        ("window", ctypes.c_ulong),
        ("message_type", ctypes.c_ulong),
        ("format", ctypes.c_int),
        ("data", ctypes.c_long * 5),
    ]


class Event(ctypes.Union):
    # Xlib copies a whole XEvent, 24 longs, whichever member is filled in.
    _fields_ = [("client", ClientMessage), ("size", ctypes.c_long * 24)]


xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                            ctypes.POINTER(Event)]
xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

CLIENT_MESSAGE = 33
display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("x_close_window: cannot open the X display")
window = int(sys.argv[1], 0)
event = Event()
event.client.type = CLIENT_MESSAGE
event.client.window = window
event.client.message_type = xlib.XInternAtom(display, b"WM_PROTOCOLS", 0)
event.client.format = 32
event.client.data[0] = xlib.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
event.client.data[1] = 0  # CurrentTime
if not xlib.XSendEvent(display, window, 0, 0, ctypes.byref(event)):
    sys.exit("x_close_window: XSendEvent failed")
xlib.XSync(display, 0)
xlib.XCloseDisplay(display)
PYTHON
