#!/usr/bin/env bash
# The main window listing a crowd of simulated cameras: CPU, GUI-thread stalls and memory
# for N = 1,000, 10,000 and 20,000, side by side, and the idle CPU with 1,000 listed.
# Each run puts the window under a private Xvfb in one private network namespace and
# velto-sim in the other (scripts/netns-run.sh); nothing reaches a real interface.
#   bench/table/table-scale.sh [--bin DIR] [--counts "1000 10000 20000"] [--idle SECONDS]
#                              [--search SECONDS]
# The search lasts 3 s as configured by default; on a loaded machine the simulator may
# not get every reply out in time (fewer rows than cameras), and a longer one helps.
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "network namespaces need root; use sudo" >&2; exit 1; }
bin="$PWD/build/bin" counts="1000 10000 20000" idle=60 search=3
while [ $# -gt 0 ]; do
  case "$1" in
    --bin) bin="$(cd "$2" && pwd)"; shift 2 ;;
    --counts) counts="$2"; shift 2 ;;
    --idle) idle="$2"; shift 2 ;;
    --search) search="$2"; shift 2 ;;
    *) echo "usage: $0 [--bin DIR] [--counts LIST] [--idle SECONDS] [--search SECONDS]" >&2; exit 2 ;;
  esac
done
for program in table_scale_bench velto-sim; do
  [ -x "$bin/$program" ] || { echo "$bin/$program is missing: cmake --build build --target $program" >&2; exit 1; }
done

# The program's own messages go to one file, kept for a look afterwards.
log="$(mktemp /tmp/table-scale.XXXXXX.log)"
echo "messages: $log" >&2

# One run: the window against n cameras that all answer within the search's first
# seconds, half a second before its end.
run() {
  local n="$1" idle_seconds="$2"
  local sim="$bin/velto-sim --interface lkB --count $n --delay-min 0 --delay-max $((search * 1000 - 500)) --http-port 0 --quiet"
  local events
  events="$(mktemp /tmp/table-scale-sim.XXXXXX)"
  # The window searches as it opens, so it starts once every camera is up.
  timeout 600 scripts/netns-run.sh --peer "$sim >'$events'" -- bash -c '
    for _ in $(seq 600); do grep -q ready "$0" && break; sleep 0.1; done
    grep -q ready "$0" || { echo "velto-sim did not get ready" >&2; exit 1; }
    shift; exec "$@"' "$events" -- /usr/bin/python3 tests/video/run_in_xvfb.py \
    "$bin/table_scale_bench" --expect "$n" --idle "$idle_seconds" --search "$search" 2>>"$log"
  rm -f "$events"
}

printf '%-8s %s\n' cameras result
for n in $counts; do
  printf '%-8s %s\n' "$n" "$(run "$n" 0)"
done
if [ "$idle" -gt 0 ]; then
  printf '%-8s %s\n' "1000" "$(run 1000 "$idle")  (idle over ${idle} s)"
fi
