# The fuzz targets (libFuzzer, clang only): the list file's reading, the one
# file a person writes by hand whose reader works in blocks, and the Exif
# orientation of a JPEG from anywhere with the turn it asks for, and the
# settings file TapiVEX.CFG as the checker's Linux build reads it. A native build
# folder of its own:
#   CC=clang CXX=clang++ cmake -S . -B build/fuzz -DTAPIVEX_FUZZ=ON
# scripts/fuzz.sh builds and runs them.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "TAPIVEX_FUZZ needs clang (CC=clang CXX=clang++)")
endif()

set(FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

# The file readings and the picture turn, instrumented for coverage and the
# sanitizers; the rest of src/convert needs the system's interface.
file(GLOB FUZZ_SOURCES CONFIGURE_DEPENDS src/config/*.cpp)
add_library(tapivex_fuzz_logic STATIC ${FUZZ_SOURCES} src/convert/ExifOrientation.cpp src/convert/Orientation.cpp
  tools/tapivex-check/IniProfile.cpp)
target_include_directories(tapivex_fuzz_logic PUBLIC src tools/tapivex-check)
target_compile_options(tapivex_fuzz_logic PRIVATE -fsanitize=fuzzer-no-link ${FUZZ_SANITIZERS})

function(add_fuzz_target target source)
  add_executable(${target} tests/fuzz/${source})
  target_include_directories(${target} PRIVATE tests/fuzz tests/unit)
  target_compile_options(${target} PRIVATE -fsanitize=fuzzer ${FUZZ_SANITIZERS})
  target_link_options(${target} PRIVATE -fsanitize=fuzzer ${FUZZ_SANITIZERS})
  target_link_libraries(${target} PRIVATE tapivex_fuzz_logic)
endfunction()

add_fuzz_target(fuzz_list_file FuzzListFile.cpp)
add_fuzz_target(fuzz_exif_orientation FuzzExifOrientation.cpp)
add_fuzz_target(fuzz_settings_file FuzzSettingsFile.cpp)
