#!/usr/bin/env bash
# Makes the README's before/after picture from the real program's output: the bundled
# sample corrected by hosei-cli, shown beside the original.
# Usage: tools/before_after.sh BUILD_DIR OUT.png   (needs ImageMagick)
set -euo pipefail
build=$1
out=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$build/samples/sample.bmp" "$scratch/sample.bmp"
"$build/cli/hosei-cli" --quiet --start 40 --coefficient 60 --background 70 "$scratch/sample.bmp"
convert \( "$scratch/sample.bmp" -resize 50% -gravity north -background white -splice 0x28 \
           -font IPAGothic -pointsize 18 -annotate +0+4 "補正前" \) \
        \( "$scratch/sample_.bmp" -resize 50% -gravity north -background white -splice 0x28 \
           -font IPAGothic -pointsize 18 -annotate +0+4 "補正後（周辺減光 40 / 60、バックの調整 70）" \) \
        +append "$out"
echo "before_after: wrote $out"
