#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure_packages.sh
hosei_ensure_packages
hosei_build build

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2

# The real program on a real X server, then installed as a user or packager would.
tests/gui/xvfb_smoke.sh build
tests/install/install_test.sh build

# Sanitizer build and a minute of fuzzing.
if [ -x scripts/harden.sh ]; then
  scripts/harden.sh
fi
