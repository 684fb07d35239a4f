cmake_policy(VERSION 3.25)
# Writes the captions of a layout source as a gettext template, for the
# catalogs: every Caption = "..." except separators ("-"), the program's
# name and the transparency percentages, which read alike in every language.
#   cmake -DLAYOUT=frmMain.layout -DOUTPUT=captions.pot -P extract-captions.cmake
file(STRINGS ${LAYOUT} lines REGEX "^[ ]*Caption = \".*\"$")
set(pot "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n")
set(seen "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[ ]*Caption = \"(.*)\"$" "\\1" caption "${line}")
  if(caption STREQUAL "-" OR caption STREQUAL "Nivarra" OR caption MATCHES "^[0-9]+%$" OR caption IN_LIST seen)
    continue()
  endif()
  list(APPEND seen "${caption}")
  string(APPEND pot "#: ${LAYOUT_NAME}\nmsgid \"${caption}\"\nmsgstr \"\"\n\n")
endforeach()
file(WRITE ${OUTPUT} "${pot}")
