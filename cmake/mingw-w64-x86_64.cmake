# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-x86-64):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Libraries built for Windows elsewhere (freeglut) are found when their
# prefix is given as a root too: -DCMAKE_FIND_ROOT_PATH=/their/prefix.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ML_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ML_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${ML_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER ${ML_MINGW_TRIPLET}-windres)

# Headers, libraries and CMake packages come from the mingw root and the
# roots given on the command line; programs run during the build come from
# the host.
list(APPEND CMAKE_FIND_ROOT_PATH /usr/${ML_MINGW_TRIPLET})
list(REMOVE_DUPLICATES CMAKE_FIND_ROOT_PATH)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
