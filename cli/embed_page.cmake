# Writes the manual page into a C++ header as a string, so that pelvaro-id's
# help is made of the page's own words.
#
#   cmake -DPAGE=pelvaro-id.1 -DHEADER=manual_page_source.h -P embed_page.cmake
file(READ ${PAGE} page)
string(FIND "${page}" ")page\"" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${PAGE} holds the end of the raw string it is put in: )page\"")
endif()
file(WRITE ${HEADER}.new
  "// Made from ${PAGE} by embed_page.cmake when the program is built.\n"
  "#pragma once\n\n#include <string_view>\n\nnamespace pelvaro::cli {\n\n"
  "inline constexpr std::string_view kManualPage = R\"page(${page})page\";\n\n"
  "}  // namespace pelvaro::cli\n")
file(COPY_FILE ${HEADER}.new ${HEADER} ONLY_IF_DIFFERENT)
file(REMOVE ${HEADER}.new)
