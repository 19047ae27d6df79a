#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: a check of the source
# format, Linux (the debug build under the address and undefined-behaviour sanitizers),
# the Windows release builds (the deliverables that ship) with their tests,
# x86_64 under wine64 and i686 under Wine's 32-bit loader in a 64-bit prefix
# (WoW64, where this machine runs 32-bit code), the Windows packages (their MSI
# tables, and both packages installed, upgraded and removed under Wine), and
# (where fuzz/ exists) a short run of each fuzz target. A failing step does not
# stop the others; the summary gives each step's counts and minutes, the last
# line sums the counts, and the exit status is non-zero when anything failed.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh || exit 1

jobs=$(nproc)
passed=0
failed=0
summary=()
skipped=()
failed_builds=""
mkdir -p build

step_start=$SECONDS
begin_step() { step_start=$SECONDS; }
took() { printf '%d:%02d' $(((SECONDS - step_start) / 60)) $(((SECONDS - step_start) % 60)); }

record() {  # label, passed, failed (the time since begin_step goes with them)
  summary+=("$1: $2 passed, $3 failed ($(took))")
  passed=$((passed + $2))
  failed=$((failed + $3))
}

build_preset() {  # preset; a failed configure or build counts as one failed test
  local preset=$1
  echo "=== $preset: configure and build"
  if cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" -j "$jobs"; then
    return 0
  fi
  record "$preset build" 0 1
  failed_builds+=" $preset "
  return 1
}

test_preset() {  # preset [ctest arguments]
  local preset=$1
  shift
  local log=build/$preset-ctest.log
  begin_step
  build_preset "$preset" || return 0
  echo "=== $preset: tests"
  ctest --preset "$preset" -j "$jobs" "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  # ctest closes with "N% tests passed, F tests failed out of T".
  local line total bad
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -n "$line" ]; then
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    record "$preset" $((total - bad)) "$bad"
  elif [ "$status" -ne 0 ]; then
    record "$preset" 0 1
  else
    record "$preset" 0 0
  fi
}

# Every C++ file git tracks must be as the project's .clang-format lays it out;
# each file that is not counts as one failed test.
echo "=== format"
begin_step
files=0
unformatted=0
while IFS= read -r file; do
  files=$((files + 1))
  if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then
    echo "not formatted: $file (clang-format -i $file)"
    unformatted=$((unformatted + 1))
  fi
done < <(git ls-files '*.cpp' '*.h' 2>/dev/null)
if [ "$unformatted" -gt 0 ]; then
  record "format" 0 "$unformatted"
else
  summary+=("format: all $files C++ files as .clang-format lays them out ($(took))")
fi

# Linux: the sanitizer build runs every test the plain debug build has, so the
# plain one (the developers' everyday preset) is left out here to keep the run short.
test_preset linux-asan
# The Windows tests run on the release builds, so what is tested is what ships.
# The 32-bit programs run as a 32-bit host runs them on 64-bit Windows. Where
# this machine runs them, the screen tests and the host's sessions run in 32
# bits only, the width of the station-display host, since one width is enough
# for them; where it cannot, the 32-bit run builds the package only, the summary
# says so, and the 64-bit run keeps them.
if reason=$(bash scripts/runs-32bit.sh); then
  test_preset win64-release -E '^(k9_screen|k9_screen_import_manager|k9_winhost_sessions)$'
  test_preset win32-release
else
  test_preset win64-release
  echo "=== win32-release: tests skipped: $reason"
  skipped+=("win32-release: tests skipped, $reason")
  begin_step
  build_preset win32-release
fi
# The packages (what scripts/package.sh builds, made by those builds), and their
# test, which ends with "installer: N passed, M failed".
if [[ $failed_builds != *" win64-release "* && $failed_builds != *" win32-release "* ]]; then
  echo "=== packages: tables of both, both under Wine (the x86 one where 32-bit code runs)"
  begin_step
  package_log=build/packages-test.log
  python3 tests/installer/test_packages.py build/win64-release/src/installer/package.json \
    build/win32-release/src/installer/package.json 2>&1 | tee "$package_log"
  line=$(grep -E '^installer: [0-9]+ passed, [0-9]+ failed$' "$package_log" | tail -n 1)
  if [ -n "$line" ]; then
    record "installer" "$(awk '{print $2}' <<<"$line")" "$(awk '{print $4}' <<<"$line")"
  else
    record "installer" 0 1
  fi
fi
if [ -f fuzz/CMakeLists.txt ]; then
  # fuzz.sh configures the "fuzz" preset and builds only the fuzz targets.
  echo "=== fuzz: build, then each target for a few seconds"
  begin_step
  fuzz_log=build/fuzz-run.log
  bash scripts/fuzz.sh 5 2>&1 | tee "$fuzz_log"
  fuzz_status=${PIPESTATUS[0]}
  ok=$(grep -c '^fuzz: .* passed$' "$fuzz_log")
  bad=$(grep -c '^fuzz: .* FAILED$' "$fuzz_log")
  # A build that failed runs no target: count it as one failure.
  if [ "$fuzz_status" -ne 0 ] && [ "$bad" -eq 0 ]; then bad=1; fi
  record "fuzz targets" "$ok" "$bad"
fi

echo
echo "=== summary"
printf '%s\n' "${summary[@]}"
[ ${#skipped[@]} -eq 0 ] || printf '%s\n' "${skipped[@]}"
echo "time: $((SECONDS / 60)) min in all"
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
