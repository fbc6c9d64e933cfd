#!/usr/bin/env bash
# Builds the release package dist/Tapivex-<version>.zip, to be unpacked into a
# program folder of its own:
#   Tapivex.exe, tapivex-check.exe                    from build/win32
#   Tapivex.INI, sky.bmp, checks.bmp, sunset.bmp      the example of examples/ (relative paths)
#   manual-ja.txt, manual-en.txt                      docs/manual.*.md as text
#   LICENSE.txt
# The manuals are UTF-8 with a byte order mark and CR LF, which Notepad reads whole
# on a Japanese and on a Western system alike (the English manual quotes the
# program's Japanese messages); the licence, plain ASCII, is CP932 with CR LF. The
# zip is the same bytes for the same inputs: fixed times, modes and order, no extra
# fields.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

version=$(sed -n 's/^project(Tapivex VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt"; exit 1; }
name="Tapivex-$version"
stage="$root/build/package/$name"
zipfile="$root/dist/$name.zip"

bash scripts/setup.sh
mkdir -p build/package dist
echo "package: building build/win32 (Tapivex.exe, tapivex-check.exe)"
cmake -S . -B build/win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >build/package/configure.log 2>&1 ||
  { cat build/package/configure.log; exit 1; }
cmake --build build/win32 -j2 --target Tapivex tapivex-check >build/package/build.log 2>&1 ||
  { tail -n 40 build/package/build.log; exit 1; }

# text SOURCE TARGET: UTF-8 with LF to CP932 with CR LF.
text() {
  iconv -f UTF-8 -t CP932 "$1" | sed 's/\r$//; s/$/\r/' >"$2"
}
# manual SOURCE TARGET: UTF-8 with LF to UTF-8 with a byte order mark and CR LF.
manual() {
  { printf '\357\273\277' && iconv -f UTF-8 -t UTF-8 "$1" | sed 's/\r$//; s/$/\r/'; } >"$2"
}

rm -rf "$stage"
mkdir -p "$stage"
cp build/win32/Tapivex.exe build/win32/tapivex-check.exe "$stage/"
cp examples/* "$stage/"
manual docs/manual.ja.md "$stage/manual-ja.txt"
manual docs/manual.en.md "$stage/manual-en.txt"
text LICENSE "$stage/LICENSE.txt"

chmod 755 "$stage"/*.exe
find "$stage" -type f ! -name '*.exe' -exec chmod 644 {} +
TZ=UTC touch -d '2026-01-01 00:00:00' "$stage"/*
rm -f "$zipfile"
(cd "$stage" && find . -type f -printf '%P\n' | LC_ALL=C sort | TZ=UTC zip -q -X -D -9 "$zipfile" -@)
echo "package: dist/$name.zip ($(stat -c %s "$zipfile") bytes)"
unzip -l "$zipfile" | sed 's/^/  /'
