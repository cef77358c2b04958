#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need; safe to run
# again (it installs only what is missing).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libgtk-3-dev libpixman-1-dev libpng-dev libjpeg-dev zlib1g-dev libxcb1-dev
  googletest libgtest-dev
  xvfb xauth xdotool imagemagick
  weston x11-utils desktop-file-utils
  g++-mingw-w64-x86-64 wine wine64
  clang-14 libclang-rt-14-dev
  dpkg-dev file unzip
)

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
