# The Debian package: `cpack --config BUILD/CPackConfig.cmake` makes
# BUILD/package/materials-lights_<version>_<arch>.deb from what
# `cmake --install` puts under /usr (data/CMakeLists.txt): the programs, the
# pages when ML_WEB_PAGES_DIR is given, the desktop entries and icons, the
# manual pages, the copyright file and the changelog. ./setup.sh release
# makes it and copies it to dist/.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME materials-lights)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${ML_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive demonstration of OpenGL lighting and materials")
set(CPACK_PACKAGE_DESCRIPTION
"One window shows four solids under three lights, drawn by OpenGL's
fixed-function pipeline; keys switch the lights and the viewpoint and turn
the scene. Two command-line tools draw any state of it to a PNG file and
explain why a pixel has its colour, working the lighting equation through
there. Two web pages hold the demo and a lighting lab, where every light,
material and shading value can be changed while it is drawn.")
# The libraries the programs link to, found by dpkg-shlibdeps; the lab's
# desktop entry opens the page through xdg-open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)

# Installed with prefix /usr into a staging folder (DESTDIR), so that what
# is written at install time (the lab's desktop entry) names /usr.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_SET_DESTDIR ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# Folders as Debian has them whatever the umask, so that two builds pack the
# same bytes (the files' times come from SOURCE_DATE_EPOCH).
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
