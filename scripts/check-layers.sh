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

status=0
for dir in "${!rank[@]}"; do
  [[ -d $dir ]] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(sed -E 's/^[^"]*"([^"]*)".*/\1/' <<<"${rest#*:}")
    top=${target%%/*}
    [[ $target == */* && -n ${rank[$top]+x} ]] || continue
    if [[ $dir == platform && $top != platform ]]; then
      echo "$file:$line: the platform includes system code ($target)"
      status=1
    elif ((rank[$top] > rank[$dir])); then
      echo "$file:$line: $dir includes the higher layer $top ($target)"
      status=1
    elif ((rank[$top] == rank[$dir])) && [[ $top != "$dir" ]]; then
      echo "$file:$line: $dir includes $top, which stands beside it ($target)"
      status=1
    fi
  done < <(grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir" || true)
done
if ((status == 0)); then echo "layers: every include points down"; fi
exit $status
