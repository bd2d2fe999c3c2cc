#!/usr/bin/env bash
# Fails when a file of a lower layer includes one of a higher layer, when two layers of the same
# height include each other, or when the platform includes anything of the system.
# Usage: check-layers.sh [ROOT]  (ROOT defaults to the repository)
set -euo pipefail
root=${1:-"$(dirname "$0")/.."}
cd "$root"

# Bottom up; layers on one line stand side by side and may not include each other.
layers=(
  "platform"
  "resources"
  "core"
  "personalization"
  "engine"
  "hotkeys"
  "dialogs"
  "commands"
  "commandbars"
  "explorer_ui inspector_ui"
  "addin"
  "host"
)
declare -A rank
for i in "${!layers[@]}"; do
  for dir in ${layers[$i]}; do rank[$dir]=$i; done
done

dirs=()
for dir in "${!rank[@]}"; do [[ -d $dir ]] && dirs+=("$dir"); done
ranks=$(for dir in "${!rank[@]}"; do printf '%s=%s ' "$dir" "${rank[$dir]}"; done)

# One pass over every include line: "file:line:#include "top/..."".
grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' \
    "${dirs[@]}" /dev/null |
  awk -v ranks="$ranks" '
    BEGIN { n = split(ranks, pairs, " "); for (i = 1; i <= n; i++) { split(pairs[i], kv, "="); rank[kv[1]] = kv[2] } }
    {
      split($0, parts, ":"); file = parts[1]; line = parts[2]
      if (!match($0, /"[^"]*"/)) next
      target = substr($0, RSTART + 1, RLENGTH - 2)
      slash = index(target, "/"); if (!slash) next
      top = substr(target, 1, slash - 1); split(file, fp, "/"); dir = fp[1]
      if (!(top in rank) || !(dir in rank)) next
      if (dir == "platform" && top != "platform") {
        printf "%s:%s: the platform includes system code (%s)\n", file, line, target; bad = 1
      } else if (rank[top] + 0 > rank[dir] + 0) {
        printf "%s:%s: %s includes the higher layer %s (%s)\n", file, line, dir, top, target; bad = 1
      } else if (rank[top] == rank[dir] && top != dir) {
        printf "%s:%s: %s includes %s, which stands beside it (%s)\n", file, line, dir, top, target; bad = 1
      }
    }
    END { if (!bad) print "layers: every include points down"; exit bad }'
