#!/usr/bin/env bash
# The fault sweep: every script of tests/scenarios, on each of its Outlook versions, is played
# once to count the calls the add-in makes (per line), then, from each call K, once with K
# failing alone and once each with kHeldTries refusals and with one more (a held step refused
# every time it is asked, and the step after it once), and for bursts (per line: its first 3
# calls, all of its calls, and two that begin inside it, 8 calls from a third of the way in and
# 3 from two thirds), each run checked by the program (host/FaultRun.h). Every run plays in a
# folder of its own: a script may write files where it is played.
#
#   scripts/faults.sh [-j JOBS] [--build DIR]                  the whole sweep
#   scripts/faults.sh --sample RUNS [--seed S] [-j JOBS] ...   a sample of RUNS runs:
#       one call drawn inside every line that makes calls (so every command gets a fault),
#       failing alone or starting a held burst, then more draws and bursts (calls anywhere,
#       alone and held, the sweep's, and 1 to 8 calls from anywhere in a line; at least a
#       quarter of the budget), each run drawn once
#       while the budget lasts, then runs of the whole sweep not drawn yet; fewer only when
#       no more are there, told in one line; the seed is printed and draws the same runs again
#   scripts/faults.sh --only NAME ...                           the scripts whose name has NAME
#   scripts/faults.sh --profile [--sample RUNS --seed S] ...    the kept profile's own writes
#       failing (tests/scenarios/*kept*.first.txt, each call K of the first script's program,
#       or RUNS of them drawn once each per script):
#       the run ends well or with 3 naming the line whose save failed; the store then holds
#       what the clean run held after the line before or after that line, never something
#       between; a fresh program opens it; after a run that ended well the second script passes
#
# Each run that reports a finding (or crashes) is kept under DIR/faults/ with the command that
# replays it, and so is each run the program says it stopped judging from some line on
# ("judging stopped from line N: REASON"; blind-*.txt). Ends with the runs, the faults raised,
# the findings, the runs judged only in part and their commonest reasons, and a verdict line;
# fails on any finding. The
# draws come from a generator of the script's own, drawn in this shell only (never in a
# subshell or a pipeline, whose draws the next ones would not follow), so a seed replays.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
export root

jobs=4 build=build sample=0 seed="" only="" profile=0
while [[ $# -gt 0 ]]; do
  case "$1" in
    -j) jobs="$2"; shift 2 ;;
    -j*) jobs="${1#-j}"; shift ;;
    --build) build="$2"; shift 2 ;;
    --sample) sample="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --only) only="$2"; shift 2 ;;
    --profile) profile=1; shift ;;
    *) echo "faults.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
[[ "$build" == /* ]] || build="$root/$build"
program="$build/host/tanvelo-outlook"
if [[ ! -x "$program" ]]; then
  cmake --build "$build" -j "$jobs" --target tanvelo-outlook
fi
[[ -n "$seed" ]] || seed=$(( $(date +%s) % 1000000 ))
[[ "$seed" =~ ^[0-9]+$ ]] || { echo "faults.sh: --seed takes a number" >&2; exit 2; }
rng=$(( seed % 2147483648 ))
out="$build/faults"
[[ "$profile" -eq 0 ]] || out="$build/faults-profile"
rm -rf "$out"
mkdir -p "$out"
cd "$out"
# The sweep plays its own copy: a build during the sweep does not change the program under it.
replay="$program"
cp "$program" "$(dirname "$program")/EN.lng" "$out/"
program="$out/tanvelo-outlook"
draw() {  # sets drawn to a number in 1..$1 from the seeded sequence (call it in this shell)
  local high
  # A draw from nothing is a fault of the plan: bash would drop the rest of the loop around it
  # and carry on with a plan cut short.
  (( $1 > 0 )) || { echo "faults.sh: a draw from nothing (a line of no calls?)" >&2; exit 2; }
  rng=$(( (rng * 1103515245 + 12345) % 2147483648 ))
  high=$(( rng >> 16 ))
  rng=$(( (rng * 1103515245 + 12345) % 2147483648 ))
  drawn=$(( ((high << 15) | (rng >> 16)) % $1 + 1 ))
}
pick() {  # FILE K: K lines of FILE drawn without putting back, in the order drawn
  local -a all
  local n k=$2 i j t
  mapfile -t all < "$1"
  n=${#all[@]}
  (( k <= n )) || k=$n
  for ((i = 0; i < k; ++i)); do
    draw $((n - i))
    j=$((i + drawn - 1))
    t=${all[i]} all[i]=${all[j]} all[j]=$t
    printf '%s\n' "${all[i]}"
  done
}
# The first line of `# versions:`, without a pipe a closed reader could break.
versions_of() {
  sed -n '/^# versions:/{s/^# versions: *//p;q;}' "$1"
}

plan="$out/plan.txt"
: > "$plan"
# How often the add-in asks a held call before it counts as failed: bursts of exactly that many
# refusals (the step asked again each time, refused every time) and one more.
held=$(sed -n 's/^inline constexpr int kHeldTries = \([0-9]*\);.*/\1/p' "$root/core/Main.h")
[[ "$held" =~ ^[0-9]+$ ]] || { echo "faults.sh: kHeldTries not found in core/Main.h" >&2; exit 2; }

short=()  # why a sample plays fewer runs than asked
if [[ "$profile" -eq 1 ]]; then
  # Clean dumps of the store after each line of each first script (line 0: the store as made).
  mkdir -p "$out/clean"
  for first in "$root"/tests/scenarios/*kept*.first.txt; do
    name=$(basename "$first" .first.txt)
    [[ -n "$only" && "$name" != *"$only"* ]] && continue
    # The first of the script's Outlook versions.
    v=$(versions_of "$first")
    v=${v%% *}
    v=${v:-14}
    "$program" --outlook "$v" --profile "$out/count-$name" --fault-count "$first" \
      > /dev/null 2> "$out/count-$name.log" || true
    calls=$(sed -n 's/^profile faults: [0-9]* raised in \([0-9]*\) calls/\1/p' "$out/count-$name.log")
    rm -rf "$out/count-$name" "$out/count-$name.log"
    if [[ -z "$calls" ]]; then
      echo "faults.sh: $name: the counting run told no count" >&2
      echo "count-failed" >> "$out/count-failures.txt"
      continue
    fi
    lines=$(awk 'END {print NR}' "$first")
    for ((l = 0; l <= lines; ++l)); do
      head -n "$l" "$first" > "$out/clean/$name-$l.txt"
      "$program" --outlook "$v" --profile "$out/clean/$name-$l" "$out/clean/$name-$l.txt" \
        > /dev/null 2>&1 || true
      sqlite3 -readonly "$out/clean/$name-$l/store.sqlite" .dump > "$out/clean/$name-$l.dump"
      rm -rf "$out/clean/$name-$l" "$out/clean/$name-$l.txt"
    done
    if [[ "$sample" -eq 0 ]]; then
      for ((k = 1; k <= calls; ++k)); do echo "$name $v $k" >> "$plan"; done
    else
      # Each call once: a call drawn twice would play the same run twice.
      seq 1 "$calls" > "$out/calls.txt"
      pick "$out/calls.txt" "$sample" > "$out/calls.drawn"
      sed "s/^/$name $v /" "$out/calls.drawn" >> "$plan"
      (( calls >= sample )) || short+=("$name makes only $calls calls")
    fi
  done
  echo "faults.sh: the kept profile: $(wc -l < "$plan") runs (seed $seed; replay: scripts/faults.sh --profile$([[ "$sample" -gt 0 ]] && echo " --sample $sample") --seed $seed${only:+ --only $only})"
  if [[ ${#short[@]} -gt 0 ]]; then
    echo "faults.sh: fewer than $sample runs per script: $(printf '%s; ' "${short[@]}" | sed 's/; $//')"
  fi
  kept_one() {  # PROGRAM OUT NAME VERSION K
    local program="$1 --outlook $4" out="$2" name="$3" k="$5" d rc=0 line finding="" raised lines
    local first="$root/tests/scenarios/$name.first.txt" second="$root/tests/scenarios/$name.second.txt"
    lines=$(awk 'END {print NR}' "$first")
    d=$(mktemp -d "$out/run.XXXXXX")
    cd "$d"
    $program --profile "$d/p" --fault-at "$k" "$first" > "$d/log" 2>&1 || rc=$?
    raised=$(sed -n 's/^profile faults: \([0-9]*\) raised.*/\1/p' "$d/log" | tail -1)
    case $rc in
      0) # Every save went well: the store is the clean run's after its last line.
         sqlite3 -readonly "$d/p/store.sqlite" .dump > "$d/dump" 2>&1 || true
         if ! cmp -s "$d/dump" "$out/clean/$name-$lines.dump"; then
           finding="the run ended well but the store is not what the clean run left"
         elif ! $program --profile "$d/p" "$second" > "$d/log2" 2>&1; then
           finding="the second script fails on the profile of a run that ended well"
         fi ;;
      3) line=$(sed -n 's/^.*:\([0-9]*\): the profile could not be saved:.*/\1/p' "$d/log" | head -1)
         sqlite3 -readonly "$d/p/store.sqlite" .dump > "$d/dump" 2>&1 || true
         if [[ -z "$line" ]]; then
           finding="exit 3 naming no line"
         elif ! cmp -s "$d/dump" "$out/clean/$name-$((line - 1)).dump" &&
              ! cmp -s "$d/dump" "$out/clean/$name-$line.dump"; then
           finding="line $line: the store holds neither the line's save nor the one before"
         fi ;;
      2) grep -q "cannot \(make\|write\|open\|read\) the mail store" "$d/log" ||
           finding="exit 2 without the store named" ;;
      *) finding="exit $rc" ;;
    esac
    if [[ -z "$finding" ]] &&
       ! $program --profile "$d/p" -e "answer frmReplyFolder enter" -e start -e quit \
         > "$d/log3" 2>&1; then
      finding="a fresh program does not open the profile"
    fi
    if [[ -n "$finding" ]]; then
      { echo "replay: rm -rf /tmp/p; $program --profile /tmp/p --fault-at $k $first"
        echo "finding: $finding"; cat "$d/log"; } > "$out/finding-$name-$k.txt"
      echo "finding ${raised:-0} 1"
    else
      echo "clean ${raised:-0} 0"
    fi
    rm -rf "$d"
  }
  export -f kept_one
  tr '\n' '\0' < "$plan" |
    xargs -0 -P "$jobs" -I{} bash -c 'kept_one "$0" "$1" $2' "$program" "$out" {} \
    > "$out/results.txt"
  # A counting run that told nothing is a finding of its own.
  [[ ! -f "$out/count-failures.txt" ]] || sed 's/.*/finding 0 1/' "$out/count-failures.txt" >> "$out/results.txt"
  runs=$(wc -l < "$out/results.txt")
  raised=$(awk '{s += $2} END {print s + 0}' "$out/results.txt")
  failed=$(grep -c '^finding' "$out/results.txt" || true)
  echo "faults.sh: $runs runs, $raised faults raised, $failed runs with findings"
  if [[ "$failed" -gt 0 ]]; then
    for f in "$out"/finding-*.txt; do
      [[ ! -f "$f" ]] || sed -n 1,2p "$f"
    done | awk 'NR <= 100'
    echo "faults.sh: verdict: FAILED: $failed of $runs runs left the kept profile wrong or unreadable ($failed findings); each is kept with its replay command in $out/finding-*.txt"
    exit 1
  fi
  if [[ "$runs" -eq 0 ]]; then
    echo "faults.sh: verdict: nothing was played, so nothing was tested"
    exit 0
  fi
  echo "faults.sh: verdict: passed: in all $runs runs the kept profile held a whole save and opened again"
  exit 0
fi

whole_plan() {  # the whole sweep's runs of $v $scripts, whose lines make the calls of $ranges
  local k first last
  for ((k = 1; k <= calls; ++k)); do
    echo "$v --fault-at $k $scripts"
    echo "$v --fault-burst $k,$held $scripts"
    echo "$v --fault-burst $k,$((held + 1)) $scripts"
  done
  while read -r first last; do
    echo "$v --fault-burst $first,3 $scripts"
    echo "$v --fault-burst $first,$((last - first + 1)) $scripts"
    if (( last - first >= 3 )); then
      echo "$v --fault-burst $((first + (last - first + 1) / 3)),8 $scripts"
      echo "$v --fault-burst $((first + 2 * (last - first + 1) / 3)),3 $scripts"
    fi
  done <<< "$ranges"
}
counted=0 uncounted=0
pairs_v=() pairs_scripts=() pairs_ranges=() pairs_calls=()
for script in "$root"/tests/scenarios/*.txt; do
  name=$(basename "$script")
  # The folder's build file is no script.
  [[ "$name" == *.second.txt || "$name" == CMakeLists.txt ]] && continue
  [[ -n "$only" && "$name" != *"$only"* ]] && continue
  scripts="$script"
  [[ "$name" == *.first.txt ]] && scripts="$script ${script%.first.txt}.second.txt"
  versions=$(versions_of "$script")
  [[ -n "$versions" ]] || versions=14
  for v in $versions; do
    # "line N calls A-B: text" for each line that makes calls
    scratch=$(mktemp -d "$out/count.XXXXXX")
    rc=0
    (cd "$scratch" && "$program" --outlook "$v" --fault-count $scripts) > "$scratch.log" 2>&1 || rc=$?
    ranges=$(sed -n 's/^line [0-9]* calls \([0-9]*\)-\([0-9]*\):.*/\1 \2/p' "$scratch.log")
    if [[ $rc -ne 0 ]]; then
      # A counting run that fails or crashes is a finding, not a script with no calls.
      { echo "replay: $replay --outlook $v --fault-count $scripts"; echo "exit: $rc"
        cat "$scratch.log"; } > "$out/finding-$(basename "$script" .txt)-$v-count.txt"
      echo "finding 0 1" >> "$out/count-failures.txt"
      uncounted=$((uncounted + 1))
    fi
    counted=$((counted + 1))
    rm -rf "$scratch" "$scratch.log"
    [[ -n "$ranges" ]] || continue
    calls=$(tail -1 <<< "$ranges" | cut -d' ' -f2)
    if [[ "$sample" -eq 0 ]]; then
      whole_plan >> "$plan"
    else
      # What a sample falls back on once its draws run dry, made only then.
      pairs_v+=("$v") pairs_scripts+=("$scripts") pairs_ranges+=("$ranges") pairs_calls+=("$calls")
      # A call inside each line: failing alone, or the first of a held burst (as the whole
      # sweep plays each call).
      while read -r first last; do
        draw $((last - first + 1))
        at=$((first + drawn - 1))
        draw 3
        case $drawn in
          1) echo "$v --fault-at $at $scripts" >> "$plan" ;;
          2) echo "$v --fault-burst $at,$held $scripts" >> "$plan" ;;
          *) echo "$v --fault-burst $at,$((held + 1)) $scripts" >> "$plan" ;;
        esac
      done <<< "$ranges"
      # Beyond one per line: calls anywhere, alone and as held bursts, the whole sweep's bursts
      # and bursts of 1 to 8 calls from anywhere in a line, drawn afresh (kept aside, shuffled
      # in).
      mapfile -t lines <<< "$ranges"
      for ((i = 0; i < 4; ++i)); do
        draw "$calls"
        echo "$v --fault-at $drawn $scripts" >> "$out/extra.txt"
        draw "$calls"
        at=$drawn
        draw 2
        echo "$v --fault-burst $at,$((held + drawn - 1)) $scripts" >> "$out/extra.txt"
        draw ${#lines[@]}
        read -r first last <<< "${lines[drawn - 1]}"
        draw 3
        case $drawn in
          1) echo "$v --fault-burst $first,3 $scripts" >> "$out/extra.txt" ;;
          2) echo "$v --fault-burst $first,$((last - first + 1)) $scripts" >> "$out/extra.txt" ;;
          *) draw $((last - first + 1))
             at=$((first + drawn - 1))
             draw 8
             echo "$v --fault-burst $at,$drawn $scripts" >> "$out/extra.txt" ;;
        esac
      done
    fi
  done
done
if [[ "$sample" -gt 0 ]]; then
  have=$(wc -l < "$plan")
  lines_share=$((sample * 3 / 4))
  if [[ "$have" -gt "$lines_share" ]]; then
    # Over budget: every line cannot get its own run; keep a draw of them, and a quarter of
    # the budget for the bursts.
    pick "$plan" "$lines_share" > "$plan.kept"
    mv "$plan.kept" "$plan"
    have=$lines_share
  fi
  if [[ -f "$out/extra.txt" ]]; then
    # Each run once: what the lines' share holds, or another draw made already, is not drawn.
    awk 'NR == FNR { seen[$0] = 1; next } !seen[$0]++' "$plan" "$out/extra.txt" > "$out/extra.once"
    pick "$out/extra.once" $((sample - have)) >> "$plan"
  fi
  have=$(wc -l < "$plan")
  if [[ "$have" -lt "$sample" && ${#pairs_v[@]} -gt 0 ]]; then
    # The draws ran dry (a budget near the plan's size): the whole sweep's runs not drawn yet.
    for ((i = 0; i < ${#pairs_v[@]}; ++i)); do
      v=${pairs_v[i]} scripts=${pairs_scripts[i]} ranges=${pairs_ranges[i]} calls=${pairs_calls[i]}
      whole_plan
    done > "$out/whole.txt"
    awk 'NR == FNR { seen[$0] = 1; next } !seen[$0]++' "$plan" "$out/whole.txt" > "$out/whole.once"
    pick "$out/whole.once" $((sample - have)) >> "$plan"
    have=$(wc -l < "$plan")
  fi
  echo "faults.sh: seed $seed: $have runs (replay: scripts/faults.sh --sample $sample --seed $seed${only:+ --only $only})"
  if [[ "$have" -lt "$sample" ]]; then
    if [[ "$counted" -eq 0 ]]; then
      why="no script${only:+ whose name has $only} was found"
    elif [[ "$uncounted" -eq "$counted" ]]; then
      why="no script could be counted (each counting run is a finding)"
    else
      why="every run of the whole sweep and every burst drawn is in it: the $((counted - uncounted)) script and version pairs counted hold no more"
      [[ "$uncounted" -eq 0 ]] || why+=" ($uncounted more could not be counted: findings)"
    fi
    echo "faults.sh: $have runs, not the $sample asked: $why"
  fi
else
  echo "faults.sh: the whole sweep: $(wc -l < "$plan") runs"
fi

run_one() {  # PROGRAM REPLAY OUT VERSION OPTION VALUE SCRIPT...
  local program="$1" replay="$2" out="$3" v="$4" opt="$5" value="$6"
  shift 6
  local d log rc=0 raised tag stopped why blind=0 found
  d=$(mktemp -d "$out/run.XXXXXX")
  log="$d.log"
  (cd "$d" && "$program" --outlook "$v" "$opt" "$value" "$@") > "$log" 2>&1 || rc=$?
  raised=$(sed -n 's/^faults: \([0-9]*\) raised.*/\1/p' "$log" | tail -1)
  tag="$(basename "$1" .txt)-$v-${opt#--fault-}-${value/,/+}"
  # A run the program judged only up to some line: kept like a finding, to be replayed, with
  # the first such line's reason (a program that prints none has none).
  stopped=$(grep -m 1 'judging stopped from line [0-9]*: ' "$log" || true)
  if [[ -n "$stopped" ]]; then
    blind=1
    why=${stopped#*judging stopped from line }
    why=${why#*: }
    why=${why:0:300}  # a result line is written whole only while short
    { echo "replay: $replay --outlook $v $opt $value $*"
      grep 'judging stopped from line [0-9]*: ' "$log"; } > "$out/blind-$tag.txt"
  fi
  if [[ $rc -ne 0 ]] || grep -q '^finding:' "$log" || grep -q 'runtime error:\|AddressSanitizer' "$log"; then
    { echo "replay: $replay --outlook $v $opt $value $*"; echo "exit: $rc"; cat "$log"; } \
      > "$out/finding-$tag.txt"
    # A crash or a sanitizer's report is a finding though the program wrote none.
    found=$(grep -c '^finding:' "$log" || true)
    echo "finding ${raised:-0} $((found > 0 ? found : 1)) $blind ${why:-}"
  else
    echo "clean ${raised:-0} 0 $blind ${why:-}"
  fi
  rm -rf "$d" "$log"
}
export -f run_one
tr '\n' '\0' < "$plan" |
  xargs -0 -P "$jobs" -I{} bash -c 'run_one "$0" "$1" "$2" $3' "$program" "$replay" "$out" {} \
  > "$out/results.txt"
[[ ! -f "$out/count-failures.txt" ]] || sed 's/$/ 0/' "$out/count-failures.txt" >> "$out/results.txt"

runs=$(wc -l < "$out/results.txt")
raised=$(awk '{s += $2} END {print s + 0}' "$out/results.txt")
failed=$(grep -c '^finding' "$out/results.txt" || true)
findings=$(awk '{s += $3} END {print s + 0}' "$out/results.txt")
echo "faults.sh: $runs runs, $raised faults raised, $failed runs with findings ($findings findings)"
# Runs judged only in part, and why: reasons alike but for a name or a number are one reason.
blind=$(awk '$4 == 1' "$out/results.txt" | wc -l)
share=$(awk -v b="$blind" -v r="$runs" 'BEGIN { printf "%.1f", r ? 100 * b / r : 0 }')
if [[ "$blind" -gt 0 ]]; then
  echo "faults.sh: $blind runs ($share%) stopped judging from some line on; the commonest reasons:"
  awk '$4 == 1 { $1 = $2 = $3 = $4 = ""; sub(/^ +/, ""); print }' "$out/results.txt" |
    sed -E 's/"[^"]*"/"…"/g; s/[0-9]+/N/g' | sort | uniq -c | sort -rn |
    awk -v b="$blind" 'NR <= 5 { n = $1; $1 = ""; printf "  %3.0f%% (%d runs):%s\n", 100 * n / b, n, $0 }'
  echo "  (each such run's replay: $out/blind-*.txt)"
else
  echo "faults.sh: no run stopped judging before its last line"
fi
judged="every run was judged to its last line"
[[ "$blind" -eq 0 ]] ||
  judged="$blind runs ($share%) were judged only up to some line, so a later loss there goes unseen (see blind-*.txt)"
if [[ "$failed" -gt 0 ]]; then
  for f in "$out"/finding-*.txt; do
    [[ -f "$f" ]] || continue
    sed -n 1p "$f"
    grep '^finding:\|^exit:\|runtime error:\|ERROR: AddressSanitizer' "$f" | awk 'NR <= 5' |
      sed 's/^/  /' || true
  done | awk 'NR <= 200'
  echo "faults.sh: verdict: FAILED: $failed of $runs runs with findings ($findings findings): a fault left something lost or wrong that nothing told, or the program crashed; replay each with the first line of its file in $out/finding-*.txt; $judged"
  exit 1
fi
if [[ "$runs" -eq 0 ]]; then
  echo "faults.sh: verdict: nothing was played, so nothing was tested"
  exit 0
fi
echo "faults.sh: verdict: passed: no finding in $runs runs ($raised faults raised): nothing lost or wrong went untold and nothing crashed; $judged"
