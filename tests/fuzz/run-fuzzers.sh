#!/bin/sh
# Builds the libFuzzer targets with clang, AddressSanitizer and UBSan, writes
# seed corpora with the test-file builders and runs each target.
#
#   tests/fuzz/run-fuzzers.sh [SECONDS] [BUILD_DIR]
#
# SECONDS per target (default 20); BUILD_DIR defaults to build-fuzz in the
# repository. Exits non-zero when a target crashes, leaks or times out; the
# input that did it is left in BUILD_DIR/fuzz-artifacts/.
set -eu

seconds=${1:-20}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${2:-$root/build-fuzz}
jobs=${VELMO_FUZZ_JOBS:-4}

cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMO_ENGINE_ONLY=ON -DVELMO_BUILD_TESTS=ON -DVELMO_FUZZ=ON -DVELMO_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$jobs" --target RafContainerFuzzer ExifParserFuzzer FuzzSeeds

corpus=$build/fuzz-corpus
artifacts=$build/fuzz-artifacts
mkdir -p "$corpus" "$artifacts"
"$build/tests/fuzz/FuzzSeeds" "$corpus/seeds"
mkdir -p "$corpus/raf" "$corpus/exif"

status=0
run() {
    target=$1
    shift
    echo "== $target for ${seconds}s"
    if ! "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$@" 2>"$build/$target.log"; then
        echo "$target FAILED; see $build/$target.log"
        tail -n 40 "$build/$target.log"
        status=1
    else
        grep -E '^stat::number_of_executed_units|^Done' "$build/$target.log" || true
    fi
}

run RafContainerFuzzer -max_len=262144 "$corpus/raf" "$corpus/seeds/raf"
run ExifParserFuzzer -max_len=4096 "$corpus/exif" "$corpus/seeds/exif"
exit $status
