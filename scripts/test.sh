#!/usr/bin/env bash
# Installs what the project needs, builds it and runs the whole test suite.
#   test.sh              Release build in build/
#   test.sh --sanitize   the same tests in an ASan + UBSan build in build-asan/
#   test.sh --thread     the same tests in a ThreadSanitizer build in build-tsan/
# Extra arguments after -- go to ctest (for example -- -R korval).
set -euo pipefail
cd "$(dirname "$0")/.."

kind=release
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) kind=sanitize; shift ;;
    --thread) kind=thread; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done

scripts/install-deps.sh
dir="$(scripts/build.sh "$kind" | tail -n 1)"
# ThreadSanitizer reads its suppressions (system libraries only) from here, in every test.
if [ "$kind" = thread ]; then
  export TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp${TSAN_OPTIONS:+ $TSAN_OPTIONS}"
fi
cd "$dir"
ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
