#!/usr/bin/python3
"""A long run of the demonstration (scripts/run.sh under Xvfb), not run by CI: the window
searches every 10 s (its header's Search button) and, in between, the preview switches
to the next row every 5 s (a click on that row), both as real X clicks. Every second it
samples:

  - responsiveness: the time the program's GUI thread takes to hand over the clipboard
    it owns (xclip -o asks the program's window; the GUI thread answers), beside the
    same tool's cost against the X server alone (xdotool getmouselocation);
  - memory: the resident size of the lankit process;
and at the end scans the program's log for errors. Prints one line a minute and a
summary. Needs root and a build (build/bin).

usage: sudo bench/soak/soak.py [--minutes 30] [--search-every 10] [--switch-every 5]
"""
import argparse
import os
import re
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "app"))
from demo_session import ADDRESSES, DemoSession  # noqa: E402

# Lines of a healthy session that carry these words: no VAAPI device under Xvfb, no sound
# server in the namespace, and the end of a stream that the program closed itself.
BENIGN = ("Failed to create specified HW device", "hw decoder init failure",
          "PulseAudioService", "End of file", "eof send NULL")
ERROR_WORDS = re.compile(r"error|fail|timeout|timed out|invalid|refused|abort", re.I)


def timed(command):
    start = time.monotonic()
    command()
    return (time.monotonic() - start) * 1000.0


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))]


class Soak:
    def __init__(self, session, args):
        self.s = session
        self.args = args
        self.samples = []  # (seconds, rss KiB, clipboard ms, X server ms)
        self.buttons = None

    def own_clipboard(self):
        """Copies the first row, so that the program owns the clipboard from now on."""
        s = self.s
        s.click(s.window, *s.table_cell(0, 2))
        s.key(s.window, "ctrl+c")
        return s.clipboard().strip()

    def sample(self, elapsed):
        s = self.s
        answer = []
        clip_ms = timed(lambda: answer.append(s.clipboard()))
        server_ms = timed(lambda: s.xdo("getmouselocation"))
        rss = s.rss_kib()
        self.samples.append((elapsed, rss, clip_ms, server_ms, bool(answer[0].strip())))

    def act(self, second, row):
        s = self.s
        if second % self.args.search_every == 0:
            s.click(s.window, self.buttons[1], 14)
            return row
        if second % self.args.switch_every == 0:
            row = (row + 1) % len(ADDRESSES)
            s.click(s.window, *s.table_cell(row, 2))
        return row

    def minute_line(self, minute, rows):
        rss = [r[1] for r in rows if r[1]]
        clip = [r[2] for r in rows]
        return ("minute %3d  rss %6.1f MiB (max %6.1f)  clipboard round trip median %6.1f ms"
                "  p99 %7.1f ms  max %7.1f ms  X server alone median %5.1f ms  "
                "searches %d  stream starts %d" % (
                    minute, rss[-1] / 1024.0, max(rss) / 1024.0, statistics.median(clip),
                    percentile(clip, 0.99), max(clip),
                    statistics.median(r[3] for r in rows), len(self.s.searches()),
                    len(self.s.rtsp_events("play"))))

    def run(self):
        s = self.s
        header = os.path.join(s.out, "header.png")
        self.buttons = s.find_header_buttons(header)
        if len(self.buttons) != 5:
            raise RuntimeError("header buttons not found: %s" % self.buttons)
        print("clipboard holds: %r" % self.own_clipboard(), flush=True)
        start = time.monotonic()
        total = self.args.minutes * 60
        row, second, minute_start = 0, 0, 0
        while second < total:
            second += 1
            # Actions and samples keep to a one-second beat measured from the start.
            delay = start + second - time.monotonic()
            if delay > 0:
                time.sleep(delay)
            row = self.act(second, row)
            self.sample(time.monotonic() - start)
            if second % 60 == 0:
                print(self.minute_line(second // 60, self.samples[minute_start:]), flush=True)
                minute_start = len(self.samples)
        if s.proc.poll() is not None:
            raise RuntimeError("the demo ended during the soak:\n" + s.output())

    def summary(self):
        s = self.s
        rss = [r[1] for r in self.samples if r[1]]
        clip = [r[2] for r in self.samples]
        per_minute = max(1, len(rss) // self.args.minutes)
        first_minute = statistics.median(rss[:per_minute])
        last_minute = statistics.median(rss[-per_minute:])
        searches = s.searches()
        answered = sum(1 for n in range(len(searches)) if s.replies_to(n) == ADDRESSES)
        log = s.program_log()
        errors = [line for line in log.splitlines()
                  if ERROR_WORDS.search(line) and not any(b in line for b in BENIGN)]
        lost = sum(1 for r in self.samples if not r[4])
        print("\nsummary over %d min, %d samples" % (self.args.minutes, len(self.samples)))
        print("  resident size: first minute %.1f MiB, last minute %.1f MiB, max %.1f MiB,"
              " growth %+.1f MiB" % (first_minute / 1024.0, last_minute / 1024.0,
                                     max(rss) / 1024.0, (last_minute - first_minute) / 1024.0))
        print("  GUI round trip (clipboard): median %.1f ms, p99 %.1f ms, max %.1f ms;"
              " unanswered %d" % (statistics.median(clip), percentile(clip, 0.99), max(clip),
                                  lost))
        print("  X server alone: median %.1f ms" % statistics.median(r[3] for r in self.samples))
        print("  searches %d, answered by all %d cameras: %d; stream starts seen by the RTSP"
              " server: %d" % (len(searches), len(ADDRESSES), answered,
                               len(s.rtsp_events("play"))))
        print("  log: %d lines, %d error lines" % (len(log.splitlines()), len(errors)))
        for line in errors[:20]:
            print("    " + line[:200])


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--minutes", type=int, default=30)
    parser.add_argument("--search-every", type=int, default=10)
    parser.add_argument("--switch-every", type=int, default=5)
    args = parser.parse_args()
    if os.geteuid() != 0:
        print("soak: needs root (network namespaces)", file=sys.stderr)
        return 2
    session = DemoSession(language="en", seconds=args.minutes * 60 + 120, every=60)
    try:
        session.start()
        print("soak: demo up (output in %s); %d minutes" % (session.out, args.minutes),
              flush=True)
        soak = Soak(session, args)
        soak.run()
        soak.summary()
    finally:
        print("soak: demo ended with %s" % session.interrupt())
    return 0


if __name__ == "__main__":
    sys.exit(main())
