#!/usr/bin/env bash
# Installs what is missing, builds Velmo and runs every test, as CI does:
#  1. the Release build (warnings are errors) and all its tests;
#  2. the whole program under AddressSanitizer and UndefinedBehaviorSanitizer:
#     the engine, the application, platform/gui, every harness and all their
#     tests (the GUI tests on the offscreen platform; Qt itself is not
#     instrumented), among them the whole edit from start to quit;
#  3. the engine tests built with clang and its float-to-int overflow and
#     float division checks, which GCC's UBSan does not have;
#  4. the engine tests under ThreadSanitizer: all of them, not only the
#     worker's, since every development pass runs on all cores; then the GUI
#     tests of the batch runner and of the preview worker, with the
#     suppressions of tests/tsan-qt.supp for reports wholly inside Qt;
#  5. a short run of each fuzzer (clang, ASan, UBSan and the float checks);
#     the targets that run the document print how many outputs of each
#     format they wrote.
# After each ctest run, tests/check-sample-skips.sh reads the run's JUnit
# results (build/test-results/<preset>.xml) and fails when a test that reads
# the shared sample files (../shared/samples beside the repository) was
# skipped although that folder exists; when the folder does not exist it
# prints a warning naming the path and goes on.
# Each stage prints its wall time, and a summary closes the run; the whole
# must stay under 25 minutes on the 8-core CI machine.
set -euo pipefail
cd "$(dirname "$0")"
export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"
samples="$(pwd)/../shared/samples"

timings=()
stage_start=$SECONDS
total_start=$SECONDS
stage() {
  echo "== $1"
  stage_start=$SECONDS
}
stage_done() {
  local seconds=$((SECONDS - stage_start))
  timings+=("$(printf '%-58s %3d:%02d' "$1" $((seconds / 60)) $((seconds % 60)))")
  echo "-- $1: $((seconds / 60))m$((seconds % 60))s"
}
# ctest with the preset's settings, its results kept for the sample check.
# VELMO_RESULTS names the results file when a preset runs more than once.
run_ctest() {
  local preset=$1
  shift
  local results="$(pwd)/build/test-results/${VELMO_RESULTS:-$preset}.xml"
  mkdir -p build/test-results
  ctest --preset "$preset" --output-junit "$results" "$@"
  tests/check-sample-skips.sh "$samples" "$results"
}

stage "Dependencies"
./cmake/install-deps.sh
stage_done "dependencies"

stage "Release build"
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$jobs"
stage_done "release build"
stage "Release tests"
run_ctest release
stage_done "release tests"

stage "Whole program built with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset debug-asan >/dev/null
cmake --build --preset debug-asan -- -j"$jobs"
stage_done "ASan/UBSan build"
stage "All tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  run_ctest debug-asan
stage_done "ASan/UBSan tests"

stage "Engine build with clang and the float checks"
cmake --preset clang-float >/dev/null
cmake --build --preset clang-float -- -j"$jobs"
stage_done "clang float-check build"
stage "Engine tests with clang's float-to-int overflow and float division checks"
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 run_ctest clang-float
stage_done "clang float-check tests"

stage "Engine and application built with ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -- -j"$jobs"
stage_done "TSan build"
stage "Engine tests under ThreadSanitizer"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 run_ctest tsan -L engine
stage_done "TSan engine tests"
stage "GUI tests of the batch runner and the preview worker under ThreadSanitizer"
# Qt's own event loop rather than glib's: one uninstrumented library fewer.
QT_NO_GLIB=1 TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$(pwd)/tests/tsan-qt.supp" \
  VELMO_RESULTS=tsan-gui run_ctest tsan -L threads
stage_done "TSan GUI tests"

if [ -x tests/fuzz/run-fuzzers.sh ]; then
  stage "Fuzzers"
  tests/fuzz/run-fuzzers.sh "${VELMO_FUZZ_SECONDS:-20}"
  stage_done "fuzzers (build and runs)"
fi

echo "== Wall time per stage"
printf '%s\n' "${timings[@]}"
total=$((SECONDS - total_start))
printf '%-58s %3d:%02d\n' "total" $((total / 60)) $((total % 60))
echo "== All tests passed"
