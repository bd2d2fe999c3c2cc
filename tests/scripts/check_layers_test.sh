#!/usr/bin/env bash
# The layering check itself: it passes on a tree whose includes point down and fails on each kind
# of wrong include, naming the file and line.
set -euo pipefail
check=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

make_tree() {
  rm -rf "$tmp/tree"
  mkdir -p "$tmp/tree"/{platform/win32,core,engine,explorer_ui,inspector_ui,addin}
  printf '#include <string>\n' >"$tmp/tree/platform/win32/Reg.h"
  printf '#include "platform/win32/Reg.h"\n' >"$tmp/tree/core/Main.h"
  printf '#include "core/Main.h"\n#include "tests/common/Log.h"\n' >"$tmp/tree/engine/Road.cpp"
  printf '#include "engine/Road.h"\n' >"$tmp/tree/explorer_ui/Menu.cpp"
  printf '#include "engine/Road.h"\n' >"$tmp/tree/inspector_ui/Wrapper.cpp"
  printf '#include "explorer_ui/Menu.h"\n#include "inspector_ui/Wrapper.h"\n' >"$tmp/tree/addin/Connect.cpp"
}
expect_fail() {  # $1: what was broken, $2: text the report must hold
  if out=$(bash "$check" "$tmp/tree" 2>&1); then
    echo "FAIL: the check passed with $1"; exit 1
  fi
  grep -qF "$2" <<<"$out" || { echo "FAIL: no report of $1 in: $out"; exit 1; }
}

make_tree
bash "$check" "$tmp/tree" >/dev/null || { echo "FAIL: a clean tree was refused"; exit 1; }

make_tree
printf '#include "engine/Road.h"\n' >>"$tmp/tree/core/Main.h"
expect_fail "core including the engine" "core/Main.h:2: core includes the higher layer engine"

make_tree
printf '#include "core/Main.h"\n' >>"$tmp/tree/platform/win32/Reg.h"
expect_fail "the platform including core" "platform/win32/Reg.h:2: the platform includes system code"

make_tree
printf '  #  include "inspector_ui/Wrapper.h"\n' >>"$tmp/tree/explorer_ui/Menu.cpp"
expect_fail "a bar including its sibling" "explorer_ui includes inspector_ui, which stands beside it"

echo "check-layers: 4 cases passed"
