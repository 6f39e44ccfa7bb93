# Writes OUTPUT: the page TEMPLATE with the script file SCRIPT put where the
# template says @DEMO_SCRIPT@, and the JSON file PRESETS_FILE, if given,
# where it says @PRESETS@, so the page is one file.
#   cmake -DTEMPLATE=demo.html -DSCRIPT=program.js -DOUTPUT=page.html -P inline-script.cmake
file(READ "${SCRIPT}" DEMO_SCRIPT)
if(PRESETS_FILE)
  file(READ "${PRESETS_FILE}" PRESETS)
  string(FIND "${PRESETS}" "</" at)
  if(NOT at EQUAL -1)
    message(FATAL_ERROR "${PRESETS_FILE} holds \"</\" and cannot be inlined")
  endif()
endif()
# Inside <script>, "</script" would end the element early.
string(TOLOWER "${DEMO_SCRIPT}" lower)
string(FIND "${lower}" "</script" at)
if(NOT at EQUAL -1)
  message(FATAL_ERROR "${SCRIPT} holds \"</script\" and cannot be inlined")
endif()
# Written under another name, then renamed: the page is there only complete.
configure_file("${TEMPLATE}" "${OUTPUT}.part" @ONLY)
file(RENAME "${OUTPUT}.part" "${OUTPUT}")
