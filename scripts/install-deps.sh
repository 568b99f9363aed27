#!/usr/bin/env bash
# Installs every Debian package needed to build, run and test lankit and korval.
# Idempotent: when everything is already installed it only checks and returns.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake ninja-build pkg-config git clang libclang-rt-14-dev clang-format ccache
  # Qt 5 (Core, Gui, Widgets, Network, PrintSupport, Multimedia with its plugins, Sql with
  # its PostgreSQL driver for the label register)
  qtbase5-dev qtbase5-dev-tools qtmultimedia5-dev libqt5multimedia5-plugins libqt5svg5-dev
  libqt5sql5-psql
  # a private PostgreSQL server (initdb, pg_ctl, psql) for the label register's tests
  postgresql
  # FFmpeg 5 libraries and tools
  libavformat-dev libavcodec-dev libavutil-dev libswresample-dev libswscale-dev ffmpeg
  # CUPS client library and a private scheduler for the tests
  libcups2-dev cups-daemon cups-client cups-core-drivers cups-server-common
  # text rendering and fonts (Arial/Arial Narrow metrics, a CJK face for the Chinese UI)
  libfreetype-dev libfontconfig-dev fontconfig fonts-liberation fonts-liberation2 fonts-wqy-microhei
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth iproute2 python3
  zbar-tools qrencode libqrencode-dev python3-xlib python3-pil
  # real input events and the clipboard for the main window tests
  xdotool xclip
  # RTSP test server and sound capture
  python3-gi gir1.2-gst-rtsp-server-1.0 gstreamer1.0-tools gstreamer1.0-plugins-base
  gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly gstreamer1.0-plugins-bad
  # avdec_h264: the reference player of the preview benchmark
  gstreamer1.0-libav
  # text over the demonstration's camera streams (textoverlay, timeoverlay)
  gstreamer1.0-x
  pulseaudio pulseaudio-utils sox
  # Debian packages: CPack's shlibdeps, lintian, the desktop entry check, manual pages,
  # and strace to see which files the unpacked program opens
  dpkg-dev fakeroot lintian desktop-file-utils man-db strace
  # the Windows build of korval and its test run
  mingw-w64 wine64 wine fonts-wine
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
