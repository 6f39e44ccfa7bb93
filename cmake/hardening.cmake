# Hardened programs, as Debian builds its packages (dpkg-buildflags with
# hardening=+all) and as mingw-w64 offers for Windows: the tools read files
# that come from other people. For everything this project compiles, tests
# included; the pixels drawn do not change.
#
# - GCC and Clang on Linux: stack protector (strong), fortified libc calls
#   (_FORTIFY_SOURCE=2, which needs optimisation: the optimised build types
#   only), stack-clash and control-flow (CET) protection, format-string
#   checks, position-independent executables, read-only relocations bound at
#   start-up (-z relro -z now).
# - mingw-w64: stack protector (its libssp is linked in statically with the
#   rest), address-space randomisation with a 64-bit range, and the data
#   pages not executable (--dynamicbase, --high-entropy-va, --nxcompat).
#
# Left off under the sanitizers and the fuzz targets (ML_SANITIZE, ML_FUZZ),
# whose own checks _FORTIFY_SOURCE's would hide.
option(ML_HARDEN "Build with the hardening flags Debian's packages use" ON)
if(NOT ML_HARDEN OR ML_SANITIZE OR ML_FUZZ OR MSVC)
  return()
endif()

# C and C++ only: windres compiles the Windows program's resources.
set(ML_C_OR_CXX $<COMPILE_LANGUAGE:C,CXX>)
set(ML_OPTIMISED $<OR:$<CONFIG:Release>,$<CONFIG:RelWithDebInfo>,$<CONFIG:MinSizeRel>>)
add_compile_options(
  "$<${ML_C_OR_CXX}:-fstack-protector-strong;-Wformat;-Werror=format-security>"
  # Whatever a compiler defines by itself is replaced by level 2.
  "$<$<AND:${ML_C_OR_CXX},${ML_OPTIMISED}>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")

if(MINGW)
  add_link_options(-fstack-protector-strong LINKER:--dynamicbase LINKER:--high-entropy-va
                   LINKER:--nxcompat)
  return()
endif()

add_compile_options("$<${ML_C_OR_CXX}:-fstack-clash-protection;-fcf-protection>")
add_link_options(LINKER:-z,relro LINKER:-z,now)
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
