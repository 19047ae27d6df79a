#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: Linux, Linux under the
# address and undefined-behaviour sanitizers, Windows x86_64 under wine64, a short
# fuzzing run of each fuzz target, and a build of the Windows i686 deliverables.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
total_failed=0
summary=()

run_preset() {  # preset, whether to run ctest
  local preset=$1 test=$2
  echo "=== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  if [ "$test" = yes ]; then
    echo "=== $preset: tests"
    local log=build/$preset-ctest.log
    if ctest --preset "$preset" -j "$jobs" 2>&1 | tee "$log"; then :; else total_failed=1; fi
    summary+=("$preset: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
  fi
}

run_preset linux yes
run_preset linux-asan yes
run_preset win64 yes
run_preset win32 no
if [ -f fuzz/CMakeLists.txt ]; then
  run_preset fuzz no
  bash scripts/fuzz.sh 5 || total_failed=1
fi

echo
echo "=== summary"
printf '%s\n' "${summary[@]}"
exit $total_failed
