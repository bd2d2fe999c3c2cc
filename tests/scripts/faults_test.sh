#!/usr/bin/env bash
# The fault sweep's own checks, against a stand-in program that answers as tanvelo-outlook
# does (its counts, its summaries, its store) and fails where told: a run that crashes is a
# finding; a seed draws the same sample again, and every run ends with its summary; with
# --profile a run that ends well with a store unlike the clean run's is a finding.
set -euo pipefail
faults=$1
tmp=$(mktemp -d "${2:-${TMPDIR:-/tmp}}/faults_test.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

mkdir -p "$tmp/build/host"
: > "$tmp/build/host/EN.lng"
cat > "$tmp/build/host/tanvelo-outlook" <<'EOF'
#!/usr/bin/env bash
# Stand-in: FAKE_LINES lines of 2 calls each, or lines of FAKE_SIZES calls; FAKE_CRASH_AT
# crashes the run failing that call (alone, not in a burst), FAKE_UBSAN_AT reports a sanitizer's
# error there and ends 0, FAKE_FINDING_AT writes one finding there; the runs from a call of
# FAKE_BLIND_AT stop judging (an odd call for a file not read, an even one for a template named
# by the call); FAKE_COUNT_FAIL makes the counting run fail; with --profile the store holds the
# script's line count, FAKE_LOSE_AT loses one and ends well, FAKE_EXIT2_AT ends with 2 telling
# FAKE_EXIT2_TEXT, FAKE_EXIT3_AT ends with 3 naming line FAKE_EXIT3_LINE with the store as after
# that line plus FAKE_EXIT3_SHIFT, FAKE_UNOPENABLE_AT leaves a profile no fresh program opens,
# FAKE_SECOND_FAILS_AT one the second script fails on.
profile="" at="" burst="" count=0 script=""
while [[ $# -gt 0 ]]; do
  case "$1" in
    --profile) profile="$2"; shift 2 ;;
    --fault-at) at="$2"; shift 2 ;;
    --fault-burst) at="${2%,*}" burst=1; shift 2 ;;
    --fault-count) count=1; shift ;;
    --outlook|-e) shift 2 ;;
    *) script="$1"; shift ;;
  esac
done
lines=${FAKE_LINES:-3}
if [[ -n "$profile" ]]; then
  mkdir -p "$profile"
  if [[ -z "$script" ]]; then  # a fresh program opening the profile
    [[ -f "$profile/unopenable" ]] && exit 2
    exit 0
  fi
  [[ "$script" == *.second.txt && -f "$profile/second-fails" ]] && exit 1
  [[ $count -eq 1 && -n "${FAKE_COUNT_FAIL:-}" ]] && exit 1
  if [[ -n "$at" && "$at" == "${FAKE_EXIT2_AT:-}" ]]; then
    echo "$FAKE_EXIT2_TEXT" >&2
    exit 2
  fi
  [[ -n "$at" && "$at" == "${FAKE_UNOPENABLE_AT:-}" ]] && touch "$profile/unopenable"
  [[ -n "$at" && "$at" == "${FAKE_SECOND_FAILS_AT:-}" ]] && touch "$profile/second-fails"
  if [[ -n "$at" && "$at" == "${FAKE_EXIT3_AT:-}" ]]; then
    n=$((FAKE_EXIT3_LINE + FAKE_EXIT3_SHIFT))
    sqlite3 "$profile/store.sqlite" "DROP TABLE IF EXISTS t; CREATE TABLE t(n); INSERT INTO t VALUES($n)"
    echo "$script:$FAKE_EXIT3_LINE: the profile could not be saved: disk I/O error" >&2
    exit 3
  fi
  n=$(awk 'END {print NR}' "$script")
  [[ "$at" == "${FAKE_LOSE_AT:-0}" ]] && n=$((n - 1))
  sqlite3 "$profile/store.sqlite" "DROP TABLE IF EXISTS t; CREATE TABLE t(n); INSERT INTO t VALUES($n)"
  echo "profile faults: $([[ -n "$at" ]] && echo 1 || echo 0) raised in 4 calls" >&2
  exit 0
fi
if [[ -n "${FAKE_SIZES:-}" ]]; then
  sizes=($FAKE_SIZES)
else
  sizes=()
  for ((l = 1; l <= lines; ++l)); do sizes+=(2); done
fi
if [[ $count -eq 1 ]]; then
  first=1
  for ((l = 0; l < ${#sizes[@]}; ++l)); do
    echo "line $((l + 1)) calls $first-$((first + sizes[l] - 1)): a line of the stand-in script"
    first=$((first + sizes[l]))
  done
  [[ -n "${FAKE_COUNT_FAIL:-}" ]] && exit 1
  exit 0
fi
[[ -z "$burst" && "$at" == "${FAKE_CRASH_AT:-0}" ]] && kill -SEGV $$
if [[ " ${FAKE_BLIND_AT:-} " == *" $at "* ]]; then
  if ((at % 2)); then
    echo "judging stopped from line 2: the language file was not read" >&2
  else
    echo "judging stopped from line 3: the template \"T$at\" was told missing" >&2
  fi
fi
echo "faults: 1 raised in $((2 * lines)) calls"
if [[ -z "$burst" && "$at" == "${FAKE_UBSAN_AT:-0}" ]]; then
  echo "Main.cpp:3:5: runtime error: signed integer overflow" >&2
fi
if [[ -z "$burst" && "$at" == "${FAKE_FINDING_AT:-0}" ]]; then
  echo "finding: line 2: the template \"T\" is gone, nothing told"
  exit 1
fi
EOF
chmod +x "$tmp/build/host/tanvelo-outlook"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}
sweep() {  # runs faults.sh on the stand-in; its output in $tmp/out, its exit code in $rc
  rc=0
  bash "$faults" --build "$tmp/build" --only "${ONLY:-profile_kept}" -j 2 "$@" > "$tmp/out" 2>&1 ||
    rc=$?
}

# A run that crashes is a finding, named with its replay.
FAKE_CRASH_AT=2 sweep
[[ $rc -eq 1 ]] || fail "a crashed run: exit $rc, not 1: $(cat "$tmp/out")"
grep -q "runs, .* 1 runs with findings" "$tmp/out" || fail "the crash not counted: $(cat "$tmp/out")"
grep -q "replay: .*--fault-at 2 " "$tmp/out" || fail "the crash not named: $(cat "$tmp/out")"
sweep
[[ $rc -eq 0 ]] || fail "no crash, yet exit $rc: $(cat "$tmp/out")"

# A counting run that fails is a finding (its script is not taken for one without calls),
# named with its replay; its summary counts it.
FAKE_COUNT_FAIL=1 sweep
[[ $rc -eq 1 ]] || fail "a counting run failed: exit $rc, not 1: $(cat "$tmp/out")"
grep -q "runs, .* [1-9][0-9]* runs with findings" "$tmp/out" ||
  fail "a failed counting run not counted: $(cat "$tmp/out")"
grep -q "replay: .*--fault-count " "$tmp/out" || fail "a failed counting run not named: $(cat "$tmp/out")"

# Every call is played alone and as the first of kHeldTries refusals and of one more.
held=$(sed -n 's/^inline constexpr int kHeldTries = \([0-9]*\);.*/\1/p' \
  "$(dirname "$faults")/../core/Main.h")
for k in 1 4 6; do
  for run in "--fault-at $k " "--fault-burst $k,$held " "--fault-burst $k,$((held + 1)) "; do
    grep -q -- "$run" "$tmp/build/faults/plan.txt" || fail "the whole sweep lacks $run"
  done
done

# Each kind of finding fails the sweep, kept with its replay, and counts as what it is in the
# verdict that ends the summary: ENV | the call named | the verdict.
while IFS='|' read -r env call verdict; do
  env $env bash -c "$(declare -f sweep fail); faults=$faults tmp=$tmp; sweep; echo \$rc > $tmp/rc"
  rc=$(cat "$tmp/rc")
  last=$(tail -1 "$tmp/out")
  [[ "$last" == *"$verdict"* ]] || fail "$env: the last line is not \"$verdict\": $(cat "$tmp/out")"
  if [[ -n "$call" ]]; then
    [[ $rc -eq 1 ]] || fail "$env: exit $rc, not 1: $(cat "$tmp/out")"
    grep -q "replay: .*--fault-at $call " "$tmp/out" || fail "$env: the run not named: $(cat "$tmp/out")"
  else
    [[ $rc -eq 0 ]] || fail "$env: exit $rc, not 0: $(cat "$tmp/out")"
  fi
done <<'CASES'
FAKE_CRASH_AT=2|2|verdict: FAILED: 1 of 24 runs with findings (1 findings)
FAKE_UBSAN_AT=3|3|verdict: FAILED: 1 of 24 runs with findings (1 findings)
FAKE_FINDING_AT=4|4|verdict: FAILED: 1 of 24 runs with findings (1 findings)
FAKE_NOTHING=1||verdict: passed: no finding in 24 runs
CASES

# Runs the program judged only up to some line: counted, their reasons grouped (alike but for
# a name) with their share, each kept with its replay; a program that tells none has none.
FAKE_BLIND_AT="2 3 4" sweep
[[ $rc -eq 0 ]] || fail "runs judged in part: exit $rc: $(cat "$tmp/out")"
grep -q "^faults.sh: 11 runs (45.8%) stopped judging from some line on" "$tmp/out" ||
  fail "runs judged in part not counted: $(cat "$tmp/out")"
grep -A1 "commonest reasons" "$tmp/out" | grep -q ' 55% (6 runs): the template "…" was told missing$' ||
  fail "the commonest reason not first: $(cat "$tmp/out")"
grep -q ' 45% (5 runs): the language file was not read$' "$tmp/out" ||
  fail "a reason not told: $(cat "$tmp/out")"
[[ $(grep -l '^replay: .*--fault-\(at\|burst\) [234][ ,]' "$tmp/build/faults"/blind-*.txt | wc -l) -eq 11 ]] ||
  fail "the runs judged in part not kept: $(ls "$tmp/build/faults")"
tail -1 "$tmp/out" | grep -q "passed: .*11 runs (45.8%) were judged only up to some line" ||
  fail "the verdict does not tell the runs judged in part: $(cat "$tmp/out")"
sweep
grep -q "no run stopped judging" "$tmp/out" || fail "no run judged in part, yet: $(cat "$tmp/out")"
tail -1 "$tmp/out" | grep -q "every run was judged to its last line" ||
  fail "the verdict: $(cat "$tmp/out")"

# The whole sweep's bursts inside a line: a line of four calls gets them, one of three not.
FAKE_SIZES="4 3" sweep
for run in "--fault-burst 2,8 " "--fault-burst 3,3 " "--fault-burst 5,3 " "--fault-burst 1,4 "; do
  grep -q -- "$run" "$tmp/build/faults/plan.txt" || fail "4-call lines: the whole plan lacks $run"
done
grep -q -- "--fault-burst 6,8 " "$tmp/build/faults/plan.txt" && fail "a 3-call line got a burst from inside"

# A sample's draw inside each line: a line of one call and one of three both get their run,
# every call of a line is drawn over seeds, alone or as the first of kHeldTries refusals or one
# more; the other draws hold held bursts of both lengths, never longer.
declare -A seen=()
for s in 1 2 3 4 5 6 7 8 9 10; do
  FAKE_SIZES="1 3" sweep --sample 8 --seed $s
  [[ $rc -eq 0 ]] || fail "lines of 1 and 3 calls, seed $s: exit $rc: $(cat "$tmp/out")"
  mapfile -t runs < "$tmp/build/faults/plan.txt"
  [[ ${#runs[@]} -eq 8 ]] || fail "seed $s: a sample of 8 drew ${#runs[@]} runs: $(cat "$tmp/out")"
  [[ "${runs[0]}" =~ --fault-(at|burst)\ 1[\ ,] ]] || fail "seed $s: the 1-call line's run: ${runs[0]}"
  [[ "${runs[1]}" =~ --fault-(at|burst)\ ([234])[\ ,] ]] || fail "seed $s: the 3-call line's run: ${runs[1]}"
  seen[call${BASH_REMATCH[2]}]=1
  for r in "${runs[0]}" "${runs[1]}"; do
    case "$r" in
      *"--fault-at "*) seen[alone]=1 ;;
      *",$held "*) seen[held]=1 ;;
      *",$((held + 1)) "*) seen[heldmore]=1 ;;
      *) fail "seed $s: a line's run neither alone nor held: $r" ;;
    esac
  done
  printf '%s\n' "${runs[@]:2}" >> "$tmp/others"
done
[[ "${!seen[*]}" == *call2* && "${!seen[*]}" == *call3* && "${!seen[*]}" == *call4* ]] ||
  fail "not every call of a line drawn: ${!seen[*]}"
for kind in alone held heldmore; do
  [[ -n "${seen[$kind]:-}" ]] || fail "no line's run drawn $kind: ${!seen[*]}"
done
grep -q -- ",$held " "$tmp/others" && grep -q -- ",$((held + 1)) " "$tmp/others" ||
  fail "the other draws lack a held burst: $(cat "$tmp/others")"
grep -q -- ",$((held + 2)) " "$tmp/others" && fail "a held burst longer than kHeldTries + 1 drawn"

# A sample plays the runs asked while the whole sweep and the draws hold them, each once;
# beyond, it says in one line why fewer.
export FAKE_LINES=6
for s in 1 2; do
  sweep --sample 40 --seed $s
  [[ $(wc -l < "$tmp/build/faults/plan.txt") -eq 40 ]] ||
    fail "seed $s: a sample of 40 drew $(wc -l < "$tmp/build/faults/plan.txt") runs: $(cat "$tmp/out")"
  [[ -z "$(sort "$tmp/build/faults/plan.txt" | uniq -d)" ]] || fail "seed $s: a run drawn twice"
  grep -q "not the 40 asked" "$tmp/out" && fail "seed $s: a full sample told as short: $(cat "$tmp/out")"
done
sweep --sample 100000 --seed 1
have=$(wc -l < "$tmp/build/faults/plan.txt")
grep -q "^faults.sh: $have runs, not the 100000 asked: every run of the whole sweep and every burst drawn is in it" \
  "$tmp/out" || fail "a short sample does not say why: $(cat "$tmp/out")"
[[ $have -ge 48 ]] || fail "a short sample left out runs of the whole sweep: $have"
ONLY=no-such-script sweep --sample 10
grep -q "not the 10 asked: no script whose name has no-such-script" "$tmp/out" ||
  fail "no script: $(cat "$tmp/out")"
unset FAKE_LINES

# The folder's build file is no script.
ONLY=CMakeLists sweep
[[ $rc -eq 0 ]] || fail "CMakeLists.txt: exit $rc: $(cat "$tmp/out")"
grep -q CMakeLists "$tmp/build/faults/plan.txt" && fail "CMakeLists.txt played as a script"
tail -1 "$tmp/out" | grep -q "verdict: nothing was played" || fail "no run, yet: $(cat "$tmp/out")"

# A seed draws its sample again, exactly; the plan is long enough that a pipe cut short by its
# reader would break, and every run ends with its summary.
export FAKE_LINES=2000
for round in 1 2; do
  sweep --sample 12 --seed 4242
  [[ $rc -eq 0 ]] || fail "a sample: exit $rc: $(cat "$tmp/out")"
  grep -q "^faults.sh: [0-9]* runs, " "$tmp/out" || fail "a sample without its summary: $(cat "$tmp/out")"
  cp "$tmp/build/faults/plan.txt" "$tmp/plan$round"
done
[[ $(wc -l < "$tmp/plan1") -eq 12 ]] || fail "a sample of 12 drew $(wc -l < "$tmp/plan1") runs"
cmp -s "$tmp/plan1" "$tmp/plan2" || fail "the same seed drew another sample: $(diff "$tmp/plan1" "$tmp/plan2")"
sweep --sample 12 --seed 4243
cmp -s "$tmp/plan1" "$tmp/build/faults/plan.txt" && fail "another seed drew the same sample"
# Over budget the lines' share is a draw, not the first lines (9 runs, 2000 lines: the first 9
# lines are calls 1 to 18).
first=$(head -n 9 "$tmp/plan1" | awk '{ split($3, a, ","); if (a[1] <= 18) ++n } END { print n + 0 }')
[[ $first -lt 9 ]] || fail "over budget the first lines were kept: $(cat "$tmp/plan1")"
# Some runs start held bursts.
grep -q -- "--fault-burst [0-9]*,\($held\|$((held + 1))\) " "$tmp/plan1" "$tmp/build/faults/plan.txt" ||
  fail "no held burst drawn: $(cat "$tmp/plan1")"
# A sample draws each run once, the lines' share and the others alike: a budget that takes
# nearly all of a short plan.
export FAKE_LINES=16
for s in 1 2 3 4 5; do
  sweep --sample 12 --seed $s
  [[ $rc -eq 0 ]] || fail "a sample: exit $rc: $(cat "$tmp/out")"
  [[ $(wc -l < "$tmp/build/faults/plan.txt") -eq 12 ]] ||
    fail "seed $s: a sample of 12 drew $(wc -l < "$tmp/build/faults/plan.txt") runs"
  twice=$(sort "$tmp/build/faults/plan.txt" | uniq -d)
  [[ -z "$twice" ]] || fail "seed $s: a run drawn twice: $twice"
done
unset FAKE_LINES

# --profile: a run that ends well on a store unlike the clean run's is a finding.
if command -v sqlite3 > /dev/null; then
  sweep --profile
  [[ $rc -eq 0 ]] || fail "--profile, nothing lost: exit $rc: $(cat "$tmp/out")"
  FAKE_LOSE_AT=3 sweep --profile
  [[ $rc -eq 1 ]] || fail "--profile, a line lost at exit 0: exit $rc: $(cat "$tmp/out")"
  grep -q "1 runs with findings" "$tmp/out" || fail "--profile: $(cat "$tmp/out")"
  grep -q "ended well but the store" "$tmp/build/faults-profile"/finding-*-3.txt ||
    fail "--profile: the finding does not say what was lost"
  sweep --profile --sample 3 --seed 9
  [[ $rc -eq 0 ]] || fail "--profile --sample: exit $rc: $(cat "$tmp/out")"
  tail -1 "$tmp/out" | grep -q "verdict: passed" || fail "--profile: no verdict: $(cat "$tmp/out")"
  ONLY=no-such-script sweep --profile
  tail -1 "$tmp/out" | grep -q "verdict: nothing was played" || fail "--profile, no run: $(cat "$tmp/out")"
  # Each call once; a script of fewer calls than asked says so.
  sweep --profile --sample 10 --seed 9
  [[ $(sort "$tmp/build/faults-profile/plan.txt" | uniq | wc -l) -eq 4 &&
     $(wc -l < "$tmp/build/faults-profile/plan.txt") -eq 4 ]] ||
    fail "--profile --sample 10 of 4 calls: $(cat "$tmp/build/faults-profile/plan.txt")"
  grep -q "fewer than 10 runs per script: profile_kept makes only 4 calls" "$tmp/out" ||
    fail "--profile: a short sample does not say why: $(cat "$tmp/out")"
  # What a run leaves: ENV | exit | the finding's words.
  while IFS='|' read -r env want words; do
    env $env bash -c "$(declare -f sweep fail); faults=$faults tmp=$tmp; sweep --profile; echo \$rc > $tmp/rc"
    rc=$(cat "$tmp/rc")
    [[ $rc -eq $want ]] || fail "--profile, $env: exit $rc, not $want: $(cat "$tmp/out")"
    [[ -z "$words" ]] || grep -q "$words" "$tmp/build/faults-profile"/finding-*-2.txt ||
      fail "--profile, $env: the finding does not say \"$words\""
  done <<'CASES'
FAKE_UNOPENABLE_AT=2|1|a fresh program does not open the profile
FAKE_SECOND_FAILS_AT=2|1|the second script fails
FAKE_EXIT3_AT=2 FAKE_EXIT3_LINE=3 FAKE_EXIT3_SHIFT=-1|0|
FAKE_EXIT3_AT=2 FAKE_EXIT3_LINE=3 FAKE_EXIT3_SHIFT=0|0|
FAKE_EXIT3_AT=2 FAKE_EXIT3_LINE=3 FAKE_EXIT3_SHIFT=-2|1|line 3: the store holds neither
CASES
  # A counting run that tells no count is a finding.
  FAKE_COUNT_FAIL=1 sweep --profile
  [[ $rc -eq 1 ]] || fail "--profile, the count failed: exit $rc: $(cat "$tmp/out")"
  grep -q "1 runs with findings" "$tmp/out" || fail "--profile, the count failed: $(cat "$tmp/out")"
  # Exit 2 naming the store (its making or writing failed) is no finding; any other exit 2 is.
  for verb in make write open read; do
    FAKE_EXIT2_AT=2 FAKE_EXIT2_TEXT="tanvelo-outlook: cannot $verb the mail store x: disk I/O error" \
      sweep --profile
    [[ $rc -eq 0 ]] || fail "--profile, exit 2 \"cannot $verb the mail store\": exit $rc: $(cat "$tmp/out")"
  done
  FAKE_EXIT2_AT=2 FAKE_EXIT2_TEXT="tanvelo-outlook: the script cannot be read" sweep --profile
  [[ $rc -eq 1 ]] || fail "--profile, exit 2 naming no store: exit $rc: $(cat "$tmp/out")"
  grep -q "exit 2 without the store named" "$tmp/build/faults-profile"/finding-*-2.txt ||
    fail "--profile: exit 2 naming no store not told"
fi
echo "faults.sh: its checks hold"
