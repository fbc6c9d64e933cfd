#!/usr/bin/env bash
# Builds the fuzz targets (build/fuzz, clang + libFuzzer with AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs each for its share of a bounded time
# from its seed corpus in tests/fuzz/corpus/<target>/:
#   fuzz_list_file          the list file's reading
#   fuzz_exif_orientation   a JPEG's Exif orientation and the turn it asks for
#   fuzz_settings_file      TapiVEX.CFG as the checker's Linux build reads it
#
#   scripts/fuzz.sh              20 s in all (plus the build): the run of the test command
#   scripts/fuzz.sh --long       10 minutes in all
#   scripts/fuzz.sh --seconds N  N seconds in all
#
# What a run finds beyond the seeds goes to build/fuzz/corpus/<target>/ (the
# seeds in the source tree stay as they are); a failing input is written to
# build/fuzz/artifacts/ and the script ends with status 1 after every target ran.
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

# Each target with its longest input: the list file's reader works in blocks of
# 4096 bytes, so its inputs reach over several; the Exif block sits in a JPEG's
# first segments.
targets=(fuzz_list_file:16384 fuzz_exif_orientation:4096 fuzz_settings_file:4096)
share=$((seconds / ${#targets[@]}))
build=build/fuzz
# Configured every time: a build folder from before a target was added knows no rule for it.
CC=clang CXX=clang++ cmake -S . -B "$build" -DTAPIVEX_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target "${targets[@]%%:*}" -j"$(nproc)" >/dev/null
mkdir -p "$build/artifacts"

status=0
for entry in "${targets[@]}"; do
  target=${entry%%:*}
  mkdir -p "$build/corpus/$target"
  log="$build/$target.log"
  if "$build/$target" "$build/corpus/$target" "tests/fuzz/corpus/$target" \
      -max_total_time="$share" -max_len="${entry#*:}" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" >"$log" 2>&1; then
    echo "$target: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1)"
    echo "$target: $(grep -E 'stat::number_of_executed_units' "$log")"
  else
    echo "$target: FAILED (log $log)"
    grep -E 'ERROR|invariant broken|Test unit written' "$log" | head -5
    status=1
  fi
done
exit "$status"
