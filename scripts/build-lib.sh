# Sourced by run.sh and test.sh. tv_build DIR [cmake --build arguments...]: builds with a short
# progress (every tenth of the way) and keeps the whole output in DIR/build.log, shown on
# failure; VERBOSE=1 shows it all as it comes. The job count is TV_JOBS (a script's -j N), else
# CMAKE_BUILD_PARALLEL_LEVEL, else the machine's processors.
tv_jobs() {
  echo "${TV_JOBS:-${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}}"
}

tv_build() {
  local dir=$1
  shift
  if [[ -n "${VERBOSE:-}" ]]; then
    cmake --build "$dir" --parallel "$(tv_jobs)" "$@"
    return
  fi
  local log="$dir/build.log"
  if ! cmake --build "$dir" --parallel "$(tv_jobs)" "$@" 2>&1 | tee "$log" |
    awk '/^\[[0-9]+\/[0-9]+\]/ {
           split(substr($1, 2), n, "/"); p = int(100 * n[1] / n[2]);
           if (p >= shown + 10) { printf "building: %d%%\n", p; shown = p; fflush() }
         }'; then
    grep -E "error|FAILED" -A8 "$log" | head -80 >&2 || true
    echo "the build failed; its whole output is in $log" >&2
    return 1
  fi
}
