#!/usr/bin/env bash
# tools/screenshot.sh [--circle] [--execute] [--execute-help] [--long-path] BUILD_DIR OUT.png
# Opens the sample photo in both windows on a private Xvfb server and saves their picture.
#   --circle        the vignetting guide circle is drawn over the sample in the viewer
#   --execute       after Execute, with the result in the viewer and its name in the status
#   --execute-help  with the pointer on 実 行, so the help line names the result file
#   --long-path     the sample is opened from a copy in a deep folder, as photos often lie
set -euo pipefail
usage="usage: tools/screenshot.sh [--circle] [--execute] [--execute-help] [--long-path] BUILD_DIR OUT.png"
shows=()
long_path=
while [ $# -gt 0 ]; do
  case $1 in
    --circle | --execute | --execute-help) shows+=("${1#--}") ;;
    --long-path) long_path=yes ;;
    --*) echo "$usage" >&2; exit 2 ;;
    *) break ;;
  esac
  shift
done
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?$usage}" && pwd)
out=${2:?$usage}
driver=$build/tests/gui/hosei-gui-driver
sample=$build/samples/sample.bmp
for needed in "$driver" "$sample"; do
  [ -e "$needed" ] || { echo "screenshot: $needed is missing; build with the windows and tests first" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "screenshot: Xvfb is not installed (Debian package xvfb)" >&2; exit 1; }

if [ -n "$long_path" ]; then
  folder=${TMPDIR:-/tmp}/a/very/long/folder/name/for/the/photographs/of/2026
  mkdir -p "$folder"
  cp "$sample" "$folder/sample.bmp"
  sample=$folder/sample.bmp
fi

source "$here/tests/gui/xvfb_display.sh"
hosei_start_xvfb 1280x800
if [ -n "$long_path" ]; then
  trap 'hosei_stop_xvfb; rm -f "$folder/sample.bmp" "$folder/sample_.bmp"' EXIT
fi
"$driver" screenshot "$sample" "$out" Option1 "${shows[@]}"
