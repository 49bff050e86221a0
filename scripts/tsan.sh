#!/usr/bin/env bash
# Builds the engine, hosei-cli and their tests with ThreadSanitizer into build-tsan/ and
# runs them: runs that share the worker pool, the photo pipeline's two threads and
# hosei-cli's parallel jobs must not race. Any report fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-tsan

compiler=${HOSEI_SANITIZE_CXX:-clang++-14}
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$compiler" \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" \
  -DHOSEI_BUILD_GUI=OFF \
  -DHOSEI_TEST_SUITES="core;cli;equivalence;photo" >/dev/null
ninja -C "$build" -j2 >"$build/build.log" 2>&1 || { cat "$build/build.log" >&2; exit 1; }

reports=$build/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
export TSAN_OPTIONS="halt_on_error=1:exitcode=86:log_path=$reports/report"
export HOSEI_SANITIZED=1
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export TSAN_SYMBOLIZER_PATH=$symbolizer

status=0
ctest --test-dir "$build" --output-on-failure -j2 || status=$?

if [ -n "$(ls -A "$reports")" ]; then
  for report in "$reports"/*; do
    echo "=== $report" >&2
    cat "$report" >&2
  done
  echo "tsan: FINDINGS: $(ls "$reports" | wc -l) report(s) above" >&2
  exit 1
fi
if [ $status -ne 0 ]; then
  echo "tsan: tests failed under ThreadSanitizer" >&2
  exit $status
fi
echo "tsan: clean"
