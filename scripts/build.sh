#!/usr/bin/env bash
# Configures and builds one build folder.
#   build.sh [release|sanitize|thread|fuzz|windows]   (default release)
# release  -> build/         Release, warnings as errors
# sanitize -> build-asan/    AddressSanitizer + UndefinedBehaviorSanitizer
# thread   -> build-tsan/    ThreadSanitizer
# fuzz     -> build-fuzz/    clang, libFuzzer targets with ASan + UBSan
# windows  -> build-win/     cross-built with MinGW-w64: KORVAL.dll, its package and its
#                            tests as .exe (run under Wine), and lankit.exe when the Windows
#                            SDK of Qt and FFmpeg is found (scripts/windows-sdk-path.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

kind="${1:-release}"
jobs="$(nproc)"
common=(-G Ninja -DLANKIT_WERROR=ON)
# Rebuilds of several work trees share object files when ccache is there.
# Paths below the tree are hashed relative to it, so that a fresh clone in another folder
# reuses what an earlier build compiled.
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}"
  common+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
case "$kind" in
  release)  dir=build;      args=(-DCMAKE_BUILD_TYPE=Release) ;;
  sanitize) dir=build-asan; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANKIT_SANITIZE=address,undefined -DLANKIT_BUILD_BENCH=OFF) ;;
  thread)   dir=build-tsan; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANKIT_SANITIZE=thread -DLANKIT_BUILD_BENCH=OFF) ;;
  fuzz)     dir=build-fuzz; args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
                                  -DLANKIT_SANITIZE=address,undefined -DLANKIT_FUZZ=ON -DLANKIT_BUILD_BENCH=OFF -DLANKIT_BUILD_TESTS=OFF) ;;
  windows)  dir=build-win;  args=(-DCMAKE_BUILD_TYPE=Release -DLANKIT_BUILD_BENCH=OFF)
            toolchain="$PWD/cmake/mingw-w64-x86_64.cmake"
            sdk="$(scripts/windows-sdk-path.sh)"
            if [ -n "$sdk" ]; then
              args+=(-DCMAKE_TOOLCHAIN_FILE="$sdk/toolchain.cmake" -DLANKIT_TOOLCHAIN_FILE="$toolchain")
            else
              args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
            fi
            # CMake keeps the toolchain of a folder's first configure: a new one needs a new folder.
            cached="$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$dir/CMakeCache.txt" 2>/dev/null || true)"
            want="$(printf '%s\n' "${args[@]}" | sed -n 's/^-DCMAKE_TOOLCHAIN_FILE=//p')"
            if [ -n "$cached" ] && [ "$cached" != "$want" ]; then rm -rf "$dir"; fi ;;
  *) echo "usage: $0 [release|sanitize|thread|fuzz|windows]" >&2; exit 2 ;;
esac

cmake -S . -B "$dir" "${common[@]}" "${args[@]}" >/dev/null
# With Ninja, automoc does not rerun when a folder gains a source file (its depfile only
# lists headers it already knew), so an incremental build would miss the new moc code.
# Drop the stamp of every target whose automoc settings changed at this configure.
find "$dir" -path '*/CMakeFiles/*_autogen.dir/AutogenInfo.json' | while read -r info; do
  target="$(basename "$(dirname "$info")" .dir)"
  stamp="$(dirname "$(dirname "$(dirname "$info")")")/$target/timestamp"
  if [ -f "$stamp" ] && [ "$info" -nt "$stamp" ]; then rm -f "$stamp"; fi
done
# The fuzz tree is only ever used for its fuzz targets.
targets=()
if [ "$kind" = fuzz ]; then targets=(--target fuzzers); fi
# The build's messages go to standard error: callers read the folder from standard output,
# and a compile error must still reach the log.
cmake --build "$dir" -j "$jobs" "${targets[@]}" >&2
echo "$dir"
