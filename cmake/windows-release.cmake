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
target_link_options(materials-lights PRIVATE
  -static $<$<OR:$<CONFIG:Release>,$<CONFIG:MinSizeRel>>:-s>)

# cmake --build BUILD --target release-zip:
#   BUILD/materials-lights-<version>-windows-x64.zip
# holding the program, README.txt and the licence texts of what is linked
# into it. The zip is written under a temporary name and renamed when
# complete, so a zip that is there is whole.
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
          -P ${PROJECT_SOURCE_DIR}/cmake/make-release-zip.cmake
  DEPENDS materials-lights
          ${PROJECT_SOURCE_DIR}/cmake/make-release-zip.cmake
          ${PROJECT_BINARY_DIR}/release/README.txt
          ${PROJECT_BINARY_DIR}/release/LICENSES.txt
  COMMENT "Packing ${ML_RELEASE_NAME}.zip"
  VERBATIM)
add_custom_target(release-zip DEPENDS ${ML_RELEASE_ZIP})
