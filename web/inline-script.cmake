# Writes OUTPUT: the page TEMPLATE with the script file SCRIPT put where the
# template says @DEMO_SCRIPT@, and, if given, the JSON file PRESETS_FILE
# where it says @PRESETS@, the JSON files LESSON_FILES (a list) as one object
# by their names (modes.json as "modes") where it says @LESSONS@, and the
# script files LAB_SCRIPT_FILES (a list),
# each in a <script> element of its own in the order given, where it says
# @LAB_SCRIPTS@, so the page is one file; ML_VERSION where it says
# @ML_VERSION@, the text of LICENSE_FILE where it says @ML_LICENSE@ (in a
# comment), ICON_FILE (an SVG) as a data: URL where it says @ML_ICON@, and
# where it says @ML_CONTENT_SECURITY_POLICY@ the page's policy: nothing from
# anywhere but its own <script> and <style> elements, each allowed by the
# hash of its text as it ends up in the page.
#   cmake -DTEMPLATE=demo.html -DSCRIPT=program.js -DOUTPUT=page.html -DML_VERSION=1.0
#         -DLICENSE_FILE=../LICENSE -DICON_FILE=icon.svg -P inline-script.cmake
cmake_minimum_required(VERSION 3.16)

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

# A text's SHA-256 in base64, as a policy names it: 32 bytes, ten groups of
# three then two and a "=".
function(sha256_base64 text into)
  string(SHA256 hex "${text}")
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  set(out "")
  foreach(at RANGE 0 60 6)
    string(SUBSTRING "${hex}" ${at} 6 group)
    string(LENGTH "${group}" digits)
    math(EXPR bits "0x${group} << (4 * (6 - ${digits}))")
    foreach(shift 18 12 6 0)
      math(EXPR index "(${bits} >> ${shift}) & 63")
      string(SUBSTRING "${alphabet}" ${index} 1 letter)
      string(APPEND out "${letter}")
    endforeach()
  endforeach()
  string(SUBSTRING "${out}" 0 43 out)
  set(${into} "${out}=" PARENT_SCOPE)
endfunction()

# The hashes of the page's <script> and <style> elements ('sha256-...'
# each), for script-src and style-src. What the policy cannot allow by hash
# stops the build: an element with attributes (<script src=...>), a style
# attribute or an event handler in the markup.
function(element_hashes page scripts_into styles_into)
  set(rest "${page}")
  set(markup "")
  foreach(kind script style)
    set(${kind}_hashes "")
  endforeach()
  while(TRUE)
    string(FIND "${rest}" "<script>" script_at)
    string(FIND "${rest}" "<style>" style_at)
    if(script_at EQUAL -1 AND style_at EQUAL -1)
      break()
    endif()
    set(kind script)
    set(at ${script_at})
    if(script_at EQUAL -1 OR (NOT style_at EQUAL -1 AND style_at LESS script_at))
      set(kind style)
      set(at ${style_at})
    endif()
    string(SUBSTRING "${rest}" 0 ${at} before)
    string(APPEND markup "${before}")
    string(LENGTH "<${kind}>" open)
    math(EXPR from "${at} + ${open}")
    string(SUBSTRING "${rest}" ${from} -1 rest)
    string(FIND "${rest}" "</${kind}>" end)
    string(SUBSTRING "${rest}" 0 ${end} body)
    sha256_base64("${body}" hash)
    list(APPEND ${kind}_hashes "'sha256-${hash}'")
    string(SUBSTRING "${rest}" ${end} -1 rest)
  endwhile()
  string(APPEND markup "${rest}")
  string(TOLOWER "${markup}" markup)
  if(markup MATCHES "<(script|style)[ \t\n/][^>]*>|<[a-z][^>]*[ \t\n](style|on[a-z]+)=")
    message(FATAL_ERROR "inline-script: ${TEMPLATE} holds \"${CMAKE_MATCH_0}\", which the "
                        "page's policy would block: inline <script> and <style> elements only, "
                        "styles and handlers set from the script")
  endif()
  list(JOIN script_hashes " " script_hashes)
  list(JOIN style_hashes " " style_hashes)
  set(${scripts_into} "${script_hashes}" PARENT_SCOPE)
  set(${styles_into} "${style_hashes}" PARENT_SCOPE)
endfunction()

foreach(required ML_VERSION LICENSE_FILE ICON_FILE)
  if(NOT ${required})
    message(FATAL_ERROR "inline-script: ${required} is not given")
  endif()
endforeach()
# The licence in an HTML comment, which "--" would end.
file(READ "${LICENSE_FILE}" ML_LICENSE)
if(ML_LICENSE MATCHES "--")
  message(FATAL_ERROR "${LICENSE_FILE} holds \"--\" and cannot go in a comment")
endif()
# The icon as a data: URL inside a double-quoted attribute.
file(READ "${ICON_FILE}" ML_ICON)
string(REGEX REPLACE "\n *" " " ML_ICON "${ML_ICON}")
string(STRIP "${ML_ICON}" ML_ICON)
foreach(pair "%;%25" "#;%23" "<;%3C" ">;%3E" "\";'")
  list(GET pair 0 from)
  list(GET pair 1 to)
  string(REPLACE "${from}" "${to}" ML_ICON "${ML_ICON}")
endforeach()
set(ML_ICON "data:image/svg+xml,${ML_ICON}")
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
# The policy goes in last, once the page's elements are as they will be.
set(ML_CONTENT_SECURITY_POLICY "@ML_CONTENT_SECURITY_POLICY@")
# Written under another name, then renamed: the page is there only complete.
configure_file("${TEMPLATE}" "${OUTPUT}.part" @ONLY)
file(READ "${OUTPUT}.part" page)
element_hashes("${page}" scripts styles)
# No network and nothing but the page's own code. WebAssembly needs
# 'wasm-unsafe-eval' (compiling it is all it allows: the scripts use no
# eval); Emscripten fetches the program's wasm from the data: URL its
# script holds (connect-src data:); the icon is a data: URL.
string(CONCAT policy "default-src 'none'; script-src ${scripts} 'wasm-unsafe-eval'; "
       "style-src ${styles}; connect-src data:; img-src data:; base-uri 'none'; form-action 'none'")
string(REPLACE "@ML_CONTENT_SECURITY_POLICY@" "${policy}" page "${page}")
file(WRITE "${OUTPUT}.part" "${page}")
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
