# Windows builds also compile resource scripts (icon, manifest).
enable_language(RC)

# The Windows build's third-party libraries: static zlib, minizip and
# libjpeg-turbo from scripts/build-windows-deps.sh, found under
# -DLAPBUNDLE_WINDEPS=<prefix> (default: build-windeps/<arch> in the source
# tree). They get the imported-target names pkg-config creates on Linux, so
# the subsystems link them the same way on both systems.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(lb_windeps_arch x86_64)
else()
  set(lb_windeps_arch i686)
endif()
set(LAPBUNDLE_WINDEPS ${CMAKE_SOURCE_DIR}/build-windeps/${lb_windeps_arch}
    CACHE PATH "Prefix of the cross-built static libraries")

function(lb_windeps_target name library)
  set(file ${LAPBUNDLE_WINDEPS}/lib/lib${library}.a)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "${file} is missing: run scripts/build-windows-deps.sh first")
  endif()
  add_library(PkgConfig::${name} STATIC IMPORTED GLOBAL)
  # Added as system headers: their own warnings are not ours to fix.
  set_target_properties(PkgConfig::${name} PROPERTIES
    IMPORTED_LOCATION ${file}
    INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${LAPBUNDLE_WINDEPS}/include"
    INTERFACE_INCLUDE_DIRECTORIES "${LAPBUNDLE_WINDEPS}/include;${ARGN}")
endfunction()

lb_windeps_target(ZLIB z)
lb_windeps_target(LIBJPEG jpeg)
lb_windeps_target(MINIZIP minizip ${LAPBUNDLE_WINDEPS}/include/minizip)
set_property(TARGET PkgConfig::MINIZIP PROPERTY INTERFACE_LINK_LIBRARIES PkgConfig::ZLIB)

# The shipped program runs from any folder on a bare Windows: link the C++ and
# GCC runtimes (and winpthread) into it, so it imports only system DLLs.
add_link_options(-static -static-libgcc -static-libstdc++)
