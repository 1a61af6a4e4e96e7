#!/bin/sh
# Builds the libFuzzer targets with clang, AddressSanitizer, UBSan and the
# float-to-int overflow and float division checks, writes seed corpora with
# the test-file builders and runs each target.
#
#   tests/fuzz/run-fuzzers.sh [SECONDS] [BUILD_DIR]
#
# SECONDS per target (default 20); the targets run side by side, each on
# one core. BUILD_DIR defaults to build-fuzz in the repository. Exits non-zero when a target crashes, leaks or times out; the
# input that did it is left in BUILD_DIR/fuzz-artifacts/. The targets that
# run the document print at the end how many inputs they took and how many
# outputs of each format they wrote.
set -eu

seconds=${1:-20}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${2:-$root/build-fuzz}
jobs=${VELMO_FUZZ_JOBS:-$(nproc)}

targets="RafContainerFuzzer ExifParserFuzzer PipelineFuzzer SideFileFuzzer IccProfileFuzzer EmbeddedJpegFuzzer"

cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELMO_ENGINE_ONLY=ON -DVELMO_BUILD_TESTS=ON -DVELMO_FUZZ=ON -DVELMO_SANITIZE=ON \
    -DVELMO_FLOAT_CHECKS=ON >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j "$jobs" --target $targets FuzzSeeds

corpus=$build/fuzz-corpus
artifacts=$build/fuzz-artifacts
mkdir -p "$corpus" "$artifacts"
rm -rf "$corpus/seeds"
"$build/tests/fuzz/FuzzSeeds" "$corpus/seeds"

export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Starts a target in the background; report then prints what it did.
run() {
    target=$1
    name=$2
    shift 2
    mkdir -p "$corpus/$name"
    (
        if "$build/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
            -print_final_stats=1 -artifact_prefix="$artifacts/$target-" "$@" \
            "$corpus/$name" "$corpus/seeds/$name" 2>"$build/$target.log"; then
            echo 0 >"$build/$target.status"
        else
            echo 1 >"$build/$target.status"
        fi
    ) &
}
status=0
report() {
    target=$1
    echo "== $target for ${seconds}s"
    if [ "$(cat "$build/$target.status" 2>/dev/null)" != 0 ]; then
        echo "$target FAILED; see $build/$target.log"
        tail -n 40 "$build/$target.log"
        status=1
    else
        grep -E "^stat::number_of_executed_units|^Done|^$target: " "$build/$target.log" || true
    fi
}

rm -f "$build"/*.status
run RafContainerFuzzer raf -max_len=262144
run ExifParserFuzzer exif -max_len=4096
run PipelineFuzzer pipeline -max_len=262144
run SideFileFuzzer side -max_len=65536
run IccProfileFuzzer icc -max_len=65536
run EmbeddedJpegFuzzer jpeg -max_len=65536
wait
for target in $targets; do
    report "$target"
done
exit $status
