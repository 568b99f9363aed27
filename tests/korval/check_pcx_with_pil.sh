#!/usr/bin/env bash
# Runs the korval tests that produce PCX files, keeping every PCX they make together with
# the pixels our reader takes from it (KORVAL_PCX_DIR), then has Python's PIL read each
# kept file and compare its pixels with ours.
#   check_pcx_with_pil.sh <korval_graphics_tests> <check_pcx_pixels.py>
set -euo pipefail
tests="$1"
compare="$2"
dir="$(mktemp -d "/tmp/korval-pcx-$$-XXXXXX")"
trap 'rm -rf "$dir"' EXIT

# The suites that write PCX: encoders and BMP conversion, the graphic and TrueType
# commands, and the worked example printed through CUPS.
filter='PcxEncoding.*:BmpConversion.*:GraphicsCommandTest.*:TextCommandTest.*'
filter+=':LabelEndToEndTest.DeviceLabelWorkedExample'
if ! KORVAL_PCX_DIR="$dir" "$tests" --gtest_filter="$filter" >"$dir/tests.log" 2>&1; then
  tail -n 60 "$dir/tests.log"
  exit 1
fi
/usr/bin/python3 "$compare" "$dir"
