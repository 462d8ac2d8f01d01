#!/usr/bin/env bash
# Installs everything the project needs to build, test and run on Debian 12.
# Safe to run again: apt-get skips what is already installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  libzip-dev libpugixml-dev libcli11-dev nlohmann-json3-dev libisal-dev zlib1g-dev
  libjemalloc-dev
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev qt6-translations-l10n
  libxml2-utils
  python3-ezdxf
  libreoffice-calc-nogui poppler-utils
  gnumeric libapache-poi-java default-jdk-headless
  fonts-noto-cjk
  xdg-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
