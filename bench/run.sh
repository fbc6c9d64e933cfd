#!/usr/bin/env bash
# Runs Tapivex's benchmarks: builds the program and the benchmark programs in
# build/bench/win32, starts a private Wine prefix (build/bench/prefix, a copy of
# build/wineprefix) in a virtual desktop with a taskbar on an Xvfb display of
# its own, and hands over to bench/bench.py, which generates the inputs, runs
# every benchmark and writes build/bench/results.json.
#
#   bench/run.sh                 everything, about six minutes
#   BENCH_RUNS=3 BENCH_IDLE_RUNS=1 BENCH_IDLE_SECONDS=20 bench/run.sh   a quicker look
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
work="$root/build/bench"
mkdir -p "$work"

# The reference JPEG decoder.
if ! command -v djpeg >/dev/null; then
    apt-get install -y libjpeg-turbo-progs >/dev/null
fi

# shellcheck source=scripts/windows-target.sh
. "$root/scripts/windows-target.sh"
echo "== building (build/bench/win32, $windows_toolchain)"
cmake -S "$root" -B "$work/win32" -DCMAKE_TOOLCHAIN_FILE="$root/$windows_toolchain" -DTAPIVEX_BENCH=ON \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/win32" -j2 --target Tapivex bench_convert bench_minimal bench_launch >/dev/null

if [ ! -d "$work/prefix" ]; then
    echo "== copying the Wine prefix to build/bench/prefix"
    cp -a "$root/build/wineprefix" "$work/prefix"
fi

export WINEPREFIX="$work/prefix" WINEDEBUG=-all LC_ALL=ja_JP.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="

# An X display of our own: the first free one from :95 on.
display=95
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"

cleanup() {
    wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

# One server for the whole run (it would otherwise restart, with the desktop,
# between programs), and every program in the virtual desktop "Default", whose
# taskbar holds the notification area.
wineserver -p
"$root/scripts/wine-run" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$root/scripts/wine-run" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1

python3 "$root/bench/bench.py" "$root"
