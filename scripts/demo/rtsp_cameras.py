#!/usr/bin/python3
"""Live RTSP streams for the demonstration's simulated cameras.

Camera N (1-based) is served as rtsp://<its address>:<port>/camN, on its own address
only: a test pattern of its own with its name and address written over it, the running
time, and a tone of its own pitch. A stream is encoded only while a client watches it.
Prints one JSON object per line on standard output ("ready", then "client" for every
connection and "play" for every PLAY request), and runs until SIGINT or SIGTERM.

usage: rtsp_cameras.py [--port 8554] ADDRESS...
"""
import argparse
import ipaddress
import json
import signal
import sys

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtspServer  # noqa: E402

PATTERNS = ["smpte", "ball", "pinwheel", "spokes", "colors", "circular", "gradient",
            "checkers-8", "zone-plate", "bar"]

LAUNCH = (
    "( videotestsrc is-live=true pattern={pattern} "
    "! video/x-raw,width=640,height=360,framerate=25/1 "
    "! textoverlay text=\"{title}\" font-desc=\"Sans Bold 26\" valignment=top halignment=left "
    "shaded-background=true "
    "! timeoverlay valignment=bottom halignment=right font-desc=\"Sans 16\" "
    "shaded-background=true "
    "! videoconvert ! x264enc tune=zerolatency speed-preset=ultrafast key-int-max=25 "
    "! rtph264pay name=pay0 pt=96 config-interval=1 "
    "audiotestsrc is-live=true freq={freq} volume=0.2 ! audioconvert ! audioresample "
    "! audio/x-raw,rate=48000,channels=1 ! voaacenc ! aacparse "
    "! rtpmp4gpay name=pay1 pt=97 )"
)


def emit(event, **fields):
    fields["event"] = event
    print(json.dumps(fields, sort_keys=True), flush=True)


def launch_line(number, address):
    return LAUNCH.format(pattern=PATTERNS[(number - 1) % len(PATTERNS)],
                         title="Camera %d  %s" % (number, address),
                         freq=330 + 110 * ((number - 1) % 8))


def on_client(server, client, number):
    address = client.get_connection().get_ip()
    emit("client", camera=number, address=address)
    client.connect("play-request",
                   lambda _client, context: emit("play", camera=number, address=address,
                                                 path=context.uri.abspath))


def make_server(number, address, port):
    server = GstRtspServer.RTSPServer()
    server.set_address(address)
    server.set_service(str(port))
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(launch_line(number, address))
    factory.set_shared(True)
    server.get_mount_points().add_factory("/cam%d" % number, factory)
    server.connect("client-connected", on_client, number)
    if server.attach(None) == 0:
        raise RuntimeError("cannot listen on %s:%d" % (address, port))
    return server


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--port", type=int, default=8554)
    parser.add_argument("addresses", nargs="+", type=ipaddress.IPv4Address)
    args = parser.parse_args()

    Gst.init(None)
    try:
        servers = [make_server(number, str(address), args.port)
                   for number, address in enumerate(args.addresses, start=1)]
    except RuntimeError as error:
        print("rtsp_cameras: %s" % error, file=sys.stderr)
        return 1
    loop = GLib.MainLoop()
    for signum in (signal.SIGINT, signal.SIGTERM):
        GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signum, loop.quit)
    emit("ready", port=args.port,
         urls=["rtsp://%s:%d/cam%d" % (address, args.port, number)
               for number, address in enumerate(args.addresses, start=1)])
    loop.run()
    del servers
    return 0


if __name__ == "__main__":
    sys.exit(main())
