#!/usr/bin/env bash
# The test suite's soak and scale cases at their full size, which the suite itself runs at
# about a tenth: four stations printing 250 labels each through one register, the same
# code at two stations 20 times, 1,000 scans recorded, 10 kills in 500 scans, and a
# 100,000-line import. Needs root (the suites start CUPS and PostgreSQL as other users)
# and a release build in build/.
# usage: sudo bench/soak/soak-tests.sh [extra ctest arguments]
set -euo pipefail
cd "$(dirname "$0")/../../build"
LANKIT_SOAK=1 ctest --output-on-failure --timeout 3600 "$@" -R \
  '^(StationsTest\.(FourLoopsAtOnceGiveDistinctSerials|SameCodeAtTwoStationsPrintsOnce)|ScanRecordTest\.(EveryScanIsRecorded|SerialsSurviveKills)|SqlRegisterTest\.ImportOfALargeFileRoundTripsAndHappensOnce)$'
