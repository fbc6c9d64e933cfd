#!/usr/bin/env bash
# The test command: installs what is missing, builds both ways and runs every test.
#   native (build/native): the unit tests of the portable logic, again under
#   AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for a
#   bounded time;
#   Windows (build/win32, or build/win64 where the machine runs no 32-bit
#   program: scripts/windows-target.sh): Tapivex.exe, the tests of the Windows
#   layer and the end-to-end tests, run under Wine in a virtual desktop on a
#   private Xvfb.
# Ends with "tests: N passed, N failed" and a non-zero status on any failure.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
# shellcheck source=scripts/private-display.sh
. "$root/scripts/private-display.sh"
exec </dev/null

export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
jobs=2
passed=0
failed=0
status=0
xvfb_pid=""
logs="$root/build/test-logs"

# shellcheck disable=SC2317  # called through the trap
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

step() { echo; echo "== $*"; }

# Runs ctest in a build folder and adds its counts from the line
# "NN% tests passed, F tests failed out of T".
run_ctest() {
  local dir=$1 log=$2; shift 2
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
  local rc=${PIPESTATUS[0]}
  count_ctest_log "$log" || [ "$rc" -eq 0 ] || echo "test: ctest in $dir ran no tests"
  [ "$rc" -eq 0 ] || status=1
}

# Adds the counts of the last line "NN% tests passed, F tests failed out of T" of a log.
count_ctest_log() {
  local line f t
  line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1)
  [ -n "$line" ] || return 1
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
}

step "setup"
bash scripts/setup.sh || { echo "tests: 0 passed, 0 failed"; echo "test: setup failed"; exit 1; }
mkdir -p "$logs"
# shellcheck source=scripts/windows-target.sh
. "$root/scripts/windows-target.sh"

step "native build and unit tests (build/native)"
if cmake -S . -B build/native >"$logs/native-configure.log" 2>&1 &&
   cmake --build build/native -j"$jobs" >"$logs/native-build.log" 2>&1; then
  run_ctest build/native "$logs/native-ctest.log" -j"$jobs"
else
  status=1
  tail -n 40 "$logs/native-configure.log" "$logs/native-build.log" 2>/dev/null
  echo "test: native build failed (logs in build/test-logs)"
fi

step "native tests under AddressSanitizer and UndefinedBehaviorSanitizer (build/native-asan)"
bash scripts/sanitize.sh 2>&1 | tee "$logs/sanitize.log"
sanitize_rc=${PIPESTATUS[0]}
count_ctest_log "$logs/sanitize.log"
[ "$sanitize_rc" -eq 0 ] || status=1

# Each fuzz target counts as one test: it passes when its bounded run finds nothing.
step "fuzzing, 20 s per target (build/fuzz)"
bash scripts/fuzz.sh 2>&1 | tee "$logs/fuzz.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
fuzz_failed=$(grep -c ': FAILED' "$logs/fuzz.log" || true)
fuzz_passed=$(grep -c 'stat::number_of_executed_units' "$logs/fuzz.log" || true)
passed=$((passed + fuzz_passed))
failed=$((failed + fuzz_failed))
[ $((fuzz_passed + fuzz_failed)) -gt 0 ] || { echo "test: the fuzz targets did not run"; failed=$((failed + 1)); }

# The Windows build runs the test programs under Wine to list their tests, and the
# tests need the virtual desktop: one display and one fresh wineserver for all of it
# (a wineserver started without a display leaves later windows without a desktop).
step "Windows build and tests under Wine ($windows_build)"
if ! start_private_xvfb 97 160; then
  echo "test: cannot start Xvfb"
  status=1
else
  echo "display $DISPLAY"
  wineserver -k >/dev/null 2>&1 || true
  # One wineserver and one desktop for the whole run, started here with their output
  # detached: otherwise each test program boots Wine's services anew, and they hold
  # ctest's output pipe open until the server winds down.
  wineserver -p >/dev/null 2>&1
  scripts/wine-run explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
  scripts/wine-run cmd /c exit >/dev/null 2>&1 || true
  if cmake -S . -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" >"$logs/win32-configure.log" 2>&1 &&
     cmake --build "$windows_build" -j"$jobs" >"$logs/win32-build.log" 2>&1; then
    echo "program: $windows_build/Tapivex.exe"
    run_ctest "$windows_build" "$logs/win32-ctest.log"
  else
    status=1
    tail -n 40 "$logs/win32-configure.log" "$logs/win32-build.log" 2>/dev/null
    echo "test: Windows build failed (logs in build/test-logs)"
  fi
fi

step "release package (tests/package/run.sh)"
bash tests/package/run.sh 2>&1 | tee "$logs/package.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1
read -r package_passed package_failed < <(sed -nE 's/^package: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' "$logs/package.log" | tail -n 1)
passed=$((passed + ${package_passed:-0}))
failed=$((failed + ${package_failed:-1}))

echo
echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit "$status"
