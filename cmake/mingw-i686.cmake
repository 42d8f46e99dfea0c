# Cross toolchain for 32-bit Windows (the shipped lapbundle.exe).
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake
set(LAPBUNDLE_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
# No emulator: a 64-bit-only Wine cannot run 32-bit programs.
set(LAPBUNDLE_MINGW_EMULATOR "")
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
