# Writes OUTPUT: the page TEMPLATE with the script file SCRIPT put where the
# template says @DEMO_SCRIPT@, and, if given, the JSON file PRESETS_FILE
# where it says @PRESETS@, the JSON files LESSON_FILES (a list) as one object
# by their names (modes.json as "modes") where it says @LESSONS@, and the
# script files LAB_SCRIPT_FILES (a list),
# each in a <script> element of its own in the order given, where it says
# @LAB_SCRIPTS@, so the page is one file; and ML_VERSION where it says
# @ML_VERSION@.
#   cmake -DTEMPLATE=demo.html -DSCRIPT=program.js -DOUTPUT=page.html -DML_VERSION=1.0
#         -P inline-script.cmake

# Inside <script>, "</script" would end the element early.
function(read_script file into)
  file(READ "${file}" text)
  string(TOLOWER "${text}" lower)
  string(FIND "${lower}" "</script" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${file} holds \"</script\" and cannot be inlined")
  endif()
  set(${into} "${text}" PARENT_SCOPE)
endfunction()

# A JSON file inside <script>: "</" could end the element early.
function(read_json file into)
  file(READ "${file}" text)
  string(FIND "${text}" "</" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${file} holds \"</\" and cannot be inlined")
  endif()
  string(STRIP "${text}" text)
  set(${into} "${text}" PARENT_SCOPE)
endfunction()

if(NOT ML_VERSION)
  message(FATAL_ERROR "inline-script: ML_VERSION is not given")
endif()
read_script("${SCRIPT}" DEMO_SCRIPT)
if(PRESETS_FILE)
  read_json("${PRESETS_FILE}" PRESETS)
endif()
set(LESSONS "")
foreach(path IN LISTS LESSON_FILES)
  read_json("${path}" text)
  get_filename_component(name "${path}" NAME_WE)
  string(APPEND LESSONS ",\n\"${name}\": ${text}")
endforeach()
string(REGEX REPLACE "^,\n" "" LESSONS "${LESSONS}")
set(LESSONS "{\n${LESSONS}\n}")
set(LAB_SCRIPTS "")
foreach(path IN LISTS LAB_SCRIPT_FILES)
  read_script("${path}" text)
  string(APPEND LAB_SCRIPTS "<script>\n${text}</script>\n")
endforeach()
string(STRIP "${LAB_SCRIPTS}" LAB_SCRIPTS)
# Written under another name, then renamed: the page is there only complete.
configure_file("${TEMPLATE}" "${OUTPUT}.part" @ONLY)
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
