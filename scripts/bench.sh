#!/usr/bin/env bash
# Runs every benchmark program of a build once, briefly (CI: they must still run; numbers are
# read from full runs: pass other Google Benchmark flags to replace the short default).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
args=("$@")
((${#args[@]})) || args=(--benchmark_min_time=0.01)
status=0
for program in "$build"/bench/*/bench_*; do
  [[ -x "$program" ]] || continue
  echo "== $program"
  "$program" "${args[@]}" || status=1
done
exit $status
