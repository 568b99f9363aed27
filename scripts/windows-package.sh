#!/usr/bin/env bash
# The zip a Windows user unpacks and runs (scripts/package.sh --windows): build-win/ with
# lankit.exe is built first (scripts/build.sh windows, which needs the Windows SDK). Prints
# the zip's path. Every DLL and program in it imports only DLLs that are in the zip or come
# with Windows (tests/korval/win/check_dll.py).
set -euo pipefail
cd "$(dirname "$0")/.."

sdk="$(scripts/windows-sdk-path.sh)"
[ -n "$sdk" ] || { echo "windows-package: no Windows SDK (scripts/windows-sdk.sh)" >&2; exit 1; }
scripts/build.sh windows >/dev/null
bin=build-win/bin
[ -f "$bin/lankit.exe" ] || { echo "windows-package: build-win/ has no lankit.exe" >&2; exit 1; }

version="$(sed -n 's/^project(lankit VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
name="lankit-$version-win64"
stage="build-win/$name"
rm -rf "$stage" "build-win/$name.zip"
mkdir -p "$stage/platforms" "$stage/audio" "$stage/styles" "$stage/printsupport"

cp "$bin/lankit.exe" "$bin/KORVAL.dll" "$stage/"
cp -r "$bin/language" "$stage/"
for module in Core Gui Widgets Network Multimedia PrintSupport Sql; do
  cp "$sdk/qt/bin/Qt5$module.dll" "$stage/"
done
cp "$sdk/qt/plugins/platforms/qwindows.dll" "$stage/platforms/"
cp "$sdk/qt/plugins/audio/qtaudio_windows.dll" "$stage/audio/"
cp "$sdk/qt/plugins/styles/qwindowsvistastyle.dll" "$stage/styles/"
cp "$sdk/qt/plugins/printsupport/windowsprintersupport.dll" "$stage/printsupport/"
cp "$sdk"/ffmpeg/bin/*.dll "$stage/"
# The C++ runtime that Qt and FFmpeg are built against (MinGW-w64, POSIX threads).
runtime=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
cp "$runtime/libstdc++-6.dll" "$runtime/libgcc_s_seh-1.dll" \
  /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"
# Qt looks for its plugins beside the program, not where the SDK was built.
printf '[Paths]\nPrefix = .\nPlugins = .\n' > "$stage/qt.conf"

allow=()
for dll in "$stage"/*.dll; do allow+=(--allow "$(basename "$dll")"); done
for file in "$stage"/*.exe "$stage"/*.dll "$stage"/*/*.dll; do
  report="$(/usr/bin/python3 tests/korval/win/check_dll.py "$file" "${allow[@]}")" ||
    { echo "$report" >&2; exit 1; }
done
(cd build-win && cmake -E tar cf "$name.zip" --format=zip "$name")
echo "build-win/$name.zip"
