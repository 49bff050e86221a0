#!/usr/bin/env bash
# Hardening checks, run after the tests: the engine, hosei-cli and their tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, then under ThreadSanitizer, then about a
# minute of fuzzing of the readers and Execute. Exits non-zero on any finding.
#   HOSEI_FUZZ_SECONDS   fuzzing time (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/ensure_packages.sh
# clang and its sanitizer runtimes, libFuzzer among them; llvm-14 for readable stack traces.
hosei_ensure_packages clang-14 libclang-rt-14-dev llvm-14

started=$SECONDS
scripts/sanitize.sh
echo "harden: sanitizers took $((SECONDS - started))s"
started=$SECONDS
scripts/sanitize.sh thread
echo "harden: ThreadSanitizer took $((SECONDS - started))s"
started=$SECONDS
fuzz/run.sh "${HOSEI_FUZZ_SECONDS:-60}"
echo "harden: fuzzing took $((SECONDS - started))s, build included"
