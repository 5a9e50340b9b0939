#!/usr/bin/env bash
# Installs the system packages that building, running and testing Пергалот need.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n libgl-dev
  qt6-svg-dev libqt6svg6 libx11-dev
  qt6-qpa-plugins
  clang libclang-rt-14-dev
  libbenchmark-dev
  libuchardet-dev libfontconfig-dev libpng-dev
  libreoffice-writer-nogui
  pandoc abiword
  poppler-utils
  fonts-dejavu-core fonts-liberation2
  xvfb xauth xdotool
  appstream
  libhunspell-dev hunspell-ru hunspell-en-us
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
