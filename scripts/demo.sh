#!/usr/bin/env bash
# The demo command: builds Tapivex.exe and runs it on the bundled example (examples/:
# a list file and three pictures, tiled) in a program folder of its own, build/demo/app,
# under Wine in a 1024x768 virtual desktop. The example changes the wallpaper every
# minute; the demo's copy of the list changes it every two seconds.
#   With $DISPLAY set: the program runs on that display until it is ended from its
#   notification icon's menu (right click, 終了) or with Ctrl-C here.
#   Without: on a private Xvfb; after each of the first three wallpaper changes a
#   screenshot build/demo/change-N.png is taken, then the program is ended.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=scripts/private-display.sh
. "$root/scripts/private-display.sh"
demo="$root/build/demo"
app="$demo/app"

export WINEPREFIX="$root/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
xvfb_pid=""

# shellcheck disable=SC2317  # called through the trap
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

bash scripts/setup.sh
# shellcheck source=scripts/windows-target.sh
. "$root/scripts/windows-target.sh"
mkdir -p build
echo "demo: building $windows_build/Tapivex.exe"
cmake -S . -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" >build/demo-configure.log 2>&1 ||
  { cat build/demo-configure.log; exit 1; }
cmake --build "$windows_build" -j2 --target Tapivex >build/demo-build.log 2>&1 || { tail -n 40 build/demo-build.log; exit 1; }

rm -rf "$demo"
mkdir -p "$app"
cp "$windows_build/Tapivex.exe" examples/* "$app/"
# The copy's header line: a change every two seconds, tiled (the line keeps its CR LF).
sed -i '1s/^[^\r]*/2:1/' "$app/Tapivex.INI"

# The program is started from its own folder, as Explorer would start it.
run_program() { (cd "$app" && exec "$root/scripts/wine-run" Tapivex.exe); }

if [ -n "${DISPLAY:-}" ]; then
  # A wineserver from before may have its desktop on another display.
  wineserver -k >/dev/null 2>&1 || true
  echo "demo: Tapivex runs in the Wine desktop on $DISPLAY; end it from its notification icon's menu or with Ctrl-C"
  run_program
  exit 0
fi

start_private_xvfb 97 160 || true
[ -n "${DISPLAY:-}" ] || { echo "demo: cannot start Xvfb"; exit 1; }

wallpaper() {
  "$root/scripts/wine-run" reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null |
    sed -n 's/^ *Wallpaper *REG_SZ *//p' | tr -d '\r' || true
}

wineserver -k >/dev/null 2>&1 || true
# An empty wallpaper first, so that the first change shows even when it repeats the last demo's.
"$root/scripts/wine-run" reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d '' /f >/dev/null 2>&1
echo "demo: Tapivex runs on the virtual display $DISPLAY (list file: examples/Tapivex.INI, every 2 s)"
run_program &

last=$(wallpaper)
changes=0
deadline=$((SECONDS + 45))
while [ "$changes" -lt 3 ] && [ "$SECONDS" -lt "$deadline" ]; do
  current=$(wallpaper)
  if [ "$current" != "$last" ]; then
    changes=$((changes + 1))
    last=$current
    sleep 0.8  # the desktop repaints after the change
    xwd -root -silent -display "$DISPLAY" | convert xwd:- "$demo/change-$changes.png"
    echo "demo: change $changes: wallpaper $current -> build/demo/change-$changes.png"
  fi
  sleep 0.2
done

if [ "$changes" -lt 3 ]; then
  echo "demo: only $changes wallpaper changes within 45 s"
  exit 1
fi
echo "demo: done; screenshots in $demo (change-1.png, change-2.png, change-3.png)"
