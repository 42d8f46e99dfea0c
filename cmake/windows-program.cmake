# lapbundle_windows_program(TARGET DESCRIPTION)
# Makes TARGET a Windows program to hand out:
# - its icon, manifest and version resource, all made from the project's
#   version (project(VERSION), the one home of the version) by configuring
#   resources/program.rc.in and resources/program.manifest.in;
# - the oldest Windows it runs on, in its header;
# - a link map beside it (TARGET.map), from which scripts/package.sh reads
#   the static libraries whose notices the Windows zip must carry.
#
# The manifest has no trustInfo block (no requestedExecutionLevel): a 32-bit
# program that declares an execution level is taken as written for UAC, and
# Windows then switches file virtualization off for it. The game writes its
# saved games and screenshots below Program Files, which Windows redirects
# into the user's VirtualStore for such legacy programs; only without the
# declaration does lapbundle see that merged view, as the game does. Without
# the declaration Windows' installer detection reads the version strings, so
# none of them may name setup, install, update or patch.
# The manifest declares the program DPI-aware (per monitor where Windows
# offers it, system-wide before), so that Windows never stretches its window
# into a blur: the control kit lays the window out at the screen's density.
# scripts/check-windows-resources.sh checks the built program for all this.
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE LAPBUNDLE_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
# Windows Vista: the thread library of the C++ runtime (winpthreads) imports
# GetTickCount64, which Windows has since Vista. Windows refuses to start
# the program on anything older; scripts/check-windows-imports.sh checks
# that every function it imports exists there.
set(LAPBUNDLE_WINDOWS_MIN 6.0 CACHE STRING "Oldest Windows version (major.minor) the programs run on")

function(lapbundle_windows_program target description)
  enable_language(RC)
  set(LB_RES_NAME ${target})
  set(LB_RES_FILE ${target}.exe)
  set(LB_RES_DESCRIPTION ${description})
  set(LB_RES_COPYRIGHT ${LAPBUNDLE_COPYRIGHT})
  set(LB_RES_ICON ${CMAKE_SOURCE_DIR}/resources/lapbundle.ico)
  # Four-part versions: 1.0 becomes 1.0.0.0 and 1,0,0,0.
  set(parts "")
  foreach(part MAJOR MINOR PATCH TWEAK)
    if("${PROJECT_VERSION_${part}}" STREQUAL "")
      list(APPEND parts 0)
    else()
      list(APPEND parts ${PROJECT_VERSION_${part}})
    endif()
  endforeach()
  list(JOIN parts "." LB_RES_VERSION_DOTS)
  list(JOIN parts "," LB_RES_VERSION_COMMAS)
  set(dir ${CMAKE_BINARY_DIR}/resources/${target})
  set(LB_RES_MANIFEST ${dir}/${target}.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/resources/program.manifest.in ${LB_RES_MANIFEST} @ONLY)
  configure_file(${CMAKE_SOURCE_DIR}/resources/program.rc.in ${dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${dir}/${target}.rc)
  # The resource compiler reports no dependencies: without these, a changed
  # manifest or icon would leave an incremental build with the old one.
  set_source_files_properties(${dir}/${target}.rc PROPERTIES
    OBJECT_DEPENDS "${LB_RES_MANIFEST};${LB_RES_ICON}")

  string(REPLACE "." ";" windows_min "${LAPBUNDLE_WINDOWS_MIN}")
  list(GET windows_min 0 major)
  list(GET windows_min 1 minor)
  target_link_options(${target} PRIVATE
    -Wl,--major-subsystem-version,${major} -Wl,--minor-subsystem-version,${minor}
    -Wl,--major-os-version,${major} -Wl,--minor-os-version,${minor}
    -Wl,-Map=$<TARGET_FILE_DIR:${target}>/${target}.map)
endfunction()
