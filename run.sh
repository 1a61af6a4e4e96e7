#!/usr/bin/env bash
# Installs what is missing, builds Velmo (Release) and runs it.
# ./run.sh                 opens the program's window on the sample file the build writes
# ./run.sh FILE            opens the program's window on FILE
# ./run.sh COMMAND ARGS    runs velmo-bench COMMAND ARGS
set -euo pipefail
cd "$(dirname "$0")"

./cmake/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -- -j"$(nproc)" >/dev/null

if [ $# -eq 0 ]; then
  sample=build/release/velmo-sample.RAF
  if [ -f "$sample" ]; then
    exec ./build/release/app/velmo "$sample"
  fi
  exec ./build/release/app/velmo
fi
if [ $# -eq 1 ] && [ -f "$1" ]; then
  exec ./build/release/app/velmo "$1"
fi
exec ./build/release/bench/velmo-bench "$@"
