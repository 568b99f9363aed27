#!/usr/bin/env bash
# Runs one GoogleTest case inside its own pair of private network namespaces. Listing the
# cases sends nothing, so it runs directly: CTest lists them without root.
#   netns-gtest.sh TEST_BINARY [GTEST ARGS...]
set -euo pipefail
for arg in "$@"; do
  if [ "$arg" = "--gtest_list_tests" ]; then exec "$@"; fi
done
exec "$(dirname "$0")/../../scripts/netns-run.sh" -- "$@"
