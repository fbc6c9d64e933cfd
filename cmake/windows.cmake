# Windows build (MinGW-w64, i686 as shipped or x86_64 for the tests where the
# machine runs no 32-bit program): Tapivex.exe and the tests that run under Wine.
enable_language(RC)
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
# Static runtime: the program needs no DLL beyond Windows' own.
add_link_options(-static -static-libgcc -static-libstdc++)

# Only DLLs that Windows protects by name (known DLLs, side-by-side
# comctl32); winmm and the imaging component are reached from the system folder.
set(WIN32_LIBS user32 gdi32 shell32 ole32 oleaut32 uuid advapi32 shlwapi)
# Address space layout randomisation and no execution from data pages.
add_link_options(-Wl,--dynamicbase,--nxcompat)

file(GLOB WIN32_SOURCES CONFIGURE_DEPENDS src/platform/win32/*.cpp)
list(FILTER WIN32_SOURCES EXCLUDE REGEX "/WinMain\\.cpp$")
add_library(tapivex_win32 STATIC ${WIN32_SOURCES})
target_link_libraries(tapivex_win32 PUBLIC tapivex_core ${WIN32_LIBS})

# The manifest names the processor of the build: x86 for the shipped program, amd64 for
# the 64-bit twin (Windows refuses a program whose manifest names another processor).
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(TAPIVEX_MANIFEST_PROCESSOR amd64)
else()
  set(TAPIVEX_MANIFEST_PROCESSOR x86)
endif()
configure_file(src/platform/win32/res/Tapivex.manifest.in ${CMAKE_BINARY_DIR}/generated/Tapivex.manifest @ONLY)

file(GLOB WIN32_RESOURCES CONFIGURE_DEPENDS src/platform/win32/*.rc)
set_source_files_properties(${WIN32_RESOURCES} PROPERTIES OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/generated/Tapivex.manifest)
add_executable(Tapivex WIN32 src/platform/win32/WinMain.cpp ${WIN32_RESOURCES})
target_link_libraries(Tapivex PRIVATE tapivex_win32)
target_link_options(Tapivex PRIVATE -municode -s)

# GoogleTest, built from Debian's sources for this toolchain. The test programs list
# their tests when ctest runs (PRE_TEST), not after the build: so both builds compile
# on any machine, also one whose Wine cannot run the build's processor.
set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# Tests of the Windows layer: the real system calls, under Wine.
file(GLOB WIN32_TEST_SOURCES CONFIGURE_DEPENDS tests/win32/*.cpp)
if(WIN32_TEST_SOURCES)
  add_executable(win32_tests ${WIN32_TEST_SOURCES})
  target_include_directories(win32_tests PRIVATE tests/support)
  target_link_libraries(win32_tests PRIVATE tapivex_win32 gtest gtest_main windowscodecs)
  gtest_discover_tests(win32_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 120 LABELS win32)
endif()

# End-to-end tests: the real Tapivex.exe, started and driven as a user would.
file(GLOB E2E_TEST_SOURCES CONFIGURE_DEPENDS tests/e2e/*.cpp)
if(E2E_TEST_SOURCES)
  add_executable(e2e_tests ${E2E_TEST_SOURCES})
  target_include_directories(e2e_tests PRIVATE tests/e2e tests/support src ${CMAKE_BINARY_DIR}/generated)
  target_link_libraries(e2e_tests PRIVATE gtest gtest_main ${WIN32_LIBS} windowscodecs)
  add_dependencies(e2e_tests Tapivex)
  target_compile_definitions(e2e_tests PRIVATE TAPIVEX_EXE_DIR="${CMAKE_BINARY_DIR}")
  gtest_discover_tests(e2e_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120 PROPERTIES TIMEOUT 180 LABELS e2e RUN_SERIAL TRUE)
endif()

# Benchmark programs (bench/run.sh turns this on in a build folder of its own).
option(TAPIVEX_BENCH "Build the benchmark programs of bench/" OFF)
if(TAPIVEX_BENCH)
  add_subdirectory(bench)
endif()

# The shipped executable's headers and import table.
add_test(NAME executable_hardening COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-executable.sh $<TARGET_FILE:Tapivex>)
