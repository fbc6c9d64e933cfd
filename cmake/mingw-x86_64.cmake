# The same program for 64-bit Windows (x86_64): the build that the tests run
# on a machine whose kernel runs no 32-bit program, where Wine runs only
# 64-bit Windows programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(TAPIVEX_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
