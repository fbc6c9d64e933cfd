# Sourced by the scripts that build or run the Windows program (after
# scripts/setup.sh), and by scripts/wine-run. It uses no path of the project.
#
# Tapivex ships as a 32-bit program, built in build/win32. A machine whose
# kernel runs no 32-bit program (no IA-32 emulation) cannot run Wine's 32-bit
# loader: there the tests, the demo and the screenshots use the same sources
# built for x86_64 in build/win64, which Wine runs with its 64-bit loader
# alone (scripts/wine-run).
# windows_reason says why, for the scripts' output.
if /usr/lib/wine/wine --version >/dev/null 2>&1 || [ ! -x /usr/lib/wine/wine64 ]; then
  windows_build=build/win32
  windows_toolchain=cmake/mingw-i686.cmake
  windows_triple=i686-w64-mingw32
  windows_reason="the shipped 32-bit program: Wine's 32-bit loader runs here"
else
  windows_build=build/win64
  windows_toolchain=cmake/mingw-x86_64.cmake
  windows_triple=x86_64-w64-mingw32
  windows_reason="the 64-bit twin: this machine runs no 32-bit program (Wine's 32-bit loader fails here)"
fi
