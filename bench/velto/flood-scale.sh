#!/usr/bin/env bash
# 100,000 made-up cameras answer one search within 1 s, and a simulated camera answers in
# the middle of that burst; a 3-second search must list them all. Everything runs in a
# private pair of network namespaces (scripts/netns-run.sh).
#   bench/velto/flood-scale.sh [benchmark options]
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "network namespaces need root; use sudo" >&2; exit 1; }
dir="$(scripts/build.sh release | tail -n 1)"
bin="$PWD/$dir/bin"
sim="$bin/velto-sim --interface lkB --count 1 --delay-min 450 --delay-max 550 --http-port 0"
sim="$sim --flood 100000 --flood-ms 1000 --quiet"
exec scripts/netns-run.sh --peer "$sim >/dev/null" -- "$bin/velto_flood_bench" "$@"
