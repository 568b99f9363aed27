#!/usr/bin/env bash
# 100,000 made-up cameras answer one search within 1 s, and a simulated camera answers in
# the middle of that burst; a 3-second search must list them all. Everything runs in a
# private pair of network namespaces (scripts/netns-run.sh).
#   bench/velto/flood-scale.sh [benchmark options]
exec "$(dirname "$0")/run-scale.sh" velto_flood_bench \
    "--count 1 --delay-min 450 --delay-max 550 --flood 100000 --flood-ms 1000" "$@"
