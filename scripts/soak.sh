#!/usr/bin/env bash
# The soak: one Outlook session making REPLIES replies from a template (10,000 unless given),
# each deleted once made, and opening the template picker as often; fails when the resident
# memory grows by 5% or more over the second half or the last replies are slower than 1.2 times
# the first. CI runs a short one. Uses the build folder of scripts/test.sh (BUILD_DIR to change).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [[ ! -f "$build/build.ninja" ]]; then
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
  command -v ccache >/dev/null && flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
fi
cmake --build "$build" --target tanvelo-soak >/dev/null
"$build/bench/soak/tanvelo-soak" "${1:-10000}"
