#!/usr/bin/env bash
# label-preview on a job of 10^6 commands (about 21 MB): lines, boxes, printer-font text
# and moves, with a print every thousand commands. Reports wall and CPU time, the peak
# resident size and the labels written.
#   bench/korval/label-preview-million.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build}"
work="$(mktemp -d /tmp/label-preview-bench.XXXXXX)"
trap 'rm -rf "$work"' EXIT
python3 - "$work/job.prn" <<'PY'
import sys
lines = [b"N", b"q832", b"Q1218,24"]
kinds = [
    lambda i: b"LO%d,%d,3,3" % (i % 800, i % 1200),
    lambda i: b'T%d,%d,0,3,1,1,N,"Serial %06d"' % (i % 800, i % 1200, i),
    lambda i: b"LS%d,%d,1,%d,%d" % (i % 800, i % 1200, (i * 7) % 800, (i * 3) % 1200),
    lambda i: b"R%d,%d" % (i % 7, i % 5),
    lambda i: b"W1,1\r\nN" if i % 1000 == 999 else b"R0,0",
]
i = 0
while len(lines) < 1000000:
    lines.append(kinds[i % 5](i))
    i += 1
with open(sys.argv[1], "wb") as f:
    f.write(b"\r\n".join(lines) + b"\r\nW1,1\r\n")
PY
echo "job: $(stat -c %s "$work/job.prn") bytes, $(grep -c $'\r' "$work/job.prn") command lines"
/usr/bin/time -f "label-preview: %e s wall, %U s user, %S s system, %M KB peak resident" \
  "$build/bin/label-preview" -o "$work/label" "$work/job.prn" >"$work/out" 2>"$work/err" || true
tail -n 1 "$work/err"
echo "labels written: $(wc -l <"$work/out"); notes: $(grep -c 'offset' "$work/err" || true)"
