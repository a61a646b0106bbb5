#!/usr/bin/env bash
# Installs every Debian 12 package Valtyp needs to build, test and run.
# Does nothing when they are all present already.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev libgl-dev
  libgmp-dev libpcre2-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libudev-dev libx11-dev libxtst-dev libxi-dev libxkbfile-dev libxkbcommon-dev
  libfluidsynth-dev timgm6mb-soundfont
  xvfb x11-xkb-utils x11-utils xkb-data
  fonts-liberation
  # tray and update check tests: a system tray on Xvfb, test certificates
  trayer openssl
  # the HUB folder rule is applied with systemd-tmpfiles
  systemd
  # the window read over AT-SPI as assistive technology reads it
  at-spi2-core dbus-daemon python3-pyatspi gir1.2-atspi-2.0
  # the Debian package: manual pages and icons made at build time, the
  # package's dependencies and hardening flags, and its checks
  scdoc librsvg2-bin gzip file dpkg-dev lintian desktop-file-utils appstream man-db
  hicolor-icon-theme
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
