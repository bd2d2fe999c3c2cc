#!/usr/bin/env bash
# The main job: builds the simulated Outlook program and runs its demo, Tanvelo at work in
# Outlook 2010. Arguments replace --demo (e.g. a script file, or --outlook 11 for the prompt).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if command -v ccache >/dev/null; then
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build -G Ninja "${flags[@]}" >/dev/null
cmake --build build --parallel --target tanvelo-outlook
if (($#)); then
  exec build/host/tanvelo-outlook "$@"
fi
exec build/host/tanvelo-outlook --demo
