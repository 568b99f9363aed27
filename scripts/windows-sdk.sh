#!/bin/bash
# Builds the MinGW-w64 SDK that lankit.exe is cross-built against: Qt 5.15.8 (qtbase with
# the windows platform plugin, qtsvg, qtmultimedia; the host tools moc, rcc and uic for
# Linux) and FFmpeg 5.1 (shared libraries, RTSP with the camera's codecs, DXVA2).
#
#   windows-sdk.sh [SDK folder]        (default build-win-sdk/)
#
# The sources are Debian's source packages, fetched with apt-get source from a private
# deb-src list made from this machine's own apt sources, at pinned versions whose hashes are
# checked. Every stage leaves a stamp, so a run that was stopped goes on where it ended; the
# time each stage took is kept in <SDK>/build-times.txt. The result holds toolchain.cmake,
# which scripts/build.sh windows passes to CMake.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
sdk=$(realpath -m "${1:-$here/build-win-sdk}")
jobs=${JOBS:-$(nproc)}
export MAKEFLAGS=-j$jobs  # also for the qmake that configure builds
triple=x86_64-w64-mingw32

# name version sha256 of every file the package is made of (.dsc first)
packages=(
  "qtbase-opensource-src 5.15.8+dfsg-11+deb12u3
   f442936526e336a033acb1021bfed0d59b42ee520483a015cf245478c75b3b7f
   d1c61b777850c2953862a8d52c7afb56350a99b23af763beb44c51c6fe8c0e38
   07c7f0f7df5336ebbf3a7121dcd30c9b83112af6c76454c78b5ef3f02c7067d0"
  "qtsvg-opensource-src 5.15.8-3
   4d25b3ee99370815f990cc1840af476dffc2ccd5df49c51dd3f497cda778eeaf
   9c2fba3e7fd06ee629b159804703466469679e3153f5c313c6e42a59ee66d562
   00836828c5e8fa5cfb943f95b8a7361d2989683d110816b7453921c9d2ca7694"
  "qtmultimedia-opensource-src 5.15.8-2
   6414aaf98b9fa52bd0360d1663470941fcde3169f9378a13896e941bbc8526b2
   3347791521b106d1e69ac0b28ea9a295c06dddcf592c051d366fedc9ae73e0bb
   fc21dfcae3c8d13d92720cfb03e330ccb01cfd2c23ee3cc7feb1ac7fe1ab2e8e"
  "ffmpeg 7:5.1.9-0+deb12u1
   055f82fca9a92f1d47216be2c2488d09373c7ca154806fbc36b0127c191d5104
   d9b593bb2ba93d4b50f74177e0cdcd41747e708596367deed0c30348a71dd176
   443e6cdfe1560aab22f90ec40a967866ee04d5bbea32bc32625bd6e514d589f4
   71b20472ecd2764bc98e3229d34c0f7c8dcfe4a6cbacc23fd5604c23bac04632"
)

stamps=$sdk/.stamps
src=$sdk/src
work=$sdk/work
mkdir -p "$stamps" "$src" "$work"

log() { echo "windows-sdk: $*" >&2; }

# Runs stage NAME (a function of this script) unless its stamp says it is done, and notes
# how long it took.
stage() {
  local name=$1
  if [ -e "$stamps/$name" ]; then
    log "$name: done before"
    return
  fi
  log "$name: starting"
  local start=$SECONDS
  "$name"
  echo "$name $((SECONDS - start)) s" >> "$sdk/build-times.txt"
  touch "$stamps/$name"
  log "$name: $((SECONDS - start)) s"
}

# The compilers with the POSIX thread model (std::thread, std::mutex), under the plain
# triple names that Qt's and FFmpeg's build systems call.
toolchain_bin() {
  mkdir -p "$sdk/toolbin"
  for tool in /usr/bin/$triple-*; do
    ln -sf "$tool" "$sdk/toolbin/$(basename "$tool")"
  done
  ln -sf "/usr/bin/$triple-gcc-posix" "$sdk/toolbin/$triple-gcc"
  ln -sf "/usr/bin/$triple-g++-posix" "$sdk/toolbin/$triple-g++"
}

# Everything the build needs from Debian's binary packages.
install_tools() {
  local need=(mingw-w64 dpkg-dev xz-utils perl python3 make pkg-config nasm)
  local missing=()
  for package in "${need[@]}"; do
    dpkg -s "$package" > /dev/null 2>&1 || missing+=("$package")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
  fi
}

apt_options() {
  local apt=$sdk/apt
  echo -o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt/sources.list.d" \
       -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" \
       -o "Dir::State::status=/var/lib/dpkg/status"
}

# The machine's own apt entries with their type changed to deb-src; nothing else of apt's
# state is touched.
source_list() {
  local apt=$sdk/apt
  mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial"
  rm -f "$apt/sources.list.d/"*
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$file" ] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$file" \
      >> "$apt/sources.list.d/machine.list"
  done
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    sed 's/^Types:.*/Types: deb-src/' "$file" > "$apt/sources.list.d/$(basename "$file")"
  done
  # shellcheck disable=SC2046
  apt-get $(apt_options) update -q
}

fetch() {
  local entry name version
  for entry in "${packages[@]}"; do
    read -r name version _ <<< "$entry"
    (cd "$src" && apt-get $(apt_options) source --download-only -q "$name=$version")
  done
  verify
}

# The .dsc has the first hash pinned above, and every file it lists has one of the others.
verify() {
  local entry name version hash file dsc
  for entry in "${packages[@]}"; do
    read -r name version _ <<< "$entry"
    dsc="$src/${name}_${version#*:}.dsc"
    # shellcheck disable=SC2086
    set -- $(echo "$entry" | tail -n +2)
    [ "$(sha256sum "$dsc" | cut -d' ' -f1)" = "$1" ] || { log "$dsc: wrong hash"; exit 1; }
    shift
    for hash in "$@"; do
      file=$(awk -v h="$hash" '$1 == h {print $3}' "$dsc" | head -1)
      if [ -z "$file" ] || [ "$(sha256sum "$src/$file" | cut -d' ' -f1)" != "$hash" ]; then
        log "$name $version: no file with hash $hash"
        exit 1
      fi
    done
  done
}

# Unpacks each package with Debian's patches applied.
unpack() {
  local entry name version
  for entry in "${packages[@]}"; do
    read -r name version _ <<< "$entry"
    rm -rf "${work:?}/$name"
    dpkg-source --no-check -x "$src/${name}_${version#*:}.dsc" "$work/$name"
  done
}

# Debian's qtbase source leaves out the Wintab headers (src/3rdparty/wintab), so the windows
# plugin is built without Wintab tablets; pens still arrive through WM_POINTER.
qtbase_patch() {
  local plugin=$work/qtbase-opensource-src/src/plugins/platforms/windows
  sed -i 's|QT_CONFIG(tabletevent)|0 /* no wintab.h */|' "$plugin/qwindowscontext.cpp"
  sed -i 's|^qtConfig(tabletevent) {|false {|' "$plugin/windows.pri"
  rm -f "$work/qtbase-build/src/plugins/platforms/windows/Makefile"*
}

qtbase() {
  local build=$work/qtbase-build
  mkdir -p "$build"
  cd "$build"
  if [ ! -e Makefile ]; then
    "$work/qtbase-opensource-src/configure" \
      -prefix "$sdk/qt" -xplatform win32-g++ -device-option CROSS_COMPILE="$sdk/toolbin/$triple-" \
      -opensource -confirm-license -release -shared -nomake examples -nomake tests \
      -opengl desktop -no-dbus -no-icu -no-openssl -no-direct2d \
      -no-sql-sqlite -no-sql-odbc -no-sql-psql -no-sql-mysql \
      -qt-zlib -qt-libpng -qt-libjpeg -qt-pcre -qt-freetype -qt-harfbuzz
  fi
  make -j"$jobs"
  make install
}

# A Qt module built with the SDK's own qmake.
qt_module() {
  local name=$1
  local build=$work/$name-build
  mkdir -p "$build"
  cd "$build"
  [ -e Makefile ] || "$sdk/qt/bin/qmake" "$work/$name-opensource-src"
  make -j"$jobs"
  make install
}
qtsvg() { qt_module qtsvg; }
qtmultimedia() { qt_module qtmultimedia; }

ffmpeg() {
  local build=$work/ffmpeg-build
  mkdir -p "$build"
  cd "$build"
  if [ ! -e ffbuild/config.mak ]; then
    "$work/ffmpeg/configure" \
      --prefix="$sdk/ffmpeg" --arch=x86_64 --target-os=mingw32 \
      --cross-prefix="$sdk/toolbin/$triple-" --pkg-config=pkg-config \
      --enable-shared --disable-static --disable-programs --disable-doc \
      --disable-avdevice --disable-avfilter --disable-postproc \
      --disable-everything \
      --enable-demuxer=rtsp,rtp,sdp --enable-muxer=rtp \
      --enable-protocol=tcp,udp,rtp,file \
      --enable-decoder=h264,hevc,aac,pcm_alaw,pcm_mulaw \
      --enable-parser=h264,hevc,aac \
      --enable-dxva2 --enable-hwaccel=h264_dxva2,hevc_dxva2
  fi
  make -j"$jobs"
  make install
}

# What scripts/build.sh windows passes to CMake: the project's MinGW toolchain with Qt and
# FFmpeg from this folder. Paths are relative to this file, so the SDK may move.
toolchain_file() {
  cat > "$sdk/toolchain.cmake" <<'EOF'
# lankit's Windows SDK: Qt 5.15 and FFmpeg 5.1 cross-built with MinGW-w64.
get_filename_component(LANKIT_WINDOWS_SDK "${CMAKE_CURRENT_LIST_DIR}" ABSOLUTE)
# The project's MinGW toolchain, whose path scripts/build.sh passes; try_compile gets it too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES LANKIT_TOOLCHAIN_FILE)
include(${LANKIT_TOOLCHAIN_FILE})
list(APPEND CMAKE_FIND_ROOT_PATH ${LANKIT_WINDOWS_SDK}/qt ${LANKIT_WINDOWS_SDK}/ffmpeg)
list(APPEND CMAKE_PREFIX_PATH ${LANKIT_WINDOWS_SDK}/qt)
set(ENV{PKG_CONFIG_LIBDIR} ${LANKIT_WINDOWS_SDK}/ffmpeg/lib/pkgconfig)
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
EOF
  # pkg-config finds FFmpeg where the SDK is now, too.
  sed -i -e 's|^prefix=.*|prefix=${pcfiledir}/../..|' -e "s|$sdk/ffmpeg|\${prefix}|g" \
    "$sdk"/ffmpeg/lib/pkgconfig/*.pc
  # qmake and the host tools find the SDK where it is now.
  printf '[Paths]\nPrefix=..\n' > "$sdk/qt/bin/qt.conf"
  du -sh "$sdk/qt" "$sdk/ffmpeg" | tee "$sdk/size.txt"
}

main() {
  stage install_tools
  toolchain_bin
  stage source_list
  stage fetch
  stage unpack
  stage qtbase_patch
  stage qtbase
  stage qtsvg
  stage qtmultimedia
  stage ffmpeg
  toolchain_file
  log "SDK ready in $sdk"
  cat "$sdk/build-times.txt" >&2
}

main
