# Shared part of the MinGW-w64 cross toolchains. The including file sets
# LAPBUNDLE_MINGW_TRIPLE (i686-w64-mingw32 or x86_64-w64-mingw32) and
# CMAKE_SYSTEM_PROCESSOR first.
#
# The "-posix" compiler names pick the GCC build with the POSIX thread model:
# the "-win32" build lacks std::thread, std::mutex and friends.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 6.1)

set(CMAKE_C_COMPILER ${LAPBUNDLE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${LAPBUNDLE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${LAPBUNDLE_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${LAPBUNDLE_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${LAPBUNDLE_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_OBJDUMP ${LAPBUNDLE_MINGW_TRIPLE}-objdump CACHE FILEPATH "")

# Headers and libraries come from the MinGW sysroot and from the prefixes the
# build adds (the cross-built dependencies); programs come from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${LAPBUNDLE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Try-compile checks build static libraries, so they never need the
# executable link flags of the final program.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

# Executables run through Wine when a build step or test asks for it.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LAPBUNDLE_MINGW_EMULATOR})
endif()
