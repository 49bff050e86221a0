#!/usr/bin/env bash
# Builds the engine, hosei-cli and their tests with sanitizers and runs the tests. Any
# report, from a test or from a hosei-cli that a test started, fails the run, even where
# the test itself passed: reports go to files as well, and those files are checked at the
# end.
#   scripts/sanitize.sh          AddressSanitizer and UndefinedBehaviorSanitizer, build-asan/
#   scripts/sanitize.sh thread   ThreadSanitizer, build-tsan/: runs that share the worker
#                                pool, the photo pipeline's threads and hosei-cli's jobs
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
kind=${1:-address}

# clang rather than gcc: gcc's UndefinedBehaviorSanitizer, when combined with
# AddressSanitizer, writes its reports only to stderr, which a test that captures the
# output of hosei-cli would swallow. float-cast-overflow is named for clarity: a double
# that does not fit an int is exactly what a broken header or a wild field text causes.
compiler=${HOSEI_SANITIZE_CXX:-clang++-14}
case $kind in
  address)
    build=$root/build-asan
    flags="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all"
    suites="core;cli;deep;equivalence;faults;photo"
    ;;
  thread)
    build=$root/build-tsan
    flags="-fsanitize=thread"
    suites="core;cli;equivalence;photo"
    ;;
  *)
    echo "usage: scripts/sanitize.sh [address|thread]" >&2
    exit 2
    ;;
esac
flags+=" -fno-omit-frame-pointer"
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER="$compiler" \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="$flags" \
  -DHOSEI_BUILD_GUI=OFF \
  -DHOSEI_TEST_SUITES="$suites" >/dev/null
ninja -C "$build" -j2 >"$build/build.log" 2>&1 || { cat "$build/build.log" >&2; exit 1; }

reports=$build/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
# A distinct exit code, so a report in a hosei-cli run can never pass for its own exit 1.
export ASAN_OPTIONS="detect_leaks=1:exitcode=86:log_path=$reports/report:strict_string_checks=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:exitcode=86:log_path=$reports/report"
export TSAN_OPTIONS="halt_on_error=1:exitcode=86:log_path=$reports/report"
export HOSEI_SANITIZED=1
symbolizer=/usr/lib/llvm-14/bin/llvm-symbolizer
[ -x "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH=$symbolizer TSAN_SYMBOLIZER_PATH=$symbolizer

status=0
ctest --test-dir "$build" --output-on-failure -j2 || status=$?

if [ -n "$(ls -A "$reports")" ]; then
  for report in "$reports"/*; do
    echo "=== $report" >&2
    cat "$report" >&2
  done
  echo "sanitize ($kind): FINDINGS: $(ls "$reports" | wc -l) report(s) above" >&2
  exit 1
fi
if [ $status -ne 0 ]; then
  echo "sanitize ($kind): tests failed under the sanitizers" >&2
  exit $status
fi
echo "sanitize ($kind): clean"
