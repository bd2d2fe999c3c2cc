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
# Stand-in: FAKE_LINES lines of 2 calls each; FAKE_CRASH_AT crashes the run failing that call;
# (alone, not in a burst); FAKE_COUNT_FAIL makes the counting run fail; with --profile the store holds the script's line
# count, FAKE_LOSE_AT loses one and ends well, FAKE_EXIT2_AT ends with 2 telling FAKE_EXIT2_TEXT.
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
  [[ -z "$script" ]] && exit 0  # a fresh program opening the profile
  [[ $count -eq 1 && -n "${FAKE_COUNT_FAIL:-}" ]] && exit 1
  if [[ -n "$at" && "$at" == "${FAKE_EXIT2_AT:-}" ]]; then
    echo "$FAKE_EXIT2_TEXT" >&2
    exit 2
  fi
  n=$(awk 'END {print NR}' "$script")
  [[ "$at" == "${FAKE_LOSE_AT:-0}" ]] && n=$((n - 1))
  sqlite3 "$profile/store.sqlite" "DROP TABLE IF EXISTS t; CREATE TABLE t(n); INSERT INTO t VALUES($n)"
  echo "profile faults: $([[ -n "$at" ]] && echo 1 || echo 0) raised in 4 calls" >&2
  exit 0
fi
if [[ $count -eq 1 ]]; then
  for ((l = 1; l <= lines; ++l)); do
    echo "line $l calls $((2 * l - 1))-$((2 * l)): a line of the stand-in script"
  done
  [[ -n "${FAKE_COUNT_FAIL:-}" ]] && exit 1
  exit 0
fi
[[ -z "$burst" && "$at" == "${FAKE_CRASH_AT:-0}" ]] && kill -SEGV $$
echo "faults: 1 raised in $((2 * lines)) calls"
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

# The folder's build file is no script.
ONLY=CMakeLists sweep
[[ $rc -eq 0 ]] || fail "CMakeLists.txt: exit $rc: $(cat "$tmp/out")"
grep -q CMakeLists "$tmp/build/faults/plan.txt" && fail "CMakeLists.txt played as a script"

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
