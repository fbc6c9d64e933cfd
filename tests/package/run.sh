#!/usr/bin/env bash
# The release package as a user gets it: scripts/package.sh builds the zip, which
# is unpacked into C:\Tools\Tapivex of a fresh copy of the project's Wine prefix.
# Checked: the file list and the zip's fixed times and order; the programs are the
# build's own; the manuals are UTF-8 with a byte order mark and the licence ASCII,
# each with CR LF; Tapivex.exe, started from that folder in a virtual desktop on a
# private Xvfb with the example's list set to a 2-second interval, changes the
# wallpaper to one of the example's pictures within 5 s (its end on a close request
# is the end-to-end tests' part; the cleanup's wineserver -k stops it);
# tapivex-check.exe of the package passes that list, and names a picture it cannot
# decode and a TempPathType beyond 16 bits as what would stop the start.
# Ends with "package: N passed, N failed"; exit 0 when all passed.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
root=$PWD
# shellcheck source=scripts/private-display.sh
. "$root/scripts/private-display.sh"
exec </dev/null

passed=0 failed=0 xvfb_pid="" run=""
# shellcheck disable=SC2317  # called through the trap
cleanup() {
  [ -z "$run" ] || { WINEPREFIX="$run/prefix" wineserver -k >/dev/null 2>&1; rm -rf "$run"; }
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM
check() {  # check NAME COMMAND...: one case
  local name=$1; shift
  if "$@"; then passed=$((passed + 1)); echo "ok    $name"; else failed=$((failed + 1)); echo "FAIL  $name"; return 1; fi
}
finish() {
  echo "package: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]; exit
}
# Runs a build step quietly; its log's end when it fails.
quiet() { "$@" >>build/package/test.log 2>&1 || { tail -n 40 build/package/test.log; false; }; }

mkdir -p build/package && : >build/package/test.log
zipfile="$root/dist/Tapivex-$(sed -n 's/^project(Tapivex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt).zip"
check "scripts/package.sh builds dist/${zipfile##*/}" quiet bash scripts/package.sh || finish

expected="LICENSE.txt Tapivex.INI Tapivex.exe checks.bmp manual-en.txt manual-ja.txt sky.bmp sunset.bmp tapivex-check.exe"
check "the zip holds exactly the program, the checker, the example, the manuals and the licence, in order" \
  test "$(zipinfo -1 "$zipfile" | xargs)" = "$expected"
check "every entry is dated 2026-01-01 00:00" \
  test "$(zipinfo -T "$zipfile" | grep -c ' 20260101\.000000 ')" -eq "$(wc -w <<<"$expected")"

# A program folder in a fresh copy of the prefix, as a user unpacks it.
run=$(mktemp -d "$root/build/package-test.XXXXXX") folder="$run/prefix/drive_c/Tools/Tapivex"
cp -a build/wineprefix "$run/prefix"
mkdir -p "$folder"
check "the zip unpacks into C:\\Tools\\Tapivex" unzip -q "$zipfile" -d "$folder"
check "Tapivex.exe is the build's own" cmp -s "$folder/Tapivex.exe" build/win32/Tapivex.exe
check "tapivex-check.exe is the build's own" cmp -s "$folder/tapivex-check.exe" build/win32/tapivex-check.exe
for f in examples/*; do
  check "$(basename "$f") is that of examples/" cmp -s "$f" "$folder/$(basename "$f")"
done

# Each text is its source with every line ended by CR LF; a manual starts with the UTF-8 byte order mark,
# so that Notepad reads it whole on a Japanese and a Western system alike (the licence is ASCII).
for t in manual-ja.txt:docs/manual.ja.md manual-en.txt:docs/manual.en.md LICENSE.txt:LICENSE; do
  check "${t%%:*} is ${t#*:} with CR LF$([[ $t == manual* ]] && echo ', in UTF-8 after a byte order mark')" \
    cmp -s "$folder/${t%%:*}" <([[ $t != manual* ]] || printf '\357\273\277'; sed 's/$/\r/' "${t#*:}")
done

# The program under Wine, from its folder, in a desktop on a private Xvfb. A
# machine that runs no 32-bit program runs the same sources' x86_64 build in
# the package's place (scripts/windows-target.sh).
# shellcheck source=scripts/windows-target.sh
. "$root/scripts/windows-target.sh"
if [ "$windows_build" != build/win32 ]; then
  quiet cmake -S . -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" &&
    quiet cmake --build "$windows_build" -j2 --target Tapivex tapivex-check || { check "$windows_build builds" false; finish; }
  cp "$windows_build/Tapivex.exe" "$windows_build/tapivex-check.exe" "$folder/"
fi
start_private_xvfb 240 300 || true
check "a private Xvfb starts" test -n "${DISPLAY:-}" -a -n "$xvfb_pid" || finish

export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
wine() { "$root/scripts/wine-run" "$@"; }
wallpaper() {
  wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | sed -n 's/^ *Wallpaper *REG_SZ *//p' | tr -d '\r'
}
wineserver -p >/dev/null 2>&1
wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d '' /f >/dev/null 2>&1
wine explorer /desktop=Default,1024x768 >/dev/null 2>&1 &
sed -i '1s/^[^\r]*/2:1/' "$folder/Tapivex.INI"  # the example changes every minute; this copy every 2 s
(cd "$folder" && exec "$root/scripts/wine-run" Tapivex.exe >/dev/null 2>&1) &
t0=$SECONDS current=""
while [ $((SECONDS - t0)) -lt 5 ] && [ -z "$current" ]; do current=$(wallpaper); sleep 0.2; done
check "Tapivex.exe started from C:\\Tools\\Tapivex sets a picture of that folder within 5 s (${current:-none})" \
  grep -qixE 'c:\\tools\\tapivex\\(sky|checks|sunset)\.bmp' <<<"$current"

check_out=$(cd "$folder" && wine tapivex-check.exe Tapivex.INI 2>&1)
check "tapivex-check.exe of the package passes the example's list (exit 0)" test $? -eq 0
check "tapivex-check.exe reads the example's three entries" test "$(grep -c 'entry [0-9]' <<<"$check_out")" -eq 3

# The start-up failure message leads to the checker: it names the causes it can see.
says() {  # says STATUS PATTERN OUTPUT: exit status 1 and the pattern and the verdict in the output
  [ "$1" -eq 1 ] && grep -q "$2" <<<"$3" && grep -q '^Tapivex would not start\.' <<<"$3"
}
bad="$run/prefix/drive_c/Tools/Bad"
mkdir -p "$bad"
printf '60:1\r\ncut.jpg\r\n' >"$bad/Tapivex.INI"
printf '\xFF\xD8\xFF\xE0\x00\x10JFIF\x00' >"$bad/cut.jpg"
out=$(cd "$bad" && wine "$folder/tapivex-check.exe" 2>&1)
check "tapivex-check.exe names a picture it cannot decode and says Tapivex would not start" \
  says $? 'cannot be decoded as a picture: cut.jpg' "$out"
printf '[Setting]\r\nTempPathType=40000\r\n' >"$folder/TapiVEX.CFG"
out=$(cd "$folder" && wine tapivex-check.exe 2>&1)
check "tapivex-check.exe names TempPathType=40000 in TapiVEX.CFG and says Tapivex would not start" \
  says $? 'TempPathType in TapiVEX.CFG' "$out"

finish
