#!/usr/bin/env bash
# Installs the Debian 12 packages Moldena needs to build, test and run, if any
# are missing. Run as root.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-qpa-plugins
  libgl-dev libglu1-mesa-dev
  libopencv-dev libopenmesh-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-texgyre admesh libcgal-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
