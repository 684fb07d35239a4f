#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the benchmarks, the
# fuzzers and the packaging need, when any is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config python3 tzdata unicode-cldr-core
  zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev libpng-dev libspng-dev libcairo2-dev
  clang-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev
  libgtk-3-dev libxext-dev xvfb xdotool xcompmgr imagemagick
  wine wine64 x11-utils
  openbox tint2 xfwm4 icewm xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils wmctrl faketime dbus-daemon dbus-bin
  dpkg-dev desktop-file-utils appstream icoutils binutils-mingw-w64-x86-64 man-db gettext lintian libxss-dev locales
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
