# Writes the text files INPUTS (a ;-list) into the C++ header OUTPUT, each
# as a constant named after its file (lighting.glsl: LIGHTING_GLSL), so the
# shaders live in files of their own and are built into the program.
#   cmake -DOUTPUT=header.h "-DINPUTS=a.glsl;b.vert" -P embed-text.cmake
set(text "// Made by cmake/embed-text.cmake from the files named below; do not edit.\n#pragma once\n")
foreach(input IN LISTS INPUTS)
  get_filename_component(name "${input}" NAME)
  string(TOUPPER "${name}" constant)
  string(REGEX REPLACE "[^A-Z0-9]" "_" constant "${constant}")
  file(READ "${input}" content)
  string(APPEND text "\n// ${name}\nconstexpr const char* ${constant} = R\"source(${content})source\";\n")
endforeach()
# Rewritten only when it changes, so what includes it is not rebuilt for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT "${old}" STREQUAL "${text}")
  file(WRITE "${OUTPUT}" "${text}")
endif()
