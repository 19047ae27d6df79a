#!/usr/bin/env bash
# Runs each libFuzzer target (fuzz/fuzz_NAME.cpp) for SECONDS seconds (default 10),
# starting from its seeds in fuzz/corpus/NAME when there are any,
# after building the "fuzz" preset. Prints "fuzz: NAME passed" or "fuzz: NAME FAILED"
# per target and exits non-zero when any target found a fault; the input that
# broke a target is left in build/fuzz/artifacts/.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
cmake --preset fuzz >/dev/null || exit 1
cmake --build --preset fuzz --target k9_fuzz_all || exit 1

status=0
for source in fuzz/fuzz_*.cpp; do
  target=$(basename "$source" .cpp)
  target=${target#fuzz_}
  program=build/fuzz/fuzz/fuzz_$target
  work=build/fuzz/corpus/$target
  artifacts=build/fuzz/artifacts/$target/
  mkdir -p "$work" "$artifacts"
  # Inputs the fuzzer finds are kept under build/; the committed starting inputs in fuzz/ stay as they are.
  seeds=()
  [ -d "fuzz/corpus/$target" ] && seeds=("fuzz/corpus/$target")
  if "$program" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts" -print_final_stats=0 "$work" "${seeds[@]}" \
      >"build/fuzz/$target.log" 2>&1; then
    echo "fuzz: $target passed"
  else
    tail -n 30 "build/fuzz/$target.log"
    echo "fuzz: $target FAILED"
    status=1
  fi
done
exit $status
