#!/usr/bin/env bash
# Times the viewer's live preview on a 6000 x 4000 photo saved as a quality-95 JPEG and as a
# 16-bit TIFF: from a change of a field to the end of the repaint, in each mode, zoomed and at
# actual size, and writes the tables to bench/PREVIEW.md. Runs on a private Xvfb server of full-HD size.
#
#   bench/preview.sh
#
# Builds hosei-preview-latency (Release) in build-bench-gui. The photo goes into a scratch
# folder under $BENCH_DIR (default /tmp), removed at the end.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
# shellcheck source=scripts/ensure_packages.sh
source scripts/ensure_packages.sh
hosei_ensure_packages libjpeg-turbo-progs libvips-tools xvfb
# shellcheck source=tests/gui/xvfb_display.sh
source tests/gui/xvfb_display.sh

echo "bench: building hosei-preview-latency (Release) in build-bench-gui"
cmake -S . -B build-bench-gui -G Ninja -DCMAKE_BUILD_TYPE=Release -DHOSEI_TEST_SUITES=gui \
  >/dev/null
if ! ninja -C build-bench-gui -j2 hosei-preview-latency >build-bench-gui/bench-build.log 2>&1; then
  tail -n 40 build-bench-gui/bench-build.log >&2
  echo "bench: the build failed (log: build-bench-gui/bench-build.log)" >&2
  exit 1
fi

scratch=$(mktemp -d "${BENCH_DIR:-/tmp}/hosei-preview.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
g++ -std=c++20 -O2 -o "$scratch/make_photo" bench/make_photo.cpp
"$scratch/make_photo" 6000 4000 "$scratch/src.bmp"
cjpeg -quality 95 -outfile "$scratch/photo.jpg" "$scratch/src.bmp"
vips colourspace "$scratch/src.bmp" "$scratch/photo16.tif" rgb16
rm "$scratch/src.bmp"

# A full-HD screen on a private X server, drawn to as on a desktop.
hosei_start_xvfb 1920x1080
trap 'hosei_stop_xvfb; rm -rf "$scratch"' EXIT
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
latency=build-bench-gui/tests/gui/hosei-preview-latency
table=$(QT_QPA_PLATFORM=xcb "$latency" "$scratch/photo.jpg" 21)
deep_table=$(QT_QPA_PLATFORM=xcb "$latency" "$scratch/photo16.tif" 21 | tail -n +3)
load_after=$(cut -d' ' -f1-3 /proc/loadavg)
echo "$table"
echo "$deep_table"

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
{
  echo '# Preview latency'
  echo
  echo "Written by \`bench/preview.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'), hosei $(git describe --always --dirty 2>/dev/null || echo '(no git)')."
  echo
  echo "- Machine: $(nproc) cores, $cpu."
  echo "- Load average (1, 5, 15 min): $load_before before the run, $load_after after."
  echo
  cat <<'TEXT'
A 6000 × 4000 photo (bench/make_photo.cpp) saved by cjpeg at quality 95 is opened in the
windows on a 1920 × 1080 Xvfb screen, the viewer as wide as the screen allows, and the
preview switched on. Each row changes one field of its mode 21 times; each time is from
the new text in the field to the end of the picture area's repaint: the correction handed
to the viewer, the held picture corrected through the run's own per-pixel correction, and
drawn. Zoomed, the viewer holds the photo reduced to about the screen and previews all of
it; at actual size (in the middle of the photo) it holds the part in view and a margin
around it, and previews the view and a quarter of it around.
TEXT
  echo
  echo "$table"
  echo
  cat <<'TEXT'
The same photo as an uncompressed 16-bit RGB TIFF (vips colourspace rgb16): the viewer holds
its 16-bit samples and the preview goes through the deep correction.
TEXT
  echo
  echo "$deep_table"
} >bench/PREVIEW.md
echo "bench: written to bench/PREVIEW.md"
