#!/usr/bin/python3
"""RTSP test source for the player tests: a live test pattern with a 1 kHz tone.

Serves "/test" on 127.0.0.1 only, on a port the kernel picks (or --port). Prints
"PORT <n>" on standard output once the server listens, then runs until it is killed or
its standard input closes, so a test that dies does not leave it behind.
"""
import argparse
import sys
import threading

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

LAUNCH = (
    "( videotestsrc is-live=true pattern={pattern} "
    "! video/x-raw,width={w},height={h},framerate={fps}/1 "
    "! x264enc tune=zerolatency speed-preset=ultrafast key-int-max={fps} "
    "! rtph264pay name=pay0 pt=96 config-interval=1 "
    "audiotestsrc is-live=true freq=1000 volume={volume} ! audioconvert ! audioresample "
    "! audio/x-raw,rate=48000,channels=1 ! voaacenc ! aacparse "
    "! rtpmp4gpay name=pay1 pt=97 )"
)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--width", type=int, default=640)
    parser.add_argument("--height", type=int, default=360)
    parser.add_argument("--fps", type=int, default=25)
    parser.add_argument("--volume", type=float, default=0.5)
    # videotestsrc's pattern names; "smpte" is the colour bars the screen tests sample.
    parser.add_argument("--pattern", default="smpte",
                        choices=["smpte", "snow", "black", "white", "red", "green", "blue",
                                 "ball", "smpte75", "bar"])
    args = parser.parse_args()

    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(args.port))
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(LAUNCH.format(w=args.width, h=args.height, fps=args.fps,
                                     volume=args.volume, pattern=args.pattern))
    factory.set_shared(True)
    server.get_mount_points().add_factory("/test", factory)
    if server.attach(None) == 0:
        print("attach failed", file=sys.stderr)
        return 1

    loop = GLib.MainLoop()
    print("PORT %d" % server.get_bound_port(), flush=True)

    def watch_stdin():
        sys.stdin.read()
        GLib.idle_add(loop.quit)

    threading.Thread(target=watch_stdin, daemon=True).start()
    loop.run()
    return 0


if __name__ == "__main__":
    sys.exit(main())
