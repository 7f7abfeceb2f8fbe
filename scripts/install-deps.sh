#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the benchmarks need.
set -euo pipefail
packages=(
  cmake ninja-build g++ clang llvm libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libpng-dev zlib1g-dev libjpeg62-turbo-dev libopenjp2-7-dev libtiff-dev libgif-dev libwebp-dev
  libpugixml-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-apps imagemagick libvips-tools libjpeg-turbo-progs
  fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
