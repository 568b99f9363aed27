#!/usr/bin/env bash
# Installs the build into a temporary prefix, then builds and runs a C caller of korval
# with the flags pkg-config gives for the installed korval.pc, and checks the soname.
#   check_install.sh <build dir> <caller.c>
set -euo pipefail
build="$1"
caller="$2"
prefix="$(mktemp -d "/tmp/korval-install-$$-XXXXXX")"
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null
pc="$(find "$prefix" -name korval.pc -print -quit)"
[ -n "$pc" ] || { echo "korval.pc not installed"; exit 1; }
header="$(find "$prefix" -name korval.h -print -quit)"
[ -n "$header" ] || { echo "korval.h not installed"; exit 1; }

export PKG_CONFIG_PATH="$(dirname "$pc")"
cflags="$(pkg-config --cflags korval)"
libs="$(pkg-config --libs korval)"
libdir="$(pkg-config --variable=libdir korval)"
[ -f "$libdir/libkorval.so" ] || { echo "libdir $libdir has no libkorval.so"; exit 1; }

soname="$(readelf -d "$libdir/libkorval.so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')"
[ "$soname" = "libkorval.so.10" ] || { echo "soname is '$soname'"; exit 1; }

# A sanitized library needs its runtime in the caller too.
extra=()
if [[ "$(readelf -d "$libdir/libkorval.so")" == *libasan* ]]; then
  extra=(-fsanitize=address,undefined)
fi
# shellcheck disable=SC2086
cc -std=c99 -Wall -Wextra -Werror -pedantic "${extra[@]}" $cflags "$caller" \
   -o "$prefix/caller" $libs -Wl,-rpath,"$libdir"
# The header's version macros are the pkg-config version and the soname's number.
said="$(cd "$prefix" && ./caller)"
want="korval caller ok $(pkg-config --modversion korval) ${soname##*.}"
[ "$said" = "$want" ] || { echo "caller said '$said', expected '$want'"; exit 1; }
echo "$said"
