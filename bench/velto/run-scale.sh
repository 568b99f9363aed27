#!/usr/bin/env bash
# One scale benchmark against velto-sim, each in its own network namespace of a private
# pair (scripts/netns-run.sh); the simulator's output is discarded.
#   bench/velto/run-scale.sh BENCH "VELTO-SIM OPTIONS" [benchmark options]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "network namespaces need root; use sudo" >&2; exit 1; }
bench="$1"
sim_options="$2"
shift 2
dir="$(scripts/build.sh release | tail -n 1)"
bin="$PWD/$dir/bin"
exec scripts/netns-run.sh --peer "$bin/velto-sim --interface lkB --http-port 0 --quiet $sim_options >/dev/null" \
    -- "$bin/$bench" "$@"
