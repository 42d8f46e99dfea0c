# Packages: "cpack -G DEB" in a Linux build folder makes a Debian package of
# what "cmake --install" installs. Its dependencies are read off the built
# program by dpkg-shlibdeps (from dpkg-dev), so they follow the libraries it
# really links.
set(CPACK_PACKAGE_NAME lapbundle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "packs the proof of a race into one zip archive")
set(CPACK_PACKAGE_DESCRIPTION
    "Started on a racing game's folder, lapbundle finds the newest screenshot, saved game and track, proposes an archive name and packs them into one zip archive in the game's zip folder.")
set(CPACK_PACKAGE_CONTACT "lapbundle maintainers <lapbundle@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
