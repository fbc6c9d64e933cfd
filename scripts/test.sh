#!/usr/bin/env bash
# The test command: installs what is missing, builds everything and runs every test.
#   native (build/native): the unit tests of the portable logic, again under
#   AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzz targets for a
#   bounded time;
#   Windows: both targets in full on every machine, the shipped 32-bit program
#   (build/win32) and its 64-bit twin (build/win64), each with Tapivex.exe,
#   tapivex-check.exe and every test program; the tests of the Windows layer and
#   the end-to-end tests then run under Wine, in a virtual desktop on a private
#   Xvfb, on the build that Wine can run here (scripts/windows-target.sh);
#   the release package.
# Ends with "tests: N passed, N failed". Every step that cannot set up, build or
# run counts as a failure of its own, so a non-zero status never comes with
# "0 failed".
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
xvfb_pid=""
logs="$root/build/test-logs"

# A folder that Wine can neither write nor delete in (chattr +i, as root): the
# Windows tests' protected folder, released again at the end.
protected_folder="$root/build/protected-folder"

# shellcheck disable=SC2317  # called through the trap
cleanup() {
  chattr -i "$protected_folder" 2>/dev/null || true
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

step() { echo; echo "== $*"; }

# A step that could not set up, build or run: one failure, named.
step_failed() {
  failed=$((failed + 1))
  echo "test: FAILED: $* (logs in build/test-logs)"
}

# A step that ended with a non-zero RC but counted no failure since BEFORE (the
# failure count when it started) is one failure of its own.
settle() {
  local name=$1 rc=$2 before=$3
  [ "$rc" -eq 0 ] || [ "$failed" -gt "$before" ] || step_failed "$name ended with status $rc"
}

# Adds the counts of the last line "NN% tests passed, F tests failed out of T" of
# a ctest log; NAME's ctest ran no test when there is none, and a non-zero RC
# with no failed test counted is a failure of NAME itself.
count_ctest_log() {
  local name=$1 log=$2 rc=$3 before=$failed line f t
  line=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  if [ "${t:-0}" -eq 0 ]; then
    step_failed "$name ran no test"
    return
  fi
  passed=$((passed + t - f))
  failed=$((failed + f))
  settle "$name" "$rc" "$before"
}

run_ctest() {
  local name=$1 dir=$2 log=$3; shift 3
  ctest --test-dir "$dir" --output-on-failure "$@" 2>&1 | tee "$log"
  count_ctest_log "$name" "$log" "${PIPESTATUS[0]}"
}

# Configures and builds a folder in full; a failure shows the logs' end.
build() {
  local dir=$1 name=${1#build/}; shift
  cmake -S . -B "$dir" "$@" >"$logs/$name-configure.log" 2>&1 &&
    cmake --build "$dir" -j"$jobs" >"$logs/$name-build.log" 2>&1 && return 0
  tail -n 40 "$logs/$name-configure.log" "$logs/$name-build.log" 2>/dev/null
  return 1
}

step "setup"
bash scripts/setup.sh || { echo "test: FAILED: setup"; echo; echo "tests: 0 passed, 1 failed"; exit 1; }
mkdir -p "$logs"
# shellcheck source=scripts/windows-target.sh
. "$root/scripts/windows-target.sh"

step "native build and unit tests (build/native)"
if build build/native; then
  run_ctest "the native ctest" build/native "$logs/native-ctest.log" -j"$jobs"
else
  step_failed "native build"
fi

step "native tests under AddressSanitizer and UndefinedBehaviorSanitizer (build/native-asan)"
bash scripts/sanitize.sh 2>&1 | tee "$logs/sanitize.log"
count_ctest_log "the sanitizer build and its ctest" "$logs/sanitize.log" "${PIPESTATUS[0]}"

# Each fuzz target counts as one test: it passes when its bounded run finds nothing.
step "fuzzing, 20 s shared by the targets (build/fuzz)"
bash scripts/fuzz.sh 2>&1 | tee "$logs/fuzz.log"
fuzz_rc=${PIPESTATUS[0]} before=$failed
fuzz_failed=$(grep -c ': FAILED' "$logs/fuzz.log" || true)
fuzz_passed=$(grep -c 'stat::number_of_executed_units' "$logs/fuzz.log" || true)
passed=$((passed + fuzz_passed))
failed=$((failed + fuzz_failed))
if [ $((fuzz_passed + fuzz_failed)) -eq 0 ]; then
  step_failed "the fuzz build or run (no target ran)"
else
  settle "fuzzing" "$fuzz_rc" "$before"
fi

# Both Windows targets on every machine: cross-compiling needs no 32-bit kernel, and
# only the 32-bit build shows a callback that is not __stdcall. The test programs list
# their tests when ctest runs them, so neither build needs Wine.
step "Windows builds: the shipped 32-bit program (build/win32) and its 64-bit twin (build/win64)"
built=" "  # the folders whose build succeeded in this run, not an earlier one's files
for target in win32:mingw-i686 win64:mingw-x86_64; do
  if build "build/${target%%:*}" -DCMAKE_TOOLCHAIN_FILE="cmake/${target#*:}.cmake"; then
    built+="build/${target%%:*} "
    echo "built build/${target%%:*}: $(cd "build/${target%%:*}" && ls -- *.exe | xargs)"
  else
    step_failed "build/${target%%:*} build"
  fi
done
# What ctest checks of the tested build's file, also on the shipped one when the twin is tested.
if [ "$windows_build" != build/win32 ] && [[ $built == *" build/win32 "* ]]; then
  if scripts/check-executable.sh build/win32/Tapivex.exe; then passed=$((passed + 1)); else step_failed "check-executable.sh build/win32/Tapivex.exe"; fi
fi

# The tests need the virtual desktop: one display and one fresh wineserver for all of
# them (a wineserver started without a display leaves later windows without a desktop).
step "Windows tests under Wine on $windows_build, $windows_reason"
windows_tested="Windows tests did not run ($windows_build, $windows_reason)."
if [[ $built != *" $windows_build "* ]]; then
  step_failed "Windows tests: $windows_build did not build"
elif ! start_private_xvfb 97 160; then
  step_failed "Xvfb did not start"
else
  echo "display $DISPLAY"
  chattr -i "$protected_folder" 2>/dev/null
  rm -rf "$protected_folder"
  if mkdir -p "$protected_folder" && chattr +i "$protected_folder"; then
    export TAPIVEX_PROTECTED_FOLDER=$protected_folder
  else
    step_failed "chattr +i $protected_folder (the protected folder needs root)"
  fi
  wineserver -k >/dev/null 2>&1 || true
  # One wineserver and one desktop for the whole run, started here with their output
  # detached: otherwise each test program boots Wine's services anew, and they hold
  # ctest's output pipe open until the server winds down.
  wineserver -p >/dev/null 2>&1
  scripts/wine-run explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
  scripts/wine-run cmd /c exit >/dev/null 2>&1 || true
  run_ctest "the Windows ctest of $windows_build" "$windows_build" "$logs/windows-ctest.log"
  windows_tested="Windows tests ran on $windows_build: $windows_reason."
fi

step "release package (tests/package/run.sh)"
bash tests/package/run.sh 2>&1 | tee "$logs/package.log"
package_rc=${PIPESTATUS[0]} before=$failed
read -r package_passed package_failed < <(sed -nE 's/^package: ([0-9]+) passed, ([0-9]+) failed$/\1 \2/p' "$logs/package.log" | tail -n 1)
passed=$((passed + ${package_passed:-0}))
failed=$((failed + ${package_failed:-0}))
if [ -z "${package_passed:-}" ]; then
  step_failed "the package test ended with status $package_rc and no count"
else
  settle "the package test" "$package_rc" "$before"
fi

echo
echo "$windows_tested"
echo "tests: $passed passed, $failed failed"
# Every failure, counted or of a step, is in the count: it alone decides the status.
exit $((failed > 0))
