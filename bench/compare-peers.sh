#!/usr/bin/env bash
# Velmo against the programs photographers use, on one full-size file.
#
#   bench/compare-peers.sh [RUNS]        (default 5 runs of each program)
#
# Makes the benchmark file from the real FinePix S5Pro header in the shared
# samples (velmo-make-sample --header: the header up to its CFA data offset,
# then the S and R frames of a synthetic scene), checks that Velmo opens it
# as a two-frame S5Pro, installs the peers from Debian when they are missing
# (dcraw, LibRaw's dcraw_emu, rawtherapee-cli, GNU time), and runs each
# program RUNS times, alternating, every one writing a 16-bit TIFF. Then
# Velmo alone: open, previews, noise reduction on, one thread against all
# cores, and the opening of a bzip2-compressed S5Pro sample
# (velmo-make-sample --compressed). Prints the tables (also left in
# WORK/table.md).
#
# Environment: VELMO_BUILD_DIR (default build/perf, configured here as an
# engine-only Release build when it does not exist), VELMO_BENCH_WORK (where
# the file and the outputs go; default VELMO_BUILD_DIR/peer-bench),
# VELMO_SAMPLES_DIR (default ../shared/samples beside the repository).
# Slow on purpose: not part of test.sh or CI.
set -euo pipefail

RUNS="${1:-5}"
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${VELMO_BUILD_DIR:-$REPO/build/perf}"
WORK="${VELMO_BENCH_WORK:-$BUILD/peer-bench}"
SAMPLES="${VELMO_SAMPLES_DIR:-$REPO/../shared/samples}"
HEADER="$SAMPLES/S5Pro-header-only.RAF"

[ -r "$HEADER" ] || { echo "compare-peers: no camera header at $HEADER" >&2; exit 1; }

# The peers and GNU time, from Debian, only when missing.
need=()
command -v dcraw >/dev/null || need+=(dcraw)
command -v dcraw_emu >/dev/null || need+=(libraw-bin)
command -v rawtherapee-cli >/dev/null || need+=(rawtherapee)
[ -x /usr/bin/time ] || need+=(time)
command -v tiffinfo >/dev/null || need+=(libtiff-tools)
if [ ${#need[@]} -gt 0 ]; then
    echo "compare-peers: installing ${need[*]}"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO="sudo"
    $SUDO apt-get update -qq || true
    # A peer that cannot be installed is left out of the table.
    for p in "${need[@]}"; do
        DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$p" >/dev/null ||
            echo "compare-peers: $p could not be installed" >&2
    done
fi

# Velmo: the harness and the sample maker, optimised.
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
    cmake -S "$REPO" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release -DVELMO_ENGINE_ONLY=ON >/dev/null
fi
cmake --build "$BUILD" -j4 --target velmo-bench velmo-make-sample >/dev/null
BENCH="$BUILD/bench/velmo-bench"
MAKER="$BUILD/bench/make-sample/velmo-make-sample"

mkdir -p "$WORK"
FILE="$WORK/S5Pro-bench.RAF"
if [ ! -s "$FILE" ] || [ "$HEADER" -nt "$FILE" ] || [ "$MAKER" -nt "$FILE" ]; then
    "$MAKER" "$FILE" --header "$HEADER"
fi
# The same camera's shot as a bzip2-compressed file, for the opening time.
PACKED="$WORK/S5Pro-bench-compressed.RAF"
if [ ! -s "$PACKED" ] || [ "$MAKER" -nt "$PACKED" ]; then
    "$MAKER" "$PACKED" --compressed
fi

# Velmo must see a two-frame S5Pro.
info="$("$BENCH" info "$FILE")"
grep -q '^Model: FinePix S5Pro' <<<"$info" && grep -q 'Frames: 2; twoFrames 1' <<<"$info" || {
    echo "compare-peers: Velmo does not open $FILE as a two-frame S5Pro:" >&2
    echo "$info" | tail -8 >&2
    exit 1
}

exec python3 "$REPO/bench/compare-peers.py" --bench "$BENCH" --file "$FILE" --compressed "$PACKED" --work "$WORK" \
    --runs "$RUNS"
