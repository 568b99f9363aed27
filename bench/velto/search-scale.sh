#!/usr/bin/env bash
# 1,000 simulated cameras answer one search within 50 ms; lankit's protocol lists them.
# Everything runs in a private pair of network namespaces (scripts/netns-run.sh).
#   bench/velto/search-scale.sh [benchmark options, e.g. --benchmark_filter=/1000]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "network namespaces need root; use sudo" >&2; exit 1; }
dir="$(scripts/build.sh release | tail -n 1)"
bin="$PWD/$dir/bin"
sim="$bin/velto-sim --interface lkB --count 1000 --delay-min 0 --delay-max 50 --http-port 0 --quiet"
exec scripts/netns-run.sh --peer "$sim >/dev/null" -- "$bin/velto_search_bench" "$@"
