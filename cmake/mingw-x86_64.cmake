# Cross toolchain for 64-bit Windows (the same sources, runnable under wine64).
#   cmake -S . -B build-win64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake
set(LAPBUNDLE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
# wine64 runs the cross-built programs (tests, tools) on this host.
find_program(LAPBUNDLE_WINE64 NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT LAPBUNDLE_WINE64)
  find_program(LAPBUNDLE_WINE64 NAMES wine64)
endif()
set(LAPBUNDLE_MINGW_EMULATOR "${LAPBUNDLE_WINE64}")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
