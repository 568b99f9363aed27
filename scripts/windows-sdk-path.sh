#!/usr/bin/env bash
# Prints the folder of the Windows SDK (Qt and FFmpeg for MinGW-w64, made by
# scripts/windows-sdk.sh), or nothing when there is none. Looked for in this order:
#   $LANKIT_WINDOWS_SDK       a folder holding toolchain.cmake, or an archive of one
#   ../shared/windows-sdk/    an archive (*.tar.xz, *.tar.gz or *.tar) of one
#   build-win-sdk/            what scripts/windows-sdk.sh built here
# An archive is unpacked into build-win-sdk/ once; a later, different archive replaces it.
set -euo pipefail
cd "$(dirname "$0")/.."

unpacked=build-win-sdk

archive_in() {
  find "$1" -maxdepth 1 -type f \( -name '*.tar.xz' -o -name '*.tar.gz' -o -name '*.tar' \) \
    2>/dev/null | sort | tail -1
}

from_archive() {
  local archive=$1 id
  id="$(stat -c '%s %Y' "$archive") $(realpath "$archive")"
  if [ ! -f "$unpacked/toolchain.cmake" ] || [ "$(cat "$unpacked/.archive" 2>/dev/null)" != "$id" ]; then
    # A folder that scripts/windows-sdk.sh is building or built is never overwritten.
    if [ -d "$unpacked/.stamps" ]; then
      echo "windows-sdk-path: $unpacked/ was built here; not unpacking $archive over it" >&2
      return 1
    fi
    rm -rf "$unpacked"
    mkdir -p "$unpacked"
    tar -xf "$archive" -C "$unpacked"
    echo "$id" > "$unpacked/.archive"
  fi
  realpath "$unpacked"
}

if [ -n "${LANKIT_WINDOWS_SDK:-}" ]; then
  if [ -f "$LANKIT_WINDOWS_SDK/toolchain.cmake" ]; then
    realpath "$LANKIT_WINDOWS_SDK"
  elif [ -f "$LANKIT_WINDOWS_SDK" ]; then
    from_archive "$LANKIT_WINDOWS_SDK"
  else
    echo "windows-sdk-path: LANKIT_WINDOWS_SDK=$LANKIT_WINDOWS_SDK holds no SDK" >&2
  fi
  exit 0
fi
shared="$(archive_in ../shared/windows-sdk || true)"
if [ -n "$shared" ]; then
  from_archive "$shared" || true
  exit 0
fi
if [ -f "$unpacked/toolchain.cmake" ]; then
  realpath "$unpacked"
fi
