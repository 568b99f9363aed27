#!/usr/bin/env bash
# Installs what the project needs, builds it and runs the whole test suite.
#   test.sh              Release build in build/
#   test.sh --sanitize   the same tests in an ASan + UBSan build in build-asan/
#   test.sh --thread     the same tests in a ThreadSanitizer build in build-tsan/
#   test.sh --windows    korval cross-built for Windows in build-win/, its tests run under
#                        Wine (in a fresh prefix, build-win/wineprefix) from the Release
#                        build's korval_wine_tests against a private CUPS scheduler; with
#                        the Windows SDK (scripts/windows-sdk-path.sh) also lankit.exe,
#                        packed as its zip and run under Wine in the demonstration
# Extra arguments after -- go to ctest (for example -- -R korval).
set -euo pipefail
cd "$(dirname "$0")/.."

kind=release
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) kind=sanitize; shift ;;
    --thread) kind=thread; shift ;;
    --windows) kind=windows; shift ;;
    --) shift; break ;;
    *) break ;;
  esac
done

scripts/install-deps.sh
if [ "$kind" = windows ]; then
  scripts/build.sh windows >/dev/null
  # The Linux side of the run: the Wine runner and the label preview it draws jobs with;
  # for lankit.exe the demonstration's cameras and the Linux label it is compared with.
  if [ -f build/build.ninja ]; then
    cmake --build build -j "$(nproc)" --target korval_wine_tests label-preview velto-sim \
      lankitctl korval lankit_language
  else
    scripts/build.sh release >/dev/null
  fi
  if [ -n "$(scripts/windows-sdk-path.sh)" ]; then
    LANKIT_WINDOWS_ZIP="$PWD/$(scripts/windows-package.sh)"
    export LANKIT_WINDOWS_ZIP
  else
    cat >&2 <<'EOF'
****************************************************************************************
*  NO WINDOWS SDK: lankit.exe is neither built nor tested; only KORVAL.dll is.          *
*  Make one with scripts/windows-sdk.sh and put its archive in ../shared/windows-sdk/,  *
*  or name it in LANKIT_WINDOWS_SDK (README, "lankit for Windows").                      *
****************************************************************************************
EOF
  fi
  prefix="$PWD/build-win/wineprefix"
  rm -rf "$prefix"
  export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" KORVAL_WINE_RUN=1
  # One server for the whole run, its messages in a log: when a test's pseudo-terminal
  # closes, the server (which holds it as COM1) gets a hangup and dumps its objects.
  mkdir -p "$prefix"
  # The persistent server outlives every Wine program, so it is ended on any way out.
  trap '/usr/lib/wine/wineserver64 -k 2>/dev/null || true' EXIT
  trap 'exit 130' INT TERM
  /usr/lib/wine/wineserver64 -p >"$PWD/build-win/wineserver.log" 2>&1
  # The first start makes the prefix; later starts by the tests are quick.
  env -u DISPLAY /usr/lib/wine/wine64 wineboot -i 2>>"$PWD/build-win/wineserver.log"
  (cd build && ctest --output-on-failure --timeout 600 -L wine "$@")
  exit
fi
dir="$(scripts/build.sh "$kind" | tail -n 1)"
# The sanitizers' options for CTest itself too: it lists each test binary's cases when it
# starts, and a sanitized binary must not fail that listing on a system library's leak.
supp="$PWD/tests/support"
case "$kind" in
  sanitize)
    export ASAN_OPTIONS="detect_leaks=1:halt_on_error=1"
    export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$supp/ubsan.supp" ;;
  thread)
    # ThreadSanitizer reads its suppressions (system libraries only) from here.
    export TSAN_OPTIONS="suppressions=$supp/tsan.supp${TSAN_OPTIONS:+ $TSAN_OPTIONS}" ;;
esac
cd "$dir"
ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
