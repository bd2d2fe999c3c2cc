#!/usr/bin/env bash
# Installs the Debian packages the build needs, when they are missing.
set -euo pipefail
packages=(cmake ninja-build g++ googletest libgtest-dev libgmock-dev libbenchmark-dev
          libpugixml-dev clang-format ccache
          # Real Word files for the import and export tests: LibreOffice's headless converter,
          # and its programming interface from Python, through which one office serves a run.
          libreoffice-writer-nogui python3-uno
          # The fuzz targets (scripts/fuzz.sh): clang with libFuzzer and the sanitizers.
          clang libclang-rt-dev
          # The simulated Outlook program keeps a profile's mail store in SQLite.
          libsqlite3-dev
          # The kept profile's fault sweep (scripts/faults.sh --profile) dumps stores with it.
          sqlite3
          # Line editing and history at the program's prompt.
          libedit-dev pkg-config)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# A word processor just installed converts one document now, alone, with a profile of its own,
# so that one that cannot is told here in its own words, not by a test that fails later.
if [[ " ${missing[*]:-} " == *" libreoffice-writer-nogui "* ]]; then
  check=$(mktemp -d)
  printf '{\\rtf1 check\\par}' >"$check/check.rtf"
  HOME="$check" timeout -k 10 300 soffice "-env:UserInstallation=file://$check/profile" \
    --headless --norestore --convert-to 'doc:MS Word 97' --outdir "$check" "$check/check.rtf" \
    </dev/null >"$check/said" 2>&1 || true
  if [[ ! -s "$check/check.doc" ]]; then
    echo "LibreOffice was installed but converts no document; soffice said:" >&2
    cat "$check/said" >&2
    rm -rf "$check"
    exit 1
  fi
  rm -rf "$check"
fi
# One office serves a run through LibreOffice's programming interface, driven from the system's
# Python: the module must import there, whatever the package list says.
uno_python=${TANVELO_UNO_PYTHON:-/usr/bin/python3}
if ! "$uno_python" -c 'import uno' >/dev/null 2>&1; then
  echo "Installing python3-uno: $uno_python cannot import uno"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq python3-uno >/dev/null
  if ! said=$("$uno_python" -c 'import uno' 2>&1); then
    echo "python3-uno was installed but $uno_python still cannot import uno; it said:" >&2
    echo "$said" >&2
    exit 1
  fi
fi
