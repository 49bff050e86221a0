#!/usr/bin/env bash
# Times hosei-cli side by side with copying the file and with general-purpose image tools,
# whole process, warm page cache, and writes the table to bench/RESULTS.md.
#
#   bench/run.sh            6000 x 4000 and 30000 x 20000 photos (about 12 minutes)
#   bench/run.sh --quick    6000 x 4000 only (about 4 minutes)
#   bench/run.sh --jpeg     the JPEG tables only (about 2 minutes)
#   bench/run.sh --deep     the 16-bit TIFF and float FITS tables only (about 3 minutes)
#
# HOSEI_CLI=path/to/hosei-cli times that binary instead of building one in build-bench.
# The photos and every result go into a scratch folder under $BENCH_DIR (default /tmp),
# removed at the end. The full run needs about 4 GB free there. Other work on the machine
# skews the numbers: the load average before and after goes into the results.
set -euo pipefail

usage() { sed -n '5,10s/^# \{0,1\}//p' "$0"; }

quick=0
jpeg_only=0
deep_only=0
for arg in "$@"; do
  case $arg in
    --quick) quick=1 ;;
    --jpeg) jpeg_only=1 quick=1 ;;
    --deep) deep_only=1 quick=1 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
done

repo=$(cd "$(dirname "$0")/.." && pwd)
cd "$repo"
# shellcheck source=scripts/ensure_packages.sh
source scripts/ensure_packages.sh
hosei_ensure_packages hyperfine graphicsmagick imagemagick libvips-tools time jq libjpeg-turbo-progs

if [ -n "${HOSEI_CLI:-}" ]; then
  hosei=$(realpath "$HOSEI_CLI")  # a hosei-cli built elsewhere
else
  echo "bench: building hosei-cli (Release) in build-bench"
  cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DHOSEI_BUILD_GUI=OFF -DHOSEI_BUILD_TESTS=OFF >/dev/null
  if ! ninja -C build-bench -j2 hosei-cli >build-bench/bench-build.log 2>&1; then
    tail -n 40 build-bench/bench-build.log >&2
    echo "bench: the build failed (log: build-bench/bench-build.log)" >&2
    exit 1
  fi
  hosei=$repo/build-bench/cli/hosei-cli
fi
# ImageMagick 6 by its own name: a plain "convert" may be a wrapper or GraphicsMagick.
im=$(command -v convert-im6.q16 || echo /usr/bin/convert)

parent=${BENCH_DIR:-/tmp}
need_mb=$((quick ? 1500 : 4000))
free_mb=$(df -Pm "$parent" | awk 'NR == 2 { print $4 }')
if [ "$free_mb" -lt "$need_mb" ]; then
  echo "bench: $parent has ${free_mb} MB free, the run needs about ${need_mb} MB" >&2
  exit 1
fi
scratch=$(mktemp -d "$parent/hosei-bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
g++ -std=c++20 -O2 -o "$scratch/make_photo" bench/make_photo.cpp
g++ -std=c++20 -O2 -pthread -o "$scratch/sample_floor" bench/sample_floor.cpp

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
if awk '{ exit !($1 > 0.5) }' /proc/loadavg; then
  echo "bench: warning: load average $load_before, other work will skew the timings" >&2
fi

rows=()       # table rows, in order
jpeg_rows=()  # the JPEG table's rows
deep_rows=()  # the deep pictures' table rows

# table_rows TIMES_JSON PHOTO_LABEL: one row per command of a hyperfine run, from the
# arrays labels, kinds and memory and the variable block (0: no pixel-block column).
table_rows() {
  local json=$1 photo=$2 line i
  while IFS=$'\t' read -r i line; do
    awk -F'\t' -v photo="$photo" -v label="${labels[i]}" -v kind="${kinds[i]}" \
      -v kb="${memory[i]}" -v block="$block" '
      function t(s) { return s < 1 ? sprintf("%.0f ms", s * 1000) : sprintf("%.2f s", s) }
      {
        mem = sprintf("%.1f MiB", kb / 1024)
        if (kind == "hosei" && block > 0)
          mem = mem sprintf(" (block %+.1f MiB)", (kb * 1024 - block) / 1048576)
        printf "| %s | `%s` | %s | %s – %s (σ %s) | %.2f× | %s |\n",
          photo, label, t($1), t($2), t($3), t($4), $1 / $5, mem
      }' <<<"$line"
  done < <(jq -r '.results[0].median as $first | .results | to_entries[]
    | [.key, .value.median, .value.min, .value.max, (.value.stddev // 0), $first] | @tsv' "$json")
}

# check_and_measure DIR: runs each command once, checked, and records its peak memory.
check_and_measure() {
  local dir=$1 i kb
  memory=()
  for i in "${!cmds[@]}"; do
    if ! /usr/bin/time -v -o "$dir/time.txt" sh -c "exec ${cmds[i]}" 2>"$dir/err.txt" ||
      { [ "${kinds[i]}" = hosei ] && [ -s "$dir/err.txt" ]; }; then
      echo "bench: failed: ${cmds[i]}" >&2
      cat "$dir/err.txt" >&2
      return 1
    fi
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$dir/time.txt")
    memory+=("$kb")
    rm -rf "$dir/out" && mkdir -p "$dir/out"
  done
}

# bench_jpeg W H: a W x H photo saved as a quality-95 JPEG (4:2:0, as cameras save them),
# corrected by hosei-cli and by the general tools, each writing a quality-95 JPEG; then six
# photos a third of the size as one batch, on every CPU and held to one.
bench_jpeg() {
  local w=$1 h=$2
  local dir=$scratch/jpeg-${w}x$h
  mkdir -p "$dir/out"
  echo "bench: making a ${w} x ${h} JPEG"
  "$scratch/make_photo" "$w" "$h" "$dir/src.bmp"
  cjpeg -quality 95 -outfile "$dir/big.jpg" "$dir/src.bmp"
  rm "$dir/src.bmp"
  cat "$dir/big.jpg" >/dev/null
  local q_src q_out hosei_run
  q_src=$(printf %q "$dir/big.jpg")
  q_out=$(printf %q "$dir/out")
  hosei_run="$(printf %q "$hosei") --quiet --output-dir $q_out $q_src"
  labels=() kinds=() cmds=()
  add() { labels+=("$1"); kinds+=("$2"); cmds+=("$3"); }
  add 'vips gamma big.jpg out.jpg[Q=95] --exponent 1.5' peer \
    "vips gamma $q_src $q_out/vips.jpg[Q=95] --exponent 1.5"
  add 'hosei-cli --mode gamma --gamma 1.5 big.jpg' hosei "$hosei_run --mode gamma --gamma 1.5"
  add 'hosei-cli --background 60 big.jpg' hosei "$hosei_run --background 60"
  # The estimate reads a reduced copy as the file streams and writes nothing; its median is
  # held against the second's budget for a 24 MP photo.
  add 'hosei-cli --estimate big.jpg' hosei "$(printf %q "$hosei") --estimate $q_src"
  add 'hosei-cli --estimate --mode fog big.jpg' hosei \
    "$(printf %q "$hosei") --estimate --mode fog $q_src"
  add 'gm convert big.jpg -gamma 1.5 -quality 95 out.jpg' peer \
    "gm convert $q_src -gamma 1.5 -quality 95 $q_out/gm.jpg"
  add 'convert big.jpg -gamma 1.5 -quality 95 out.jpg' peer \
    "$im $q_src -gamma 1.5 -quality 95 $q_out/im.jpg"
  check_and_measure "$dir" || return 1
  local -a args=()
  local i
  for i in "${!cmds[@]}"; do args+=(-n "${labels[i]}" "${cmds[i]}"); done
  hyperfine --style basic --warmup 1 --min-runs 10 --max-runs 30 \
    --prepare "rm -f $q_out/*" --cleanup "rm -f $q_out/*" \
    --export-json "$dir/times.json" "${args[@]}"
  block=0
  mapfile -t -O "${#jpeg_rows[@]}" jpeg_rows < <(table_rows "$dir/times.json" "${w} × $h")

  local bw=$((w / 2)) bh=$((h / 2)) n
  echo "bench: making six ${bw} x ${bh} JPEGs"
  local -a batch=()
  for n in 1 2 3 4 5 6; do
    "$scratch/make_photo" "$((bw + n))" "$bh" "$dir/b$n.bmp"
    cjpeg -quality 95 -outfile "$dir/b$n.jpg" "$dir/b$n.bmp"
    rm "$dir/b$n.bmp"
    batch+=("$(printf %q "$dir/b$n.jpg")")
  done
  local batch_run="$(printf %q "$hosei") --quiet --output-dir $q_out --mode gamma --gamma 1.5 ${batch[*]}"
  labels=() kinds=() cmds=()
  add "taskset -c 0 hosei-cli --mode gamma --gamma 1.5 six.jpg (1 job)" hosei "taskset -c 0 $batch_run"
  add "hosei-cli --mode gamma --gamma 1.5 six.jpg ($(nproc) jobs)" hosei "$batch_run"
  check_and_measure "$dir" || return 1
  args=()
  for i in "${!cmds[@]}"; do args+=(-n "${labels[i]}" "${cmds[i]}"); done
  hyperfine --style basic --warmup 1 --min-runs 5 --max-runs 15 \
    --prepare "rm -f $q_out/*" --cleanup "rm -f $q_out/*" \
    --export-json "$dir/batch.json" "${args[@]}"
  mapfile -t -O "${#jpeg_rows[@]}" jpeg_rows < <(table_rows "$dir/batch.json" "6 × ${bw} × $bh")
  rm -rf "$dir"
}

# bench_photo W H MIN_RUNS MAX_RUNS PEERS: generates a W x H photo, then times the copy
# floor, every hosei-cli mode and the peers named in PEERS (all, or a list of names). Each
# command runs at least MIN_RUNS times (more, up to MAX_RUNS, when it takes under ~3 s)
# after one warm-up run. Every run writes a new result file, as a user's run does: on ext4,
# replacing an existing file starts its writeback (auto_da_alloc) and would time the disk.
bench_photo() {
  local w=$1 h=$2 min_runs=$3 max_runs=$4 peers=$5
  local dir=$scratch/${w}x$h
  mkdir -p "$dir/out"
  local src=$dir/src.bmp out=$dir/out
  echo "bench: making a ${w} x ${h} photo"
  "$scratch/make_photo" "$w" "$h" "$src"
  cat "$src" >/dev/null  # into the page cache
  local block=$(((w * 3 + 3) / 4 * 4 * h))

  # Moved centre and fog circle scale with the photo (2000,1500 and a 3600 circle at 6000 x 4000).
  local cx=$((w / 3)) cy=$((h * 3 / 8)) lx=$((w / 2)) ly=$((h / 2)) size=$((w * 3 / 5))
  local q_src q_out
  q_src=$(printf %q "$src")
  q_out=$(printf %q "$out")
  local hosei_run
  hosei_run="$(printf %q "$hosei") --quiet --output-dir $q_out $q_src"

  # label | kind | command (a shell line)
  local -a labels=() kinds=() cmds=()
  add() { labels+=("$1"); kinds+=("$2"); cmds+=("$3"); }
  add 'cat src.bmp > dst.bmp' floor "cat $q_src > $q_out/copy.bmp"
  add 'hosei-cli (vignetting, defaults)' hosei "$hosei_run"
  add "hosei-cli --boundary Sharp --centre $cx,$cy" hosei \
    "$hosei_run --boundary Sharp --centre $cx,$cy"
  add "hosei-cli --mode fog --light-x $lx --light-y $ly --size $size --brightness 40" hosei \
    "$hosei_run --mode fog --light-x $lx --light-y $ly --size $size --brightness 40"
  add 'hosei-cli --mode gamma --gamma 1.5' hosei "$hosei_run --mode gamma --gamma 1.5"
  add 'hosei-cli --mode gamma --gamma 1.5 --background 70' hosei \
    "$hosei_run --mode gamma --gamma 1.5 --background 70"
  local peer radial="-size ${w}x$h radial-gradient:gray40-black"
  for peer in gm im vips im-radial; do
    [ "$peers" = all ] || [[ " $peers " == *" $peer "* ]] || continue
    case $peer in
      gm) add 'gm convert src.bmp -gamma 1.5 dst.bmp' peer \
        "gm convert $q_src -gamma 1.5 $q_out/gm.bmp" ;;
      im) add 'convert src.bmp -gamma 1.5 BMP3:dst.bmp' peer \
        "$im $q_src -gamma 1.5 BMP3:$q_out/im.bmp" ;;
      vips) add 'vips gamma src.bmp dst.bmp --exponent 1.5' peer \
        "vips gamma $q_src $q_out/vips.bmp --exponent 1.5" ;;
      im-radial) add "convert src.bmp ( $radial ) -compose screen -composite BMP3:dst.bmp" peer \
        "$im $q_src \\( $radial \\) -compose screen -composite BMP3:$q_out/im-radial.bmp" ;;
    esac
  done

  # One checked run of each, which also measures its peak memory: a failing command, or a
  # hosei-cli warning (such as a refused centre) or a result of the wrong size, stops the
  # benchmark.
  local -a memory=()
  local i
  for i in "${!cmds[@]}"; do
    if ! /usr/bin/time -v -o "$dir/time.txt" sh -c "exec ${cmds[i]}" 2>"$dir/err.txt" ||
      { [ "${kinds[i]}" = hosei ] && { [ -s "$dir/err.txt" ] ||
        [ "$(stat -c %s "$out/src_.bmp" 2>/dev/null)" != "$(stat -c %s "$src")" ]; }; }; then
      echo "bench: failed: ${cmds[i]}" >&2
      cat "$dir/err.txt" >&2
      return 1
    fi
    local kb
    kb=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$dir/time.txt")
    memory+=("$kb")
    rm -f "$out"/*
  done

  local -a args=()
  for i in "${!cmds[@]}"; do args+=(-n "${labels[i]}" "${cmds[i]}"); done
  hyperfine --style basic --warmup 1 --min-runs "$min_runs" --max-runs "$max_runs" \
    --prepare "rm -f $q_out/*" --cleanup "rm -f $q_out/*" \
    --export-json "$dir/times.json" "${args[@]}"

  # One row per command: median, spread and ratio to the copy floor (the first command);
  # peak memory, and for hosei-cli its excess over the pixel block.
  mapfile -t -O "${#rows[@]}" rows < <(table_rows "$dir/times.json" "${w} × $h")
  local block_mib
  block_mib=$(awk -v b="$block" 'BEGIN { printf "%.1f MiB", b / 1048576 }')
  rows+=("| ${w} × $h | *pixel block (padded row × height)* | | | | $block_mib |")
  rm -rf "$out" "$src"
}

# bench_deep W H: deep pictures. A W x H photo as an uncompressed 16-bit RGB TIFF, as raw
# developers export it, and as a 32-bit float FITS with three planes, as stacking programs
# write it; each corrected in every mode beside its copy floor and vips' gamma.
bench_deep() {
  local w=$1 h=$2
  local dir=$scratch/deep-${w}x$h
  mkdir -p "$dir/out"
  echo "bench: making a ${w} x ${h} 16-bit TIFF and float FITS"
  "$scratch/make_photo" "$w" "$h" "$dir/src.bmp"
  vips colourspace "$dir/src.bmp" "$dir/big16.tif" rgb16
  vips cast "$dir/src.bmp" "$dir/float.v" float
  vips linear "$dir/float.v" "$dir/scaled.v" 0.00392156862745098 0
  vips fitssave "$dir/scaled.v" "$dir/big.fits"
  rm "$dir/src.bmp" "$dir/float.v" "$dir/scaled.v"
  cat "$dir/big16.tif" "$dir/big.fits" >/dev/null
  local q_tif q_fits q_out
  q_tif=$(printf %q "$dir/big16.tif")
  q_fits=$(printf %q "$dir/big.fits")
  q_out=$(printf %q "$dir/out")
  local hosei_out="$(printf %q "$hosei") --quiet --output-dir $q_out"
  local lx=$((w / 2)) ly=$((h / 2)) size=$((w * 3 / 5))
  labels=() kinds=() cmds=()
  add() { labels+=("$1"); kinds+=("$2"); cmds+=("$3"); }
  add 'cat big16.tif > dst.tif' floor "cat $q_tif > $q_out/copy.tif"
  add 'sample_floor big16.tif dst.tif' floor \
    "$(printf %q "$scratch/sample_floor") $q_tif $q_out/floor.tif"
  add 'hosei-cli --mode gamma --gamma 1.5 big16.tif' hosei "$hosei_out --mode gamma --gamma 1.5 $q_tif"
  add 'hosei-cli (vignetting, defaults) big16.tif' hosei "$hosei_out $q_tif"
  add "hosei-cli --mode fog --light-x $lx --light-y $ly --size $size --brightness 40 big16.tif" \
    hosei "$hosei_out --mode fog --light-x $lx --light-y $ly --size $size --brightness 40 $q_tif"
  add 'hosei-cli --estimate big16.tif' hosei "$(printf %q "$hosei") --estimate $q_tif"
  add 'vips gamma big16.tif out.tif --exponent 1.5' peer \
    "vips gamma $q_tif $q_out/vips.tif --exponent 1.5"
  time_deep_block "$dir" "${w} × $h 16-bit TIFF" || return 1
  labels=() kinds=() cmds=()
  add 'cat big.fits > dst.fits' floor "cat $q_fits > $q_out/copy.fits"
  add 'hosei-cli --mode gamma --gamma 1.5 big.fits' hosei "$hosei_out --mode gamma --gamma 1.5 $q_fits"
  add 'hosei-cli (vignetting, defaults) big.fits' hosei "$hosei_out $q_fits"
  add "hosei-cli --mode fog --light-x $lx --light-y $ly --size $size --brightness 40 big.fits" \
    hosei "$hosei_out --mode fog --light-x $lx --light-y $ly --size $size --brightness 40 $q_fits"
  add 'hosei-cli --estimate --mode fog big.fits' hosei \
    "$(printf %q "$hosei") --estimate --mode fog $q_fits"
  time_deep_block "$dir" "${w} × $h float FITS" || return 1
  rm -rf "$dir"
}

# time_deep_block DIR PICTURE: the commands gathered so far, checked and timed, into the
# deep table; × first is against the block's first command, its copy floor.
time_deep_block() {
  local dir=$1 picture=$2 q_out i
  q_out=$(printf %q "$dir/out")
  check_and_measure "$dir" || return 1
  local -a args=()
  for i in "${!cmds[@]}"; do args+=(-n "${labels[i]}" "${cmds[i]}"); done
  hyperfine --style basic --warmup 1 --min-runs 5 --max-runs 20 \
    --prepare "rm -f $q_out/*" --cleanup "rm -f $q_out/*" \
    --export-json "$dir/times.json" "${args[@]}"
  block=0
  mapfile -t -O "${#deep_rows[@]}" deep_rows < <(table_rows "$dir/times.json" "$picture")
}

[ "$jpeg_only" -eq 1 ] || [ "$deep_only" -eq 1 ] || bench_photo 6000 4000 3 30 all
[ "$deep_only" -eq 1 ] || bench_jpeg 6000 4000
[ "$jpeg_only" -eq 1 ] || bench_deep 6000 4000
if [ "$quick" -eq 0 ]; then
  bench_photo 30000 20000 3 3 gm
  skipped="convert and vips not run: ImageMagick's default policy refuses images over 16K"
  skipped+=" pixels a side, and vips reads BMP through ImageMagick"
  rows+=("| 30000 × 20000 | *$skipped* | | | | |")
fi

table=$(
  echo '| photo | command | median | spread: min – max (σ) | × copy | peak memory |'
  echo '| --- | --- | ---: | --- | ---: | --- |'
  printf '%s\n' "${rows[@]}"
)
jpeg_table=$(
  echo '| photo | command | median | spread: min – max (σ) | × first | peak memory |'
  echo '| --- | --- | ---: | --- | ---: | --- |'
  printf '%s\n' "${jpeg_rows[@]}"
)
echo
[ "$jpeg_only" -eq 1 ] || echo "$table"
echo
echo "$jpeg_table"
deep_table=$(
  echo '| picture | command | median | spread: min – max (σ) | × first | peak memory |'
  echo '| --- | --- | ---: | --- | ---: | --- |'
  printf '%s\n' "${deep_rows[@]}"
)
[ "$jpeg_only" -eq 1 ] || { echo; echo "$deep_table"; }
if [ "$jpeg_only" -eq 1 ] || [ "$deep_only" -eq 1 ]; then
  echo "bench: --jpeg and --deep print only; bench/RESULTS.md is written by a whole run"
  exit 0
fi

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
if [ -n "${HOSEI_CLI:-}" ]; then
  what="hosei-cli $hosei"
else
  what="hosei $(git describe --always --dirty 2>/dev/null || echo '(no git)')"
fi
how=bench/run.sh
[ "$quick" -eq 1 ] && how+=' --quick'

cpu=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
mem=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
tools="$(hyperfine --version), GraphicsMagick $(gm version | awk 'NR == 1 { print $2 }')"
tools+=", ImageMagick $("$im" -version | awk 'NR == 1 { print $3 }')"
tools+=", vips $(vips --version | sed 's/^vips-//')"
{
  echo '# Benchmark results'
  echo
  echo "Written by \`$how\` on $(date -u '+%Y-%m-%d %H:%M UTC'), $what."
  echo
  echo "- Machine: $(nproc) cores, $cpu, $mem memory, $(uname -sr)."
  echo "- Load average (1, 5, 15 min): $load_before before the run, $load_after after."
  echo "- Tools: $tools."
  echo
  cat <<'EOF'
Whole process, warm page cache, each run writing a new result file into a scratch folder;
hyperfine median and spread, and the ratio to the copy floor on the same photo. Peak memory
is the maximum resident set size from /usr/bin/time -v; for hosei-cli also its difference
from the pixel block (padded row × height). `vips gamma --exponent 1.5` raises to the power
1/1.5, like `-gamma 1.5`; the radial row screens a radial gradient (40 % grey in the middle
to black at the edge) over the photo, brightening the middle.
EOF
  echo
  echo "$table"
  echo
  cat <<'EOF'
JPEG: the photo saved by cjpeg at quality 95 (4:2:0); every command writes a quality-95
JPEG (hosei-cli with the source's own tables, which are those of quality 95). × first is the
ratio to the first command of each group: vips for the single photo, one CPU for the batch.
EOF
  echo
  echo "$jpeg_table"
  echo
  cat <<'EOF'
Deep pictures: the photo as an uncompressed 16-bit RGB TIFF (vips colourspace rgb16) and as
a 32-bit float FITS with three planes on the 0–1 scale (vips fitssave); × first is the
ratio to the first row of its block: the copy floor of that picture. `cat` copies inside the
kernel; `sample_floor` (bench/sample_floor.cpp) is the least a program can take that reads
the samples into memory and writes them back changed: 1 MiB pieces read, mapped through the
gamma table and written, on every core, with nothing parsed or checked.
EOF
  echo
  echo "$deep_table"
} >bench/RESULTS.md
echo
echo "bench: written to bench/RESULTS.md"
