#!/usr/bin/env bash
# 1,000 simulated cameras answer one search within 50 ms; lankit's protocol lists them.
# Everything runs in a private pair of network namespaces (scripts/netns-run.sh).
#   bench/velto/search-scale.sh [benchmark options, e.g. --benchmark_filter=/1000]
exec "$(dirname "$0")/run-scale.sh" velto_search_bench "--count 1000 --delay-min 0 --delay-max 50" "$@"
