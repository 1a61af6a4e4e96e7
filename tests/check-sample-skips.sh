#!/usr/bin/env bash
# Fails when a test that reads the shared sample files was skipped although
# the samples folder exists (a renamed sample, a wrong path, a test that
# quietly stopped finding its file).
#
#   tests/check-sample-skips.sh SAMPLES_DIR JUNIT_XML...
#
# JUNIT_XML: ctest's --output-junit files. A test needs a sample when its
# skip output says "sample missing" (what the sample tests print with
# GTEST_SKIP) or names the samples folder. When SAMPLES_DIR does not exist at
# all, this prints a warning naming the path and succeeds: not every machine
# has the samples.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 SAMPLES_DIR JUNIT_XML..." >&2
  exit 2
fi
samples=$1
shift

if [ ! -d "$samples" ]; then
  echo "WARNING: the samples folder $samples does not exist; the tests that read sample files were skipped."
  exit 0
fi
resolved=$(cd "$samples" && pwd -P)

status=0
for junit in "$@"; do
  if [ ! -f "$junit" ]; then
    echo "check-sample-skips: no test results in $junit" >&2
    status=1
    continue
  fi
  # One line per skipped test whose output points at a sample.
  skipped=$(awk -v dir="$samples" -v resolved="$resolved" '
    /<testcase / {
      name = $0
      sub(/.*<testcase name="/, "", name)
      sub(/".*/, "", name)
      skipped = 0
      sample = 0
    }
    /<skipped/ { skipped = 1 }
    index($0, "sample missing") || index($0, dir) || index($0, resolved) { sample = 1 }
    /<\/testcase>/ { if (skipped && sample) print name }
  ' "$junit")
  if [ -n "$skipped" ]; then
    echo "Tests that need a sample were skipped although $samples exists ($junit):"
    while IFS= read -r name; do
      echo "  $name"
    done <<<"$skipped"
    status=1
  fi
done
exit $status
