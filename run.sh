#!/usr/bin/env bash
# Installs what is missing, builds Velmo (Release) and runs it.
# ./run.sh                 runs the headless harness on the default job
# ./run.sh COMMAND ARGS    runs velmo-bench COMMAND ARGS
set -euo pipefail
cd "$(dirname "$0")"

./cmake/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$(nproc)" >/dev/null

if [ $# -eq 0 ]; then
  set -- defaults --family 0
fi
exec ./build/release/bench/velmo-bench "$@"
