#!/usr/bin/env bash
# tools/screenshot.sh [--circle] BUILD_DIR OUT.png
# Opens the sample photo in both windows on a private Xvfb server and saves their picture.
# With --circle, the vignetting guide circle is drawn over the sample in the viewer.
set -euo pipefail
usage="usage: tools/screenshot.sh [--circle] BUILD_DIR OUT.png"
circle=
if [ "${1:-}" = "--circle" ]; then
  circle=circle
  shift
fi
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?$usage}" && pwd)
out=${2:?$usage}
driver=$build/tests/gui/hosei-gui-driver
sample=$build/samples/sample.bmp
for needed in "$driver" "$sample"; do
  [ -e "$needed" ] || { echo "screenshot: $needed is missing; build with the windows and tests first" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "screenshot: Xvfb is not installed (Debian package xvfb)" >&2; exit 1; }

source "$here/tests/gui/xvfb_session.sh"
hosei_start_xvfb 1024x600
"$driver" screenshot "$sample" "$out" Option1 $circle
