#!/usr/bin/python3
"""Live RTSP streams whose pictures carry the sender's clock, for the preview benchmark.

Serves on 127.0.0.1 (port printed as "PORT <n>", like tests/player/rtsp_server.py, and
ending when standard input closes):
  /stamp       1280x720, 25 fps, H.264 (x264 zerolatency), a key frame every second
  /stamp265    the same in H.265 (x265 zerolatency, one slice a picture)
  /stamp1080   the same at 1920x1080
  /fresh1080   as /stamp1080, but each session has an encoder of its own, which starts
               with a key frame
  /flash       640x360, 25 fps, H.264 + AAC: black and silent, but every second three
               frames are white while a 1 kHz tone sounds, starting on the same tick

Each stamped picture shows, in its top 160 rows, the monotonic clock (CLOCK_MONOTONIC,
milliseconds modulo 65536) at the moment the frame was handed to the encoder: 16 cells of
80x80 pixels, most significant bit first, white for 1, and below them the same 16 cells
inverted, so a reader can tell a whole stamp from a torn or half-painted one. The rest of
the picture is a moving diagonal pattern, so the encoder and the decoders have real work.
"""
import os
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "player"))
import rtsp_server  # noqa: E402

CELL = 80
BITS = 16
BLACK, WHITE, GREY = 16, 235, 128
FPS = 25
# A flash lasts this many frames and comes every FPS frames.
FLASH_FRAMES = 3

ENCODE = ("appsrc name=vsrc caps=video/x-raw,format=I420,width={w},height={h},"
          "framerate={fps}/1 {live} ! x264enc tune=zerolatency speed-preset=ultrafast "
          "key-int-max={fps} ! video/x-h264,profile=constrained-baseline "
          "! rtph264pay name=pay0 pt=96 config-interval=1")
ENCODE_265 = ("appsrc name=vsrc caps=video/x-raw,format=I420,width={w},height={h},"
              "framerate={fps}/1 {live} ! x265enc tune=zerolatency speed-preset=ultrafast "
              "key-int-max={fps} ! video/x-h265,profile=main "
              "! rtph265pay name=pay0 pt=96 config-interval=1")


def stamp_rows(value):
    """The two rows of stamp cells for value: bits, then their complement."""
    bits = [(value >> (BITS - 1 - i)) & 1 for i in range(BITS)]
    row = b"".join(bytes([WHITE if bit else BLACK]) * CELL for bit in bits)
    inverse = b"".join(bytes([BLACK if bit else WHITE]) * CELL for bit in bits)
    return row, inverse


class StampedFrames:
    """I420 frames of w x h: a moving background under the sender's clock."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        base = bytes((x * 7 + (x // 16) * 29) & 255 for x in range(w + 4 * h + 8 * FPS))
        luma = []
        for k in range(FPS):
            rows = [base[y * 3 + k * 8:y * 3 + k * 8 + w] for y in range(h)]
            luma.append(b"".join(rows))
        self.luma = luma
        self.chroma = bytes([GREY]) * (2 * (w // 2) * (h // 2))
        self.pad = bytes([GREY]) * (w - BITS * CELL) if w > BITS * CELL else b""

    def __call__(self, tick):
        frame = bytearray(self.luma[tick % FPS])
        row, inverse = stamp_rows(int(time.monotonic() * 1000) & 0xFFFF)
        row, inverse = row + self.pad, inverse + self.pad
        w = self.w
        for y in range(CELL):
            frame[y * w:(y + 1) * w] = row
            frame[(y + CELL) * w:(y + CELL + 1) * w] = inverse
        return bytes(frame) + self.chroma


class FlashFrames:
    """I420 frames of w x h, white for FLASH_FRAMES ticks of every FPS, else black."""

    def __init__(self, w, h):
        chroma = bytes([GREY]) * (2 * (w // 2) * (h // 2))
        self.white = bytes([WHITE]) * (w * h) + chroma
        self.black = bytes([BLACK]) * (w * h) + chroma

    def __call__(self, tick):
        return self.white if tick % FPS < FLASH_FRAMES else self.black


def beep_loop():
    """One second of sound in the flash's rhythm: the tone for the flash's span, then
    silence (the feeder pushes it in the same steps as the frames)."""
    tone = rtsp_server.tone(seconds=FLASH_FRAMES / FPS, amplitude=0.5)
    return tone + bytes(2 * rtsp_server.SOUND_RATE - len(tone))


def main():
    server = rtsp_server.make_server(0)
    live = rtsp_server.LIVE
    for path, (w, h), shared, encode in (("/stamp", (1280, 720), True, ENCODE),
                                         ("/stamp265", (1280, 720), True, ENCODE_265),
                                         ("/stamp1080", (1920, 1080), True, ENCODE),
                                         ("/fresh1080", (1920, 1080), False, ENCODE)):
        launch = "( " + encode.format(w=w, h=h, fps=FPS, live=live) + " )"
        # Made once: building the pictures takes longer than a session's start.
        frames = StampedFrames(w, h)
        factory = rtsp_server.add_fed_factory(
            server, path, launch, lambda frames=frames: rtsp_server.Feeder(FPS, frames))
        factory.set_shared(shared)
    flash = ("( " + ENCODE.format(w=640, h=360, fps=FPS, live=live) + " "
             + rtsp_server.SOUND_SOURCE.format(live=live) + rtsp_server.AUDIO["aac"] + " )")
    rtsp_server.add_fed_factory(
        server, "/flash", flash,
        lambda: rtsp_server.Feeder(FPS, FlashFrames(640, 360), beep_loop()))
    return rtsp_server.serve(server)


if __name__ == "__main__":
    sys.exit(main())
