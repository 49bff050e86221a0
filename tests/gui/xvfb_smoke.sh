#!/usr/bin/env bash
# tests/gui/xvfb_smoke.sh BUILD_DIR: hosei and the test driver on a real X server, for what
# the offscreen tests cannot see: a missing platform library or Japanese font, a dialog that
# never appears.
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

source "$here/xvfb_display.sh"
hosei_start_xvfb 1024x768

"$program" >"$hosei_xvfb_dir/hosei.log" 2>&1 &
hosei_pid=$!
shown=
for tenth in $(seq 50); do
  kill -0 "$hosei_pid" 2>/dev/null || break
  if command -v xwininfo >/dev/null; then
    xwininfo -root -tree | grep -q '("hosei" ' && { shown=yes; break; }
  elif [ "$tenth" -ge 20 ]; then
    shown=yes  # still up after two seconds: as far as can be seen without xwininfo
    break
  fi
  sleep 0.1
done
if [ -z "$shown" ]; then
  cat "$hosei_xvfb_dir/hosei.log" >&2
  echo "xvfb_smoke: hosei did not come on screen" >&2
  exit 1
fi
kill "$hosei_pid"
wait "$hosei_pid" 2>/dev/null || true

output=$(timeout 60 "$driver" start-up 2>&1) || { echo "$output"; echo "xvfb_smoke: the start-up check failed" >&2; exit 1; }
echo "$output"
grep -q 'main window shown on xcb' <<<"$output" ||
  { echo "xvfb_smoke: hosei did not report its main window on the xcb platform" >&2; exit 1; }
grep -Eq 'font (IPA|Noto|VL|Takao)' <<<"$output" ||
  { echo "xvfb_smoke: no Japanese font was found for the windows' text" >&2; exit 1; }
timeout 120 "$driver" dialogs "$sample"
echo "xvfb_smoke: passed"
