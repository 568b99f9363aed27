#!/usr/bin/env bash
# Makes the Debian packages from a Release build with CPack:
#   lankit, libkorval<soversion>, libkorval-dev, lankit-sim  ->  <build>/packages/*.deb
#
#   package.sh [--build DIR]   (default build/, made by scripts/build.sh release)
# Builds only what the packages hold, then prints the path of each package.
#
#   package.sh --windows       the zip a Windows user unpacks and runs, from build-win/ made
#                              by scripts/build.sh windows with the Windows SDK: lankit.exe,
#                              KORVAL.dll, the Qt, FFmpeg and MinGW runtime DLLs, the Qt
#                              plugins, qt.conf and the language folder, as
#                              build-win/lankit-<version>-win64.zip (scripts/windows-package.sh)
#
# lintian finds no errors. Two warnings stay, on purpose:
#   initial-upload-closes-no-bugs  the packages are not uploaded to Debian, so the first
#                                  changelog entry closes no "intent to package" bug;
#   maintscript-calls-ldconfig     CPack writes postinst/postrm calling ldconfig for any
#                                  library under /usr/lib; the package also has the ldconfig
#                                  trigger, so the calls are redundant but harmless.
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
while [ $# -gt 0 ]; do
  case "$1" in
    --build) dir="$2"; shift 2 ;;
    --windows) exec scripts/windows-package.sh ;;
    -h|--help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "package.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[ -f "$dir/CPackConfig.cmake" ] || scripts/build.sh release >/dev/null
dir="$(cd "$dir" && pwd)"
cache="$dir/CMakeCache.txt"
if ! grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$cache" ||
   grep -q '^LANKIT_SANITIZE:STRING=.\+' "$cache"; then
  echo "package.sh: $dir is not a plain Release build" >&2
  exit 1
fi

cmake --build "$dir" -j "$(nproc)" --target \
  lankit lankitctl label-preview velto-sim korval lankit_language lankit_package_text
rm -rf "$dir/packages" "$dir/cpack"
# Files are created with the modes the packages need, whatever the caller's umask.
umask 022
(cd "$dir" && cpack -G DEB --config CPackConfig.cmake >cpack.log 2>&1) || {
  cat "$dir/cpack.log" >&2
  exit 1
}
ls -1 "$dir/packages/"*.deb
