#!/usr/bin/env bash
# Renews the README's pictures from the real program under Wine, in a 1024x768
# virtual desktop on a private Xvfb:
#   docs/images/desktop.png   the desktop with a wallpaper of examples/, scaled to 640 wide
#   docs/images/menu.png      the notification icon's pop-up menu, open after a right click
#   docs/images/settings.png  the settings dialog, opened by a double click on the icon,
#                             with style 2, the longest, at 96 dpi and at 144 dpi
#   docs/images/about.png     the About window, from the menu
# The program runs from C:\Tools\Tapivex, where a user would put it.
# Wine runs on a copy of the project's prefix of its own (build/screenshots/prefix,
# made once), so a test run in build/wineprefix is never disturbed. Input goes in
# through tools/screenshots/ScreenDriver.cpp (SendInput inside Wine: keys sent from
# outside do not reach Wine's menus), built here with the MinGW compiler.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
# shellcheck source=scripts/private-display.sh
. "$root/scripts/private-display.sh"
work="$root/build/screenshots"
images="$root/docs/images"

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=ja_JP.UTF-8
# The program folder where a user would put it, as the pictures show it.
app="$WINEPREFIX/drive_c/Tools/Tapivex"
app_windows='C:\Tools\Tapivex'
xvfb_pid=""

# shellcheck disable=SC2317  # called through the trap
cleanup() {
  [ ! -d "$WINEPREFIX" ] || wineserver -k >/dev/null 2>&1 || true
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

say() { echo "screenshots: $*"; }

bash scripts/setup.sh
# shellcheck source=scripts/windows-target.sh
. "$root/scripts/windows-target.sh"
wine() { "$root/scripts/wine-run" "$@"; }
mkdir -p "$work" "$images"
say "building $windows_build/Tapivex.exe"
cmake -S . -B "$windows_build" -DCMAKE_TOOLCHAIN_FILE="$windows_toolchain" >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; exit 1; }
cmake --build "$windows_build" -j2 --target Tapivex >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log"; exit 1; }
driver_src=tools/screenshots/ScreenDriver.cpp
driver="$work/ScreenDriver.exe"
if [ ! -f "$driver" ] || [ "$driver_src" -nt "$driver" ]; then
  "$windows_triple-g++-posix" -std=c++17 -O2 -Wall -Wextra -Wshadow -static -municode -s \
    -o "$driver" "$driver_src" -luser32
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "copying build/wineprefix to build/screenshots/prefix"
  rm -rf "$WINEPREFIX"
  cp -a "$root/build/wineprefix" "$WINEPREFIX.part"
  mv "$WINEPREFIX.part" "$WINEPREFIX"
fi
# Wine draws the caption buttons (close, minimise) with the Marlett font, which
# Debian ships apart (fonts-wine); without it they show as letters. Only this prefix
# gets it, so the tests keep the fonts they were written against.
fonts="$WINEPREFIX/drive_c/windows/Fonts"
if [ ! -f "$fonts/marlett.ttf" ]; then
  rm -rf "$work/fonts-wine" && mkdir -p "$work/fonts-wine"
  if (cd "$work/fonts-wine" && apt-get download fonts-wine >/dev/null 2>&1); then
    dpkg-deb -x "$work"/fonts-wine/fonts-wine_*.deb "$work/fonts-wine/x"
    mkdir -p "$fonts"
    cp "$work/fonts-wine/x/usr/share/wine/fonts/marlett.ttf" "$fonts/"
  else
    say "fonts-wine not available: the caption buttons will show letters"
  fi
fi

start_private_xvfb 170 230 || true
[ -n "${DISPLAY:-}" ] || { say "cannot start Xvfb"; exit 1; }
say "display $DISPLAY"

drive() { wine "$driver" "$@" | tr -d '\r'; }
wallpaper() {
  wine reg query 'HKCU\Control Panel\Desktop' /v Wallpaper 2>/dev/null | sed -n 's/^ *Wallpaper *REG_SZ *//p' |
    tr -d '\r' || true
}
shoot() { xwd -root -silent -display "$DISPLAY" >"$work/screen.xwd"; }
# save NAME [convert options...]: the last screen, cropped or scaled, as a small PNG.
save() {
  local name=$1; shift
  convert "xwd:$work/screen.xwd" "$@" +repage -strip -define png:compression-level=9 "$images/$name"
  say "docs/images/$name ($(identify -format '%wx%h' "$images/$name"))"
}
# crop NAME L T R B MARGIN: the window's rectangle with a margin, kept on the screen.
crop() {
  local name=$1 l=$(($2 - $6)) t=$(($3 - $6)) r=$(($4 + $6)) b=$(($5 + $6))
  ((l < 0)) && l=0; ((t < 0)) && t=0; ((r > 1024)) && r=1024; ((b > 768)) && b=768
  save "$name" -crop "$((r - l))x$((b - t))+$l+$t"
}
start_program() {
  (cd "$app" && setsid "$root/scripts/wine-run" Tapivex.exe >/dev/null 2>&1 &)
  drive wait Shell_TrayWnd >/dev/null || { say "no taskbar in the Wine desktop"; exit 1; }
}

rm -rf "$app"
mkdir -p "$app"
cp "$windows_build/Tapivex.exe" examples/* "$app/"
wineserver -k >/dev/null 2>&1 || true
wine reg add 'HKCU\Control Panel\Desktop' /v Wallpaper /d '' /f >/dev/null 2>&1

# The example's pictures, tiled, five minutes apart; the copies' folder is the
# program's own, so the dialog shows a folder and its browse button.
printf '300:1\r\nsunset.bmp\r\nsky.bmp\r\nchecks.bmp\r\n' >"$app/Tapivex.INI"
printf '[Setting]\r\nTempPathType=1\r\nUserTempPath=%s\r\n' "$app_windows" >"$app/TapiVEX.CFG"
start_program
sleep 2  # the icon reaches the notification area
# The first picture at once, from the menu's 次の壁紙へ(&N), as a user would.
drive click 1012 758 right >/dev/null
drive wait '#32768' >/dev/null || { say "no menu after a right click"; exit 1; }
drive key N
for _ in $(seq 1 50); do
  [[ "$(wallpaper)" == *sunset.bmp ]] && break
  sleep 0.2
done
[[ "$(wallpaper)" == *sunset.bmp ]] || { say "the program set no wallpaper"; exit 1; }
drive move 40 40
sleep 1.5  # the desktop paints the picture, then the program's windows are drawn again
shoot
save desktop.png -resize 640x480

# The settings dialog with the longest style, 2, chosen in a list reloaded from
# the menu's 設定ﾌｧｲﾙ再読込み(&R); the pointer rests away from the icon so that no
# tip shows.
printf '300:2\r\nsunset.bmp\r\nsky.bmp\r\nchecks.bmp\r\n' >"$app/Tapivex.INI"
drive click 1012 758 right >/dev/null
drive wait '#32768' >/dev/null || { say "no menu after a right click"; exit 1; }
drive key R
sleep 1
read -r -a rect < <(drive doubleclick 1012 758; drive wait '#32770' 'オプション設定') ||
  { say "no settings dialog after a double click on the icon"; exit 1; }
drive move 40 40
drive gone tooltips_class32 || true
sleep 0.5
shoot
crop settings.png "${rect[@]}" 24
# The folder picker from 参照(&B), on the folder of the path field.
drive altkey B
sleep 2
if read -r -a picker < <(drive foreground) && [ "${picker[0]}" != "${rect[0]}" ]; then
  shoot
  crop picker.png "${picker[@]}" 24
  drive escape
  sleep 1
else
  say "no folder picker from the browse button"
fi
# Cancel, at the dialog's lower right.
drive click "$((rect[2] - 55))" "$((rect[3] - 25))"
drive gone '#32770' 'オプション設定' || { say "the settings dialog did not close"; exit 1; }
sleep 1

# The pop-up menu, with the pointer on its first item.
read -r -a rect < <(drive click 1012 758 right; drive wait '#32768') || { say "no menu after a right click"; exit 1; }
drive move "$((rect[0] + 40))" "$((rect[1] + 10))"
drive gone tooltips_class32 || true
sleep 0.5
shoot
left=$((rect[0] - 48)); top=$((rect[1] - 48))
((left > 1024 - 420)) && left=$((1024 - 420))
((top > 768 - 260)) && top=$((768 - 260))
save menu.png -crop "$((1024 - left))x$((768 - top))+$left+$top"

# ﾊﾞｰｼﾞｮﾝ情報(&A) from the open menu.
read -r -a rect < <(drive key A; drive wait '#32770' 'ﾊﾞｰｼﾞｮﾝ情報') || { say "no About window from the menu"; exit 1; }
drive move 40 40
sleep 0.5
shoot
crop about.png "${rect[@]}" 24

# The settings dialog again at 144 dpi (150 %), where its layout and fonts scale.
set_dpi() {
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
set_dpi 144
start_program
sleep 2
read -r -a rect < <(drive doubleclick 1012 758; drive wait '#32770' 'オプション設定') ||
  { set_dpi 96; say "no settings dialog at 144 dpi"; exit 1; }
drive move 40 40
drive gone tooltips_class32 || true
sleep 0.5
shoot
crop settings-144dpi.png "${rect[@]}" 24
wineserver -k >/dev/null 2>&1 || true
wineserver -w >/dev/null 2>&1 || true
set_dpi 96
say "done"
