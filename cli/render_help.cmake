# Renders the manual page as groff shows it on an 80-column terminal, in plain
# text without the running header and footer, and writes it into a C++ header:
# kHelp, the whole page, and kUsage, the lines of its SYNOPSIS under "Usage: ".
# Lines are left ragged and words unhyphenated, as a terminal reads best.
#
#   cmake -DGROFF=path -DPAGE=pelvaro-id.1 -DHEADER=help_text.h -P render_help.cmake
set(ragged ${HEADER}.ragged.roff)
file(WRITE ${ragged} ".am TH\n.ad l\n..\n")
execute_process(COMMAND ${GROFF} -man -Tascii -rLL=79n -rHY=0 -P-cbou -ww ${ragged} ${PAGE}
                RESULT_VARIABLE status OUTPUT_VARIABLE text ERROR_VARIABLE warnings)
file(REMOVE ${ragged})
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "")
  message(FATAL_ERROR "groff could not render ${PAGE} (status ${status}):\n${warnings}")
endif()

# The page between its header line and its footer line.
if(NOT text MATCHES "^[^\n]*\n+(.*[^\n])\n+[^\n]+\n*$")
  message(FATAL_ERROR "${PAGE} rendered without a header and a footer:\n${text}")
endif()
set(text "${CMAKE_MATCH_1}\n")
if(NOT text MATCHES "\nSYNOPSIS\n((       [^\n]*\n)+)")
  message(FATAL_ERROR "${PAGE} rendered without a SYNOPSIS section")
endif()
# "Usage: " takes the place of the first line's indent, as wide.
string(SUBSTRING "${CMAKE_MATCH_1}" 7 -1 usage)
set(usage "Usage: ${usage}")
foreach(part IN ITEMS text usage)
  string(FIND "${${part}}" ")text\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${PAGE} holds the end of the raw string it is put in: )text\"")
  endif()
endforeach()

get_filename_component(page_name ${PAGE} NAME)
file(WRITE ${HEADER}.new
  "// Rendered from ${page_name} by render_help.cmake when the program is built.\n"
  "#pragma once\n\n#include <string_view>\n\nnamespace pelvaro::cli {\n\n"
  "inline constexpr std::string_view kHelp = R\"text(${text})text\";\n\n"
  "inline constexpr std::string_view kUsage = R\"text(${usage})text\";\n\n"
  "}  // namespace pelvaro::cli\n")
file(COPY_FILE ${HEADER}.new ${HEADER} ONLY_IF_DIFFERENT)
file(REMOVE ${HEADER}.new)
