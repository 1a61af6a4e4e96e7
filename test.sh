#!/usr/bin/env bash
# Installs what is missing, builds Velmo and runs every test: the Release
# build's tests, the engine tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the background-worker tests under
# ThreadSanitizer, and a short run of each fuzzer.
set -euo pipefail
cd "$(dirname "$0")"
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

./cmake/install-deps.sh

echo "== Release build and tests"
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$jobs"
ctest --preset release

echo "== Engine tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset debug-asan >/dev/null
cmake --build --preset debug-asan -- -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --preset debug-asan

echo "== Background-worker tests under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -- -j"$jobs"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 ctest --preset tsan -R '^Worker'

if [ -x tests/fuzz/run-fuzzers.sh ]; then
  echo "== Fuzzers"
  tests/fuzz/run-fuzzers.sh "${VELMO_FUZZ_SECONDS:-20}"
fi
echo "== All tests passed"
