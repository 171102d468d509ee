#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang) and runs each for a
# bounded time, starting from its seed corpus in tests/fuzz/corpus/<target>.
# Any crash, sanitizer report or broken property fails the script; the input
# that caused it is kept in the build folder as <target>-crash-<hash>.
#
#   tools/run-fuzzers.sh [build-dir]     (default build/fuzz)
#   FUZZ_SECONDS=60 tools/run-fuzzers.sh (time per target, default 20)
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build/fuzz}
seconds=${FUZZ_SECONDS:-20}
jobs=${FUZZ_JOBS:-2}

cmake --preset fuzz -B "$build_dir" >/dev/null
cmake --build "$build_dir" -j "$jobs"

# The fuzzers add what they find to the corpus; they work on a copy so the
# seeds in the tree stay as they are.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failed=()
for source in tests/fuzz/fuzz_*.cpp; do
  target=$(basename "$source" .cpp)
  corpus="$work/$target"
  mkdir -p "$corpus"
  if [[ -d tests/fuzz/corpus/$target ]]; then
    cp tests/fuzz/corpus/"$target"/* "$corpus"/
  fi
  echo "=== $target (${seconds}s) ==="
  log="$build_dir/$target.log"
  if "$build_dir/tests/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -timeout=10 \
      -print_final_stats=1 -artifact_prefix="$build_dir/$target-" "$corpus" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units' "$log" || true
  else
    tail -n 40 "$log"
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "Fuzzing found faults in: ${failed[*]}" >&2
  exit 1
fi
echo "Fuzzing: every target ran ${seconds}s without a finding."
