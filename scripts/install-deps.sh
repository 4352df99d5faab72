#!/usr/bin/env bash
# Installs every Debian package the monitor needs to build, run and test.
set -euo pipefail
PKGS=(
  build-essential cmake ninja-build ccache pkg-config
  qtbase5-dev qtbase5-dev-tools libqt5sql5-sqlite qtmultimedia5-dev libqt5serialport5-dev
  libopencv-dev
  libavformat-dev libavcodec-dev libavdevice-dev libavfilter-dev libavutil-dev libswscale-dev
  libcjson-dev
  libgtest-dev libbenchmark-dev
  xvfb x11vnc xauth xdotool
  fonts-noto-cjk fonts-wqy-microhei fonts-wqy-zenhei fonts-open-sans
  sqlite3 iproute2
)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
