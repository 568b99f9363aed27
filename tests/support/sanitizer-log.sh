#!/usr/bin/env bash
# Runs one test of a sanitized build with every sanitizer report written to a private
# folder, and prints the reports after the test. A report of a program the test starts
# (lankitctl, velto-sim, lankit) would otherwise be lost wherever the test drops or
# captures that program's standard error; this way each one reaches CTest's output.
#   sanitizer-log.sh COMMAND [ARGS...]
set -uo pipefail
logs="$(mktemp -d "${TMPDIR:-/tmp}/lankit-sanitizer.XXXXXX")"
trap 'rm -rf "$logs"' EXIT
# Each process writes to <log_path>.<pid>; the option is common to all the sanitizers.
for name in ASAN_OPTIONS UBSAN_OPTIONS TSAN_OPTIONS; do
  if [ -n "${!name:-}" ]; then export "$name=${!name}:log_path=$logs/report"; fi
done
"$@"
status=$?
for report in "$logs"/report.*; do
  [ -e "$report" ] || continue
  echo "==== sanitizer report of process ${report##*.} (test exit status $status) ====" >&2
  cat "$report" >&2
done
exit "$status"
