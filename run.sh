#!/usr/bin/env bash
# Installs what is missing, builds Velmo (Release) and runs it.
# ./run.sh                 shows what the harness reads from the sample file the build writes
# ./run.sh COMMAND ARGS    runs velmo-bench COMMAND ARGS
set -euo pipefail
cd "$(dirname "$0")"

./cmake/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$(nproc)" >/dev/null

if [ $# -eq 0 ]; then
  set -- info build/release/velmo-sample.RAF
fi
exec ./build/release/bench/velmo-bench "$@"
