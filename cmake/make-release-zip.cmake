# cmake -DEXE=... -DREADME=... -DLICENSES=... -DFREEGLUT_LICENSE=...
#       -DMINGW_RUNTIME_LICENSE=... -DNAME=... -DOUTPUT=....zip [-DWEB_FILES=a;b]
#       -P make-release-zip.cmake
#
# Lays the release out in a folder NAME/ (with WEB_FILES, the pages and
# their licence text, if given) and packs it into OUTPUT. The zip is written beside OUTPUT under
# a temporary name and renamed only once it is complete: a failure leaves no
# OUTPUT (and any older one is removed first, so what is there is never
# stale). Its entries go in in name order, with SOURCE_DATE_EPOCH's time
# when that is set, so the same files make the same zip.
cmake_minimum_required(VERSION 3.16)

foreach(required EXE README LICENSES FREEGLUT_LICENSE MINGW_RUNTIME_LICENSE NAME OUTPUT)
  if(NOT ${required})
    message(FATAL_ERROR "make-release-zip: ${required} is not given or was not found"
                        " ('${${required}}')")
  endif()
endforeach()
file(REMOVE "${OUTPUT}")
foreach(input EXE README LICENSES FREEGLUT_LICENSE MINGW_RUNTIME_LICENSE)
  if(NOT EXISTS "${${input}}")
    message(FATAL_ERROR "make-release-zip: ${input} '${${input}}' does not exist")
  endif()
endforeach()

get_filename_component(out_dir "${OUTPUT}" DIRECTORY)
set(staging "${out_dir}/.${NAME}.staging")
set(partial "${out_dir}/.${NAME}.zip.partial")
file(REMOVE_RECURSE "${staging}")
file(REMOVE "${partial}")
file(MAKE_DIRECTORY "${staging}/${NAME}")

# A text file with Windows line ends, under a name a double click opens.
function(copy_as_windows_text from to)
  file(READ "${from}" text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${staging}/${NAME}/${to}" "${text}")
endfunction()

file(COPY "${EXE}" DESTINATION "${staging}/${NAME}")
copy_as_windows_text("${README}" README.txt)
copy_as_windows_text("${LICENSES}" LICENSES.txt)
copy_as_windows_text("${FREEGLUT_LICENSE}" LICENSE-freeglut.txt)
copy_as_windows_text("${MINGW_RUNTIME_LICENSE}" LICENSE-mingw-w64-runtime.txt)
foreach(file IN LISTS WEB_FILES)
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "make-release-zip: '${file}' does not exist")
  elseif(file MATCHES "[.]txt$")
    get_filename_component(name "${file}" NAME)
    copy_as_windows_text("${file}" "${name}")
  else()
    file(COPY "${file}" DESTINATION "${staging}/${NAME}")
  endif()
endforeach()

# The DOS times in a zip are local times: UTC, whatever the machine's zone.
file(GLOB entries RELATIVE "${staging}" "${staging}/${NAME}/*")
list(SORT entries)
execute_process(
  COMMAND "${CMAKE_COMMAND}" -E env TZ=UTC
          "${CMAKE_COMMAND}" -E tar cf "${partial}" --format=zip ${entries}
  WORKING_DIRECTORY "${staging}"
  RESULT_VARIABLE packed)
file(REMOVE_RECURSE "${staging}")
if(NOT packed EQUAL 0)
  file(REMOVE "${partial}")
  message(FATAL_ERROR "make-release-zip: packing ${partial} failed (${packed})")
endif()
file(RENAME "${partial}" "${OUTPUT}")
message(STATUS "Wrote ${OUTPUT}")
