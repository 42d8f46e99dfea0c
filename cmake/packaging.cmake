# Packages: "cpack -G DEB" in a Linux build folder makes a Debian package of
# what "cmake --install" installs. Its dependencies are read off the built
# programs by dpkg-shlibdeps (from dpkg-dev), so they follow the libraries
# they really link. scripts/package.sh checks the package with lintian.
include(GNUInstallDirs)
set(CPACK_PACKAGE_NAME lapbundle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "packs the proof of a race into one zip archive")
# Lines of the extended description stay under 80 characters.
set(CPACK_PACKAGE_DESCRIPTION "Started on a racing game's folder, lapbundle finds the newest screenshot,
saved game and track, proposes an archive name and packs them into one
zip archive in the game's zip folder.")
set(LAPBUNDLE_MAINTAINER "lapbundle maintainers <lapbundle@localhost>")
set(CPACK_PACKAGE_CONTACT ${LAPBUNDLE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# The package's documents: the copyright file in Debian's machine-readable
# format (the licence text taken from LICENSE), the changelog made from
# CHANGES.md, and the lintian overrides for the maintainer address, which
# is no mailbox. Everything gzip'd without name or time stamp.
set(doc ${CMAKE_INSTALL_DATADIR}/doc/lapbundle)
file(STRINGS ${CMAKE_SOURCE_DIR}/LICENSE license_lines)
# The format's "Format:" line as the machine's own essential packages write
# theirs, so that it names the format version this Debian knows.
set(format_line "")
foreach(package dpkg coreutils bash tar)
  if(format_line STREQUAL "" AND EXISTS /usr/share/doc/${package}/copyright)
    file(STRINGS /usr/share/doc/${package}/copyright format_line REGEX "^Format: " LIMIT_COUNT 1)
  endif()
endforeach()
if(format_line STREQUAL "")
  message(FATAL_ERROR "No machine-readable copyright file of dpkg, coreutils, bash or tar "
                      "to take the copyright format's Format line from")
endif()
set(copyright "${format_line}
Upstream-Name: lapbundle

Files: *
Copyright: 2026 the lapbundle authors
Comment: The MIT licence, as in the file LICENSE of the sources.
License: Expat
")
# The licence text is what follows the copyright line and its blank line.
set(state head)
foreach(line IN LISTS license_lines)
  if(state STREQUAL "head")
    if(line MATCHES "^Copyright ")
      set(state blank)
    endif()
  elseif(state STREQUAL "blank" AND line STREQUAL "")
    set(state body)
  elseif(line STREQUAL "")
    string(APPEND copyright " .\n")
  else()
    string(APPEND copyright " ${line}\n")
  endif()
endforeach()
file(WRITE ${CMAKE_BINARY_DIR}/debian/copyright "${copyright}")
install(FILES ${CMAKE_BINARY_DIR}/debian/copyright DESTINATION ${doc})

set(changelog ${CMAKE_BINARY_DIR}/debian/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/debian-changelog.sh ${CMAKE_SOURCE_DIR}/CHANGES.md
          ${LAPBUNDLE_MAINTAINER} ${changelog}
  DEPENDS ${CMAKE_SOURCE_DIR}/CHANGES.md ${CMAKE_SOURCE_DIR}/scripts/debian-changelog.sh VERBATIM)
add_custom_target(debian-changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} DESTINATION ${doc})
install(FILES ${CMAKE_SOURCE_DIR}/resources/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME lapbundle)
