#!/usr/bin/env bash
# Installs what building and testing Tapivex needs on Debian 12, and creates the
# Wine prefix under build/. Quick and silent when everything is already there.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 wine32:i386 xvfb x11-apps
          xdotool imagemagick fonts-ipafont-gothic locales clang libclang-rt-14-dev zip unzip)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null
fi

# Japanese locale: Wine's ANSI code page becomes 932 (Shift-JIS) under it, and
# Japanese file names cross between Linux and Wine intact.
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi

# The Wine prefix, made once (after wine32 is in place, or 32-bit programs cannot run).
export WINEPREFIX="$PWD/build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating the Wine prefix"
  mkdir -p build
  scripts/wine-run wineboot -i >/dev/null 2>&1 || true
  wineserver -w || true
fi

# Every Wine program of this prefix runs in a 1024x768 virtual desktop with a
# taskbar and a notification area (EnableShell: without it the desktop has no
# taskbar), where the program's icon and the wallpaper show. A crashing program
# ends with its exception code instead of waiting behind Wine's crash dialog.
# The values reach user.reg when the prefix's wineserver next saves it.
if ! grep -q '^"EnableShell"=dword:00000001' "$WINEPREFIX/user.reg" 2>/dev/null ||
   ! grep -q '^"ShowCrashDialog"=dword:00000000' "$WINEPREFIX/user.reg" 2>/dev/null; then
  echo "setup: configuring the Wine prefix"
  scripts/wine-run reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  scripts/wine-run reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
  scripts/wine-run reg add 'HKCU\Software\Wine\Explorer\Desktops\Default' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1
  scripts/wine-run reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
fi
