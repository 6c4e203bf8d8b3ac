#!/usr/bin/env bash
# Installs what is missing, builds and runs every test but the long kill soak (ctest -L soak runs that).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
cd build
ctest --output-on-failure -j2 --timeout 600 -LE soak
