# The page's scripts and style sheet as the browser gets them: without their
# comments, which are for the reader of the source. Strips the lines that hold
# only a // comment from a script, and every /* */ comment from a style sheet,
# and then blank lines; neither file has these marks inside a string.
#
#   cmake -DINPUT=page/pelvaro-page.js -DOUTPUT=build/page/pelvaro-page.js -P strip_comments.cmake
#
# Included by another script, it only defines pelvaro_strip_comments.
function(pelvaro_strip_comments variable path)
  set(text "${${variable}}")
  if(path MATCHES "\\.css$")
    string(REGEX REPLACE "/\\*([^*]|\\*+[^*/])*\\*+/" "" text "${text}")
  else()
    string(REGEX REPLACE "(^|\n)[ \t]*//[^\n]*" "" text "${text}")
  endif()
  string(REGEX REPLACE "\n([ \t]*\n)+" "\n" text "${text}")
  string(REGEX REPLACE "^\n+" "" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

if(DEFINED INPUT AND DEFINED OUTPUT)
  file(READ "${INPUT}" text)
  pelvaro_strip_comments(text "${INPUT}")
  file(WRITE "${OUTPUT}" "${text}")
endif()
