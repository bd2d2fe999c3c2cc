#!/usr/bin/env bash
# The fault sweep: every script of tests/scenarios, on each of its Outlook versions, is played
# once to count the calls the add-in makes (per line), then once for each call K failing alone
# and for bursts (the first 3 calls of each line, and all of a line's calls), each run checked
# by the program (host/FaultRun.h).
#
#   scripts/faults.sh [-j JOBS] [--build DIR]                  the whole sweep
#   scripts/faults.sh --sample RUNS [--seed S] [-j JOBS] ...   a sample of about RUNS runs:
#       one call drawn inside every line that makes calls (so every command gets a fault),
#       then more draws and bursts while the budget lasts; the seed is printed, and the same
#       seed draws the same runs
#   scripts/faults.sh --only NAME ...                           the scripts whose name has NAME
#
# Each run that reports a finding (or crashes) is kept under DIR/faults/ with the command that
# replays it. Ends with the runs, the faults raised, the findings; fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=4 build=build sample=0 seed="" only=""
while [[ $# -gt 0 ]]; do
  case "$1" in
    -j) jobs="$2"; shift 2 ;;
    -j*) jobs="${1#-j}"; shift ;;
    --build) build="$2"; shift 2 ;;
    --sample) sample="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    *) echo "faults.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
program="$build/host/tanvelo-outlook"
if [[ ! -x "$program" ]]; then
  cmake --build "$build" -j "$jobs" --target tanvelo-outlook
fi
[[ -n "$seed" ]] || seed=$(( $(date +%s) % 1000000 ))
RANDOM=$seed
out="$build/faults"
rm -rf "$out"
mkdir -p "$out"
# The sweep plays its own copy: a build during the sweep does not change the program under it.
replay="$program"
cp "$program" "$(dirname "$program")/EN.lng" "$out/"
program="$out/tanvelo-outlook"
plan="$out/plan.txt"
: > "$plan"

draw() {  # a number in 1..$1 from the seeded sequence
  echo $(( (RANDOM * 32768 + RANDOM) % $1 + 1 ))
}

for script in tests/scenarios/*.txt; do
  name=$(basename "$script")
  [[ "$name" == *.second.txt ]] && continue
  [[ -n "$only" && "$name" != *"$only"* ]] && continue
  scripts="$script"
  [[ "$name" == *.first.txt ]] && scripts="$script ${script%.first.txt}.second.txt"
  versions=$(sed -n 's/^# versions://p' "$script" | head -1)
  [[ -n "$versions" ]] || versions=14
  for v in $versions; do
    # "line N calls A-B: text" for each line that makes calls
    ranges=$("$program" --outlook "$v" --fault-count $scripts |
             sed -n 's/^line [0-9]* calls \([0-9]*\)-\([0-9]*\):.*/\1 \2/p')
    [[ -n "$ranges" ]] || continue
    calls=$(tail -1 <<< "$ranges" | cut -d' ' -f2)
    if [[ "$sample" -eq 0 ]]; then
      for ((k = 1; k <= calls; ++k)); do echo "$v --fault-at $k $scripts" >> "$plan"; done
      while read -r first last; do
        echo "$v --fault-burst $first,3 $scripts" >> "$plan"
        echo "$v --fault-burst $first,$((last - first + 1)) $scripts" >> "$plan"
      done <<< "$ranges"
    else
      while read -r first last; do
        echo "$v --fault-at $((first + $(draw $((last - first + 1))) - 1)) $scripts" >> "$plan"
      done <<< "$ranges"
      # Beyond one per line: calls and bursts anywhere, drawn afresh (kept aside, shuffled in).
      for ((i = 0; i < 4; ++i)); do
        echo "$v --fault-at $(draw "$calls") $scripts" >> "$out/extra.txt"
        echo "$v --fault-burst $(draw "$calls"),$(draw 8) $scripts" >> "$out/extra.txt"
      done
    fi
  done
done
if [[ "$sample" -gt 0 ]]; then
  have=$(wc -l < "$plan")
  if [[ "$have" -gt "$sample" ]]; then
    # Over budget: every line cannot get its own run; keep a draw of them.
    while read -r line; do echo "$(draw 1000000) $line"; done < "$plan" | sort -n |
      head -n "$sample" | cut -d' ' -f2- > "$plan.kept"
    mv "$plan.kept" "$plan"
  elif [[ -f "$out/extra.txt" ]]; then
    while read -r line; do echo "$(draw 1000000) $line"; done < "$out/extra.txt" | sort -n |
      head -n $((sample - have)) | cut -d' ' -f2- >> "$plan"
  fi
  echo "faults.sh: seed $seed: $(wc -l < "$plan") runs (replay: scripts/faults.sh --sample $sample --seed $seed${only:+ --only $only})"
else
  echo "faults.sh: the whole sweep: $(wc -l < "$plan") runs"
fi

run_one() {  # PROGRAM REPLAY OUT VERSION OPTION VALUE SCRIPT...
  local program="$1" replay="$2" out="$3" v="$4" opt="$5" value="$6"
  shift 6
  local log rc=0 raised
  log=$(mktemp "$out/run.XXXXXX")
  "$program" --outlook "$v" "$opt" "$value" "$@" > "$log" 2>&1 || rc=$?
  raised=$(sed -n 's/^faults: \([0-9]*\) raised.*/\1/p' "$log" | tail -1)
  if [[ $rc -ne 0 ]] || grep -q '^finding:' "$log" || grep -q 'runtime error:\|AddressSanitizer' "$log"; then
    local kept=""
    kept="$out/finding-$(basename "$1" .txt)-$v-${opt#--fault-}-${value/,/+}.txt"
    { echo "replay: $replay --outlook $v $opt $value $*"; echo "exit: $rc"; cat "$log"; } > "$kept"
    echo "finding ${raised:-0} $(grep -c '^finding:' "$log" || true)"
  else
    echo "clean ${raised:-0} 0"
  fi
  rm -f "$log"
}
export -f run_one
tr '\n' '\0' < "$plan" |
  xargs -0 -P "$jobs" -I{} bash -c 'run_one "$0" "$1" "$2" $3' "$program" "$replay" "$out" {} \
  > "$out/results.txt"

runs=$(wc -l < "$out/results.txt")
raised=$(awk '{s += $2} END {print s + 0}' "$out/results.txt")
failed=$(grep -c '^finding' "$out/results.txt" || true)
findings=$(awk '{s += $3} END {print s + 0}' "$out/results.txt")
echo "faults.sh: $runs runs, $raised faults raised, $failed runs with findings ($findings findings)"
if [[ "$failed" -gt 0 ]]; then
  for f in "$out"/finding-*.txt; do
    head -1 "$f"
    grep '^finding:\|runtime error:\|ERROR: AddressSanitizer' "$f" | head -5 | sed 's/^/  /'
  done | head -200
  exit 1
fi
