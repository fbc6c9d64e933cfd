#!/usr/bin/env bash
# Builds the fuzz target of the list file's reading (build/fuzz, clang +
# libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer) and runs it
# for a bounded time from its seed corpus in tests/fuzz/corpus/fuzz_list_file/.
#
#   scripts/fuzz.sh              20 s (plus the build): the run of the test command
#   scripts/fuzz.sh --long       10 minutes
#   scripts/fuzz.sh --seconds N
#
# What a run finds beyond the seeds goes to build/fuzz/corpus/fuzz_list_file/
# (the seeds in the source tree stay as they are); a failing input is written
# to build/fuzz/artifacts/ and the script ends with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=20
while (($#)); do
  case "$1" in
    --long) seconds=600 ;;
    --seconds) seconds="$2"; shift ;;
    *) echo "usage: $0 [--long] [--seconds N]" >&2; exit 2 ;;
  esac
  shift
done

target=fuzz_list_file
build=build/fuzz
if [[ ! -f $build/CMakeCache.txt ]]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DTAPIVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target "$target" -j"$(nproc)" >/dev/null
mkdir -p "$build/artifacts" "$build/corpus/$target"

# The reader works in blocks of 4096 bytes: inputs reach over several.
log="$build/$target.log"
if "$build/$target" "$build/corpus/$target" "tests/fuzz/corpus/$target" \
    -max_total_time="$seconds" -max_len=16384 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" >"$log" 2>&1; then
  echo "$target: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
  echo "$target: $(grep -E 'stat::number_of_executed_units' "$log")"
else
  echo "$target: FAILED (log $log)"
  grep -E 'ERROR|invariant broken|Test unit written' "$log" | head -5
  exit 1
fi
