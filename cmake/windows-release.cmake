# The Windows program as it ships: a console program (add_executable's
# default without WIN32, so the "Erreur OpenGL" line goes to its console
# window), with the C and C++ runtimes linked in so that it needs no DLL
# beside it; and the release zip with it.
if(NOT MINGW)
  return()
endif()

# -static: libgcc, libstdc++ and winpthread (if used) are linked in rather
# than imported from DLLs that Windows does not have. A release build drops
# the symbols and the debug information those libraries bring (0.9 MB
# instead of 0.4 MB).
# --no-insert-timestamp: the header's link time would make each build's
# program differ.
target_link_options(materials-lights PRIVATE
  -static -Wl,--no-insert-timestamp $<$<OR:$<CONFIG:Release>,$<CONFIG:MinSizeRel>>:-s>)

# The version Windows shows in the program's properties: the project's, in
# a VERSIONINFO resource compiled by windres.
enable_language(RC)
set(ML_RC_VERSION ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR})
foreach(part PATCH TWEAK)
  if(PROJECT_VERSION_${part} STREQUAL "")
    string(APPEND ML_RC_VERSION ",0")
  else()
    string(APPEND ML_RC_VERSION ",${PROJECT_VERSION_${part}}")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/data/windows/materials-lights.rc.in
               ${PROJECT_BINARY_DIR}/release/materials-lights.rc @ONLY)
target_sources(materials-lights PRIVATE ${PROJECT_BINARY_DIR}/release/materials-lights.rc)

# cmake --build BUILD --target release-zip:
#   BUILD/materials-lights-<version>-windows-x64.zip
# holding the program, README.txt and the licence texts of what is linked
# into it, and, when the build is told where they are (ML_WEB_PAGES_DIR, as
# ./setup.sh release does), the two web pages. The zip is written under a
# temporary name and renamed when complete, so a zip that is there is whole.
set(ML_WEB_PAGES_DIR "" CACHE PATH
    "Folder holding the built web pages (build-web/), to pack into the release zip")
set(ML_RELEASE_WEB_FILES "")
set(ML_README_PAGES "")
set(ML_LICENSES_PAGES "")
if(ML_WEB_PAGES_DIR)
  foreach(page materials-lights.html materials-lights-lab.html)
    if(NOT EXISTS "${ML_WEB_PAGES_DIR}/${page}")
      message(FATAL_ERROR "ML_WEB_PAGES_DIR: no ${page} in ${ML_WEB_PAGES_DIR} (./setup.sh web builds it)")
    endif()
    list(APPEND ML_RELEASE_WEB_FILES "${ML_WEB_PAGES_DIR}/${page}")
  endforeach()
  list(APPEND ML_RELEASE_WEB_FILES ${PROJECT_SOURCE_DIR}/data/windows/LICENSE-pages.txt)
  file(READ ${PROJECT_SOURCE_DIR}/data/windows/README-pages.txt ML_README_PAGES)
  string(CONCAT ML_LICENSES_PAGES
    "\nThe two web pages hold parts of Emscripten's runtime and libraries, and\n"
    "the lab nlohmann/json: LICENSE-pages.txt names them, with their licences.\n")
endif()
set(ML_RELEASE_NAME "materials-lights-${PROJECT_VERSION}-windows-x64")
set(ML_RELEASE_ZIP "${PROJECT_BINARY_DIR}/${ML_RELEASE_NAME}.zip")

# freeglut's licence asks for its notice with every binary copy. A prefix
# built by setup.sh (and MSYS2's package) keeps it in share/licenses/freeglut/.
find_file(ML_FREEGLUT_LICENSE COPYING
  PATHS "${FreeGLUT_DIR}/../../../share/licenses/freeglut"
        "${FreeGLUT_DIR}/../../../share/doc/freeglut"
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  DOC "freeglut's licence text (its COPYING file), shipped in the release zip")
# The mingw-w64 runtime linked in (start-up code, parts of the C library)
# comes under the ZPL and other notices; Debian's copyright file for it
# gathers them all.
find_file(ML_MINGW_RUNTIME_LICENSE copyright
  PATHS /usr/share/doc/mingw-w64-x86-64-dev
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  DOC "mingw-w64 runtime licence texts, shipped in the release zip")

configure_file(${PROJECT_SOURCE_DIR}/data/windows/README.txt.in
               ${PROJECT_BINARY_DIR}/release/README.txt @ONLY NEWLINE_STYLE CRLF)
# The project's own licence first, as the root's LICENSE has it.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE ML_LICENSE_TEXT)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
configure_file(${PROJECT_SOURCE_DIR}/data/windows/LICENSES.txt.in
               ${PROJECT_BINARY_DIR}/release/LICENSES.txt @ONLY NEWLINE_STYLE CRLF)

add_custom_command(
  OUTPUT ${ML_RELEASE_ZIP}
  COMMAND ${CMAKE_COMMAND}
          -DEXE=$<TARGET_FILE:materials-lights>
          -DREADME=${PROJECT_BINARY_DIR}/release/README.txt
          -DLICENSES=${PROJECT_BINARY_DIR}/release/LICENSES.txt
          -DFREEGLUT_LICENSE=${ML_FREEGLUT_LICENSE}
          -DMINGW_RUNTIME_LICENSE=${ML_MINGW_RUNTIME_LICENSE}
          -DNAME=${ML_RELEASE_NAME}
          -DOUTPUT=${ML_RELEASE_ZIP}
          "-DWEB_FILES=${ML_RELEASE_WEB_FILES}"
          -P ${PROJECT_SOURCE_DIR}/cmake/make-release-zip.cmake
  DEPENDS materials-lights ${ML_RELEASE_WEB_FILES}
          ${PROJECT_SOURCE_DIR}/cmake/make-release-zip.cmake
          ${PROJECT_BINARY_DIR}/release/README.txt
          ${PROJECT_BINARY_DIR}/release/LICENSES.txt
  COMMENT "Packing ${ML_RELEASE_NAME}.zip"
  VERBATIM)
add_custom_target(release-zip DEPENDS ${ML_RELEASE_ZIP})
