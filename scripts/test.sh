#!/usr/bin/env bash
# Builds the whole project and runs its test suite. With --sanitize, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer in a build folder of its own.
# "-j N" sets the job count of the build and the tests (CMAKE_BUILD_PARALLEL_LEVEL is honoured
# too); VERBOSE=1 shows the build's whole output.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/build-lib.sh
sanitize=
while (($#)); do
  case "$1" in
    --sanitize) sanitize=1 ;;
    -j) export TV_JOBS=${2:?-j takes a number}; shift ;;
    *) echo "usage: scripts/test.sh [--sanitize] [-j N]" >&2; exit 2 ;;
  esac
  shift
done

bash scripts/install-deps.sh

build=build
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [[ -n "$sanitize" ]]; then
  build=build-sanitize
  flags=(-DCMAKE_BUILD_TYPE=Debug -DTV_SANITIZE=ON -DTV_BENCHMARKS=OFF)
fi

# CI builds every tree from nothing: line tables instead of whole debug information keep a
# run on two cores short, and a sanitizer's report still names file and line.
if [[ "${CI:-}" == true ]]; then
  flags+=("-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_DEBUG=-g1")
fi

# A compiler cache, when the machine has one, keeps rebuilds of several work trees short.
if command -v ccache >/dev/null; then
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
tv_build "$build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure --parallel "$(tv_jobs)"
