#!/usr/bin/env bash
# Builds the fuzz targets (build/fuzz, clang + libFuzzer with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each one for a bounded time, starting
# from its seed corpus in tests/fuzz/corpus/<target>/.
#
#   scripts/fuzz.sh            20 s per target, one after the other (about 1 min
#                              plus the build): the run of the test command
#   scripts/fuzz.sh --long     10 minutes per target, two at a time (about 20 min)
#   scripts/fuzz.sh --seconds N [--parallel P]
#
# What a run finds beyond the seeds goes to build/fuzz/corpus/<target>/ (the
# seeds in the source tree stay as they are); a failing input is written to
# build/fuzz/artifacts/ and the script ends with status 1.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=20
parallel=1
while (($#)); do
  case "$1" in
    --long) seconds=600; parallel=2 ;;
    --seconds) seconds="$2"; shift ;;
    --parallel) parallel="$2"; shift ;;
    *) echo "usage: $0 [--long] [--seconds N] [--parallel P]" >&2; exit 2 ;;
  esac
  shift
done

targets=(fuzz_list_file fuzz_number fuzz_settings_file)
build=build/fuzz
if [[ ! -f $build/CMakeCache.txt ]]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -DTAPIVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target "${targets[@]}" -j"$(nproc)" >/dev/null
mkdir -p "$build/artifacts"

# The list file's reader works in blocks of 4096 bytes: inputs may be longer.
declare -A max_len=([fuzz_list_file]=16384 [fuzz_number]=256 [fuzz_settings_file]=1024)

run() {
  local target=$1 log="$build/$1.log"
  mkdir -p "$build/corpus/$target"
  if "$build/$target" "$build/corpus/$target" "tests/fuzz/corpus/$target" \
      -max_total_time="$seconds" -max_len="${max_len[$target]}" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" >"$log" 2>&1; then
    echo "$target: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
    echo "$target: $(grep -E 'stat::number_of_executed_units' "$log")"
  else
    echo "$target: FAILED (log $log)"
    grep -E 'ERROR|invariant broken|Test unit written' "$log" | head -5
    return 1
  fi
}

status=0
pids=()
for target in "${targets[@]}"; do
  run "$target" &
  pids+=($!)
  if ((${#pids[@]} >= parallel)); then
    wait "${pids[0]}" || status=1
    pids=("${pids[@]:1}")
  fi
done
for pid in "${pids[@]}"; do wait "$pid" || status=1; done
exit $status
