# ML_SANITIZE=ON: everything the project compiles (the program, its tests and
# tools) is built with AddressSanitizer and UndefinedBehaviorSanitizer. Any
# report ends the process with an error, so a test that triggers one fails.
# Included from the top-level CMakeLists.txt before any target is defined.
if(MSVC)
  message(FATAL_ERROR "ML_SANITIZE needs GCC or Clang")
endif()

# Floating-point division by zero and float conversions that overflow are
# not part of -fsanitize=undefined; the camera and angle arithmetic is
# exactly where they would hide, so they are asked for by name.
set(ML_SANITIZER_FLAGS
    -fsanitize=address,undefined,float-divide-by-zero,float-cast-overflow
    -fno-sanitize-recover=all
    -fno-omit-frame-pointer)
add_compile_options(${ML_SANITIZER_FLAGS})
add_link_options(${ML_SANITIZER_FLAGS})

# Every program carries its sanitizer options and the leak suppressions
# (lsan.supp) itself, so the demo, a test or a tool started from this build
# behaves the same whether CTest, a test or a person starts it.
file(READ ${CMAKE_CURRENT_LIST_DIR}/lsan.supp ML_LSAN_SUPPRESSIONS)
string(REGEX REPLACE "#[^\n]*\n" "" ML_LSAN_SUPPRESSIONS "${ML_LSAN_SUPPRESSIONS}")
string(REGEX REPLACE "\n+" "\\\\n" ML_LSAN_SUPPRESSIONS "${ML_LSAN_SUPPRESSIONS}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/sanitizer_defaults.c.in
               ${CMAKE_BINARY_DIR}/cmake/sanitizers/sanitizer_defaults.c @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_LIST_DIR}/lsan.supp)
add_library(ml_sanitizer_defaults OBJECT
            ${CMAKE_BINARY_DIR}/cmake/sanitizers/sanitizer_defaults.c)
link_libraries(ml_sanitizer_defaults)

# GCC's shared AddressSanitizer runtime, for tests that LD_PRELOAD a library
# into a sanitized program: the runtime must come first. Empty where the
# runtime is linked into each program (Clang), which needs nothing preloaded.
execute_process(COMMAND ${CMAKE_C_COMPILER} -print-file-name=libasan.so
                OUTPUT_VARIABLE ML_ASAN_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT IS_ABSOLUTE "${ML_ASAN_RUNTIME}" OR NOT EXISTS "${ML_ASAN_RUNTIME}")
  set(ML_ASAN_RUNTIME "")
endif()
