#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure_packages.sh
hosei_ensure_packages
hosei_build build

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2

if [ -x tests/gui/xvfb_smoke.sh ]; then
  tests/gui/xvfb_smoke.sh build
fi
