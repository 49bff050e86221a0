#!/usr/bin/env bash
# Builds the fuzz targets into build-fuzz/ and fuzzes for SECONDS (default 60) in all: two
# thirds of the time the bitmap reader and Execute, a third the photo readers and writers,
# each from fresh seeds and its kept regression inputs (fuzz/regressions/,
# fuzz/regressions-photo/). The corpora grow in a temporary folder, so runs leave the tree as
# it was; an input that breaks something is saved in build-fuzz/findings/.
# Exits non-zero on a finding or a failed build.
#   fuzz/run.sh [SECONDS] [extra libFuzzer options...]
set -euo pipefail

# All in one function, read whole before it runs: the script may be edited meanwhile.
main() {
  local seconds=${1:-60}
  shift || true
  root=$(cd "$(dirname "$0")/.." && pwd)
  build=$root/build-fuzz
  compiler=${HOSEI_FUZZ_CXX:-clang++-14}
  if ! command -v "$compiler" >/dev/null; then
    echo "fuzz: $compiler not found (apt-get install clang-14 libclang-rt-14-dev)" >&2
    exit 1
  fi
  cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$compiler" >/dev/null
  ninja -C "$build" -j2 >"$build/build.log" 2>&1 || { cat "$build/build.log" >&2; exit 1; }

  # Memory-backed where the machine has it: every input is written to a file several times.
  scratch_base=/dev/shm
  [ -d "$scratch_base" ] && [ -w "$scratch_base" ] || scratch_base=${TMPDIR:-/tmp}
  work=$(mktemp -d "$scratch_base/hosei-fuzz-run.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/files" "$build/findings"
  "$build/hosei_make_seeds" "$work/corpus" "$work/photo-corpus" >/dev/null
  export HOSEI_FUZZ_TMP=$work/files
  # A smaller quarantine than AddressSanitizer's 256 MiB: with it the resident size measures
  # what the code under test holds, not how many freed blocks the sanitizer keeps poisoned.
  export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:quarantine_size_mb=32}
  export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
  symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
  [ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer
  photo_seconds=$(( seconds / 3 > 0 ? seconds / 3 : 1 ))
  fuzz execute $(( seconds - photo_seconds > 0 ? seconds - photo_seconds : 1 )) 270000 \
    "$work/corpus" "$root/fuzz/regressions" "$@"
  fuzz photo "$photo_seconds" 65536 "$work/photo-corpus" "$root/fuzz/regressions-photo" "$@"
}

# fuzz TARGET SECONDS MAX_LEN SEEDS REGRESSIONS [options...]: one target, then one line on
# a clean run (executions, speed and coverage) or the end of its log on a finding.
fuzz() {
  local target=$1 seconds=$2 max_len=$3 seeds=$4 regressions=$5 status=0
  shift 5
  local corpora=("$seeds") log=$build/fuzz-$target-${seconds}s.log kept=0
  if [ -n "$(ls -A "$regressions" 2>/dev/null)" ]; then
    corpora+=("$regressions")
    kept=$(ls "$regressions" | wc -l)
  fi
  echo "fuzz: $target ${seconds}s over $(ls "$seeds" | wc -l) seeds and $kept regression inputs"
  "$build/hosei_fuzz_$target" -max_total_time="$seconds" -rss_limit_mb=1024 \
    -malloc_limit_mb=512 -timeout=5 \
    -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$build/findings/$target-" "$@" \
    "${corpora[@]}" >"$log" 2>&1 || status=$?
  if [ $status -ne 0 ]; then
    tail -n 60 "$log" >&2
    echo "fuzz: FINDING (exit $status); input kept in $build/findings/, full log $log" >&2
    exit $status
  fi
  echo "fuzz: no finding in ${seconds}s, $(sed -n 's/^stat::number_of_executed_units: *//p' "$log") executions ($(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")/s), $(grep -o 'cov: [0-9]*' "$log" | tail -n 1)"
}

main "$@"
exit
