#!/usr/bin/python3
"""Small X helpers for the demonstration, on the display named by DISPLAY:

  xwindow.py probe             exit 0 when the display accepts a connection
  xwindow.py shot FILE.png     the whole screen as a PNG
  xwindow.py close CLASS       asks every top-level window of that WM_CLASS to close, as a
                               window manager's close button does; exit 1 when none exists
  xwindow.py fill CLASS SECS   waits up to SECS for such a window and gives it the whole
                               screen, as a window manager maximizes (Xvfb has none)
"""
import time
import os
import struct
import sys
import zlib

from Xlib import X, display, protocol


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def write_png(path, width, height, rgb):
    stride = width * 3
    rows = b"".join(b"\0" + rgb[y * stride:(y + 1) * stride] for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header)
            + png_chunk(b"IDAT", zlib.compress(rows, 6)) + png_chunk(b"IEND", b""))
    with open(path + ".part", "wb") as f:
        f.write(data)
    # A reader never sees half a picture.
    os.replace(path + ".part", path)


def shot(d, path):
    root = d.screen().root
    geometry = root.get_geometry()
    width, height = geometry.width, geometry.height
    image = root.get_image(0, 0, width, height, X.ZPixmap, 0xFFFFFFFF)
    pixels = image.data
    if len(pixels) != width * height * 4:
        raise RuntimeError("unexpected pixel format (depth %d)" % image.depth)
    rgb = bytearray(width * height * 3)
    rgb[0::3] = pixels[2::4]  # 32-bit pixels are stored blue, green, red, unused
    rgb[1::3] = pixels[1::4]
    rgb[2::3] = pixels[0::4]
    write_png(path, width, height, bytes(rgb))


def windows_of(d, wm_class):
    found = []
    for window in d.screen().root.query_tree().children:
        try:
            if (wm_class in (window.get_wm_class() or ())
                    and window.get_attributes().map_state == X.IsViewable):
                found.append(window)
        except Exception:
            continue  # gone while we looked
    return found


def fill(d, wm_class, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        windows = windows_of(d, wm_class)
        if windows:
            root = d.screen().root.get_geometry()
            filled = False
            for window in windows:
                # The size the program gave its window, for the tests. A window of the
                # program's start (Wine makes and drops some) may be gone by now.
                try:
                    shown = window.get_geometry()
                except Exception:
                    continue
                print("filled %s from %dx%d" % (wm_class, shown.width, shown.height),
                      file=sys.stderr)
                window.configure(x=0, y=0, width=root.width, height=root.height)
                filled = True
            d.sync()
            if filled:
                return True
        time.sleep(0.2)
    return False


def close(d, wm_class):
    protocols = d.intern_atom("WM_PROTOCOLS")
    delete = d.intern_atom("WM_DELETE_WINDOW")
    found = 0
    for window in windows_of(d, wm_class):
        event = protocol.event.ClientMessage(window=window, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        window.send_event(event, event_mask=X.NoEventMask)
        found += 1
    d.flush()
    return found


def main(argv):
    if len(argv) < 2 or argv[1] not in ("probe", "shot", "close", "fill"):
        print(__doc__, file=sys.stderr)
        return 2
    try:
        d = display.Display()
    except Exception as error:
        if argv[1] != "probe":
            print("xwindow: %s" % error, file=sys.stderr)
        return 1
    d.set_error_handler(lambda *args: None)
    try:
        if argv[1] == "shot":
            shot(d, argv[2])
        elif argv[1] == "close":
            return 0 if close(d, argv[2]) else 1
        elif argv[1] == "fill":
            return 0 if fill(d, argv[2], float(argv[3])) else 1
        return 0
    except Exception as error:  # the server went away under us
        print("xwindow: %s" % error, file=sys.stderr)
        return 1
    finally:
        try:
            d.close()
        except Exception:
            pass


if __name__ == "__main__":
    sys.exit(main(sys.argv))
