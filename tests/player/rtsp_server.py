#!/usr/bin/python3
"""RTSP test source for the player tests: a live test pattern with a 1 kHz tone.

Serves "/test" on 127.0.0.1 only, on a port the kernel picks (or --port). Prints
"PORT <n>" on standard output once the server listens, then runs until it is killed or
its standard input closes, so a test that dies does not leave it behind.

Further mounts serve what a camera's main stream looks like without a live encoder, which
two cores cannot run at 4K: a pre-encoded elementary stream looped for ever and fed at its
frame rate as a live source, with sound encoded live from a looped raw file or a tone:

    --mount NAME:video=FILE[,audio=aac|pcma|pcmu|none][,sound=FILE][,fps=25]

FILE is H.264 or H.265 in Annex B (by its extension .h264 / .h265) with an access unit
delimiter before every frame and a key frame first. sound= is raw signed 16-bit mono at
48 kHz; it is fed in the same steps as the frames, so a file as long as the video's loop
stays in step with it. --auth USER:PASSWORD puts every mount behind digest authentication.
--tell-connections prints "CONNECTION" for every client connection the server accepts.
"""
import argparse
import math
import struct
import sys
import threading
import time

import gi

gi.require_version("Gst", "1.0")
gi.require_version("GstRtsp", "1.0")
gi.require_version("GstRtspServer", "1.0")
from gi.repository import GLib, Gst, GstRtsp, GstRtspServer  # noqa: E402

LAUNCH = (
    "( videotestsrc is-live=true pattern={pattern} "
    "! video/x-raw,width={w},height={h},framerate={fps}/1 "
    "! x264enc tune=zerolatency speed-preset=ultrafast key-int-max={fps} "
    "! rtph264pay name=pay0 pt=96 config-interval=1 "
    "audiotestsrc is-live=true freq=1000 volume={volume} ! audioconvert ! audioresample "
    "! audio/x-raw,rate=48000,channels=1 ! voaacenc ! aacparse "
    "! rtpmp4gpay name=pay1 pt=97 )"
)

# Access unit delimiters (start code and NAL header) by codec.
DELIMITER = {"h264": b"\x00\x00\x00\x01\x09", "h265": b"\x00\x00\x00\x01\x46\x01"}
VIDEO = {
    "h264": "appsrc name=vsrc caps=video/x-h264,stream-format=byte-stream,alignment=au "
            "{live} ! h264parse ! rtph264pay name=pay0 pt=96 config-interval=1",
    "h265": "appsrc name=vsrc caps=video/x-h265,stream-format=byte-stream,alignment=au "
            "{live} ! h265parse ! rtph265pay name=pay0 pt=96 config-interval=1",
}
# Sound encoders as cameras send them: AAC at 48 kHz, G.711 at 8 kHz.
AUDIO = {
    "aac": "audioconvert ! audioresample ! audio/x-raw,rate=48000 ! voaacenc ! aacparse "
           "! rtpmp4gpay name=pay1 pt=97",
    "pcma": "audioconvert ! audioresample ! audio/x-raw,rate=8000 ! alawenc "
            "! rtppcmapay name=pay1",
    "pcmu": "audioconvert ! audioresample ! audio/x-raw,rate=8000 ! mulawenc "
            "! rtppcmupay name=pay1",
}
SOUND_RATE = 48000
SOUND_SOURCE = ("appsrc name=asrc caps=audio/x-raw,format=S16LE,rate=48000,channels=1,"
                "layout=interleaved {live} ! ")
# A live source: buffers are stamped with the clock as they are pushed; a backlog that
# nobody takes (before play) is dropped from its old end.
LIVE = "is-live=true format=time do-timestamp=true leaky-type=downstream max-buffers=3"


def access_units(path, codec):
    """The frames of an Annex B file, split at its access unit delimiters."""
    with open(path, "rb") as stream:
        data = stream.read()
    marker = DELIMITER[codec]
    starts, at = [], data.find(marker)
    while at >= 0:
        starts.append(at)
        at = data.find(marker, at + 1)
    if not starts or starts[0] != 0:
        raise ValueError("%s does not start with an access unit delimiter" % path)
    return [data[a:b] for a, b in zip(starts, starts[1:] + [len(data)])]


def tone(seconds=1.0, frequency=1000, amplitude=0.5):
    samples = int(SOUND_RATE * seconds)
    peak = int(32767 * amplitude)
    return b"".join(struct.pack("<h", int(peak * math.sin(2 * math.pi * frequency * i /
                                                          SOUND_RATE)))
                    for i in range(samples))


class Feeder:
    """Pushes one frame (and the sound of that frame's span) per tick of the frame rate
    into a media's appsrc elements, from a thread of its own, until the media goes."""

    def __init__(self, fps, frames, sound=None):
        self.fps = fps
        self.frames = frames  # callable: tick -> bytes of that frame
        self.sound = sound    # bytes of raw sound looped, or None
        self.stop = threading.Event()

    def attach(self, media):
        element = media.get_element()
        self.video = element.get_by_name("vsrc")
        self.audio = element.get_by_name("asrc")
        media.connect("unprepared", lambda *_: self.stop.set())
        threading.Thread(target=self._run, daemon=True).start()

    def _run(self):
        began = time.monotonic()
        chunk = 2 * SOUND_RATE // self.fps
        tick = 0
        while not self.stop.is_set():
            due = began + tick / self.fps
            delay = due - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            self.video.emit("push-buffer", Gst.Buffer.new_wrapped(self.frames(tick)))
            if self.audio and self.sound:
                at = (tick * chunk) % len(self.sound)
                piece = (self.sound + self.sound)[at:at + chunk]
                self.audio.emit("push-buffer", Gst.Buffer.new_wrapped(piece))
            tick += 1


def add_fed_factory(server, path, launch, feeder_factory):
    """A shared mount whose media gets a new Feeder each time it is prepared."""
    factory = add_factory(server, path, launch)
    factory.connect("media-configure", lambda _f, media: feeder_factory().attach(media))
    return factory


def add_file_mount(server, path, recipe):
    """One --mount NAME:key=value,... (path is "/NAME")."""
    fields = dict(item.split("=", 1) for item in recipe.split(",") if item)
    video = fields["video"]
    codec = video.rsplit(".", 1)[-1]
    if codec not in VIDEO:
        raise ValueError("video file must end in .h264 or .h265: %s" % video)
    fps = int(fields.get("fps", "25"))
    units = access_units(video, codec)
    parts = [VIDEO[codec].format(live=LIVE)]
    audio = fields.get("audio", "none")
    sound = None
    if audio != "none":
        parts.append(SOUND_SOURCE.format(live=LIVE) + AUDIO[audio])
        if "sound" in fields:
            with open(fields["sound"], "rb") as raw:
                sound = raw.read()
        else:
            sound = tone()
    launch = "( " + " ".join(parts) + " )"
    return add_fed_factory(server, path, launch,
                           lambda: Feeder(fps, lambda tick: units[tick % len(units)], sound))


def protect(server, credentials, factories):
    """Digest authentication for every factory: only USER:PASSWORD may open them."""
    user, password = credentials.split(":", 1)
    auth = GstRtspServer.RTSPAuth()
    auth.set_supported_methods(GstRtsp.RTSPAuthMethod.DIGEST)
    token = GstRtspServer.RTSPToken()
    token.set_string("media.factory.role", user)
    auth.add_digest(user, password, token)
    server.set_auth(auth)
    permissions = GstRtspServer.RTSPPermissions()
    permissions.add_permission_for_role(user, "media.factory.access", True)
    permissions.add_permission_for_role(user, "media.factory.construct", True)
    for factory in factories:
        factory.set_permissions(permissions)


def add_factory(server, path, launch):
    factory = GstRtspServer.RTSPMediaFactory()
    factory.set_launch(launch)
    factory.set_shared(True)
    server.get_mount_points().add_factory(path, factory)
    return factory


def tell_connections(server):
    server.connect("client-connected", lambda *_: print("CONNECTION", flush=True))


def serve(server):
    """Attaches server, prints its port and runs until standard input closes."""
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


def make_server(port):
    Gst.init(None)
    server = GstRtspServer.RTSPServer()
    server.set_address("127.0.0.1")
    server.set_service(str(port))
    return server


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
    parser.add_argument("--mount", action="append", default=[], metavar="NAME:RECIPE")
    parser.add_argument("--auth", metavar="USER:PASSWORD")
    parser.add_argument("--tell-connections", action="store_true")
    args = parser.parse_args()

    server = make_server(args.port)
    factories = [add_factory(server, "/test", LAUNCH.format(
        w=args.width, h=args.height, fps=args.fps, volume=args.volume, pattern=args.pattern))]
    for mount in args.mount:
        name, recipe = mount.split(":", 1)
        factories.append(add_file_mount(server, "/" + name, recipe))
    if args.auth:
        protect(server, args.auth, factories)
    if args.tell_connections:
        tell_connections(server)
    return serve(server)


if __name__ == "__main__":
    sys.exit(main())
