#!/usr/bin/env bash
# The main job: builds the simulated Outlook program and runs its demo, Tanvelo at work in
# Outlook 2010. Arguments replace --demo (e.g. a script file, or --outlook 11 for the prompt).
# A first "-j N" sets the build's job count (CMAKE_BUILD_PARALLEL_LEVEL is honoured too).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/build-lib.sh
if [[ "${1:-}" == "-j" && -n "${2:-}" ]]; then
  export TV_JOBS=$2
  shift 2
fi

bash scripts/install-deps.sh
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if command -v ccache >/dev/null; then
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -G Ninja "${flags[@]}" >/dev/null
tv_build build --target tanvelo-outlook
if (($#)); then
  exec build/host/tanvelo-outlook "$@"
fi
exec build/host/tanvelo-outlook --demo
