#!/usr/bin/env bash
# tests/gui/xvfb_smoke.sh BUILD_DIR
# Starts hosei on a real X server (Xvfb, the xcb platform, as on a user's desktop): the
# program itself must come on screen and leave through its exit button; then the driver
# walks through Qt's own file dialog, confirmation, viewer and Execute. Catches what the
# offscreen tests cannot: a missing platform library, a Japanese font that is not found,
# a dialog that never appears.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: tests/gui/xvfb_smoke.sh BUILD_DIR}" && pwd)

if ! command -v Xvfb >/dev/null; then
  echo "xvfb_smoke: skipped, Xvfb is not installed (Debian package xvfb)"
  exit 0
fi
program=$build/app/hosei
driver=$build/tests/gui/hosei-gui-driver
sample=$build/samples/sample.bmp
for needed in "$program" "$driver" "$sample"; do
  [ -e "$needed" ] || { echo "xvfb_smoke: $needed is missing" >&2; exit 1; }
done

source "$here/xvfb_session.sh"
hosei_start_xvfb 1024x768

status=0
output=$(HOSEI_SELF_TEST_EXIT=1 timeout 60 "$program" 2>&1) || status=$?
echo "$output"
if [ $status -ne 0 ]; then
  echo "xvfb_smoke: hosei ended with status $status" >&2
  exit 1
fi
if ! grep -q 'main window shown on xcb' <<<"$output"; then
  echo "xvfb_smoke: hosei did not report its main window on the xcb platform" >&2
  exit 1
fi
if ! grep -Eq 'font (IPA|Noto|VL|Takao)' <<<"$output"; then
  echo "xvfb_smoke: no Japanese font was found for the windows' text" >&2
  exit 1
fi

timeout 120 "$driver" dialogs "$sample"
echo "xvfb_smoke: passed"
