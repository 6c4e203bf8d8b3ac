#!/usr/bin/env bash
# Installs the Debian packages that building, testing, packaging and benchmarking Grocelle need.
# Only what is missing is installed; the package lists are refreshed first in that case.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev qt6-tools-dev qt6-tools-dev-tools libqt6sql6-sqlite
  libsqlite3-dev sqlite3 libzip-dev zlib1g-dev libcurl4-openssl-dev libicu-dev libqrencode-dev
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  python3 python3-pyftpdlib
  fonts-dejavu-core
  librsvg2-bin dpkg-dev file appstream desktop-file-utils
  poppler-utils strace
  zbar-tools chromium
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
