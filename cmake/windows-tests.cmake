# Tests of a cross build. The Linux test folders use POSIX to set up their
# fixtures, so only the folders listed here are built, and only with
# -DLAPBUNDLE_WINDOWS_TESTS=ON and a GoogleTest built by the same toolchain
# (scripts/build-windows-deps.sh installs one into the x86_64 prefix).
# CTest runs them under wine64 (CMAKE_CROSSCOMPILING_EMULATOR) in a Wine
# prefix of their own inside the build folder.
option(LAPBUNDLE_WINDOWS_TESTS "Build the tests that run under Wine" OFF)
if(NOT LAPBUNDLE_WINDOWS_TESTS)
  return()
endif()
enable_testing()
if(NOT DEFINED GTest_DIR AND EXISTS ${LAPBUNDLE_WINDEPS}/lib/cmake/GTest)
  set(GTest_DIR ${LAPBUNDLE_WINDEPS}/lib/cmake/GTest)
endif()
find_package(GTest REQUIRED)
include(GoogleTest)
set(LAPBUNDLE_WINE_ENVIRONMENT
    "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all;WINEDLLOVERRIDES=mscoree,mshtml="
    CACHE STRING "Environment of the tests run under Wine")
set(LAPBUNDLE_WINDOWS_TEST_DIRS platform_win32 wine
    CACHE STRING "Test folders under tests/ that build for Windows")
foreach(dir ${LAPBUNDLE_WINDOWS_TEST_DIRS})
  if(EXISTS ${CMAKE_SOURCE_DIR}/tests/${dir}/CMakeLists.txt)
    add_subdirectory(${CMAKE_SOURCE_DIR}/tests/${dir} ${CMAKE_BINARY_DIR}/tests/${dir})
  endif()
endforeach()
