#!/usr/bin/env bash
# Builds the libFuzzer targets of tests/fuzz with clang, AddressSanitizer and UBSan (in
# build-fuzz; the GCC build never needs clang) and runs each from its corpus in
# tests/fuzz/corpus/<target>, whose inputs (seeds and every earlier finding) run first.
#
#   scripts/fuzz.sh --smoke               every target briefly (CI; FUZZ_SMOKE_SECONDS, 15 s)
#   scripts/fuzz.sh [seconds] [target...] longer runs, 300 s per target unless told
#   scripts/fuzz.sh --long [target...]    an hour or 10 million runs per target, whichever
#                                         comes first (before a release, or after a change
#                                         to a parser or converter)
#
# New inputs go to build-fuzz/found/<target>, a failing input to build-fuzz/found/<target>-crash-*;
# copy a finding into the target's corpus once it is mended, so it is run from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=300
fresh=0
runs=-1
if [[ "${1:-}" == "--smoke" ]]; then
  seconds=${FUZZ_SMOKE_SECONDS:-15}
  fresh=1
  shift
elif [[ "${1:-}" == "--long" ]]; then
  seconds=3600
  runs=10000000
  shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi

bash scripts/install-deps.sh
build=build-fuzz
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DTV_FUZZ=ON)
# In CI, line tables only (see test.sh).
if [[ "${CI:-}" == true ]]; then
  flags+=("-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -gline-tables-only -DNDEBUG")
fi
if command -v ccache >/dev/null; then
  flags+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null

targets=("$@")
if ((${#targets[@]} == 0)); then
  for source in tests/fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi
cmake --build "$build" --parallel --target "${targets[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The timeout is wall-clock time: a machine that holds the process still (a busy host, a paused
# VM) can trip it on a quick input. A timeout counts only when its input, replayed alone, is
# slow again; a hang or a slow path replays as one every time.
stalled() {
  local target=$1 found=$2 input
  grep -q 'libFuzzer: timeout' "$build/found/$target.log" || return 1
  input=$(ls -t "$found"-timeout-* 2>/dev/null | head -n 1)
  [[ -n $input ]] || return 1
  echo "replaying $input alone, three times"
  "$build/tests/fuzz/$target" -timeout=10 -runs=3 "$input" > "$build/found/$target.replay.log" 2>&1 \
    || { tail -n 20 "$build/found/$target.replay.log"; return 1; }
}

status=0
for target in "${targets[@]}"; do
  corpus=tests/fuzz/corpus/$target
  found=$build/found/$target
  ((fresh)) && rm -rf "$found"
  mkdir -p "$found" "$corpus"
  # Lines of the language files are cut at 4096 bytes: their inputs must be able to pass it.
  max_len=4096
  [[ $target == fuzz_lang_file ]] && max_len=12000
  # A word processor's HTML of a short letter runs to a few thousand bytes.
  [[ $target == fuzz_word_document ]] && max_len=8192
  echo "== $target ($seconds s$( ((runs > 0)) && echo " or $runs runs"))"
  if ! "$build/tests/fuzz/$target" -max_total_time="$seconds" -runs="$runs" -timeout=10 \
      -rss_limit_mb=2048 \
      -max_len="$max_len" -print_final_stats=1 -artifact_prefix="$found-" \
      "$found" "$corpus" > "$build/found/$target.log" 2>&1; then
    tail -n 60 "$build/found/$target.log"
    if stalled "$target" "$found"; then
      echo "not a finding: the input that timed out replays in time; the machine was held, not the target"
    else
      echo "FAILED: $target (input kept as $found-*)"
      status=1
    fi
  else
    grep -E '^(stat::number_of_executed_units|Done )' "$build/found/$target.log" | tr '\n' ' '
    echo
  fi
done
exit $status
