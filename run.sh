#!/usr/bin/env bash
# Installs what is missing, builds, and starts hosei.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/ensure_packages.sh
hosei_ensure_packages
hosei_build build

sample=build/samples/sample.bmp
if [ -x build/app/hosei ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec build/app/hosei "$@"
fi
if [ -x build/app/hosei ]; then
  echo "hosei: no display found (DISPLAY is not set), so the windows cannot open."
  echo "       Run ./run.sh on a desktop, or try it under Xvfb:"
  echo "         xvfb-run -a ./run.sh"
  echo "       Meanwhile, here is the batch command on the sample photo:"
fi
build/cli/hosei-cli --background 70 "$sample"
echo "hosei: the corrected sample is build/samples/sample_.bmp"
