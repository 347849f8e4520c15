# Writes the carried tables (engine/tables/*.bin) into a C++ source as byte
# arrays, with the list kCarriedTables that carried_tables.h declares.
#
#   cmake -DTABLES=engine/tables -DCODE_PAGES="1252;932" -DSOURCE=carried_tables_data.cpp
#         -P embed_tables.cmake
set(names kLowerCase)
set(tags 0)
set(files ${TABLES}/lower-case.bin)
foreach(page IN LISTS CODE_PAGES)
  list(APPEND names kCodePage${page})
  list(APPEND tags ${page})
  list(APPEND files ${TABLES}/cp${page}.bin)
endforeach()

set(arrays "")
set(entries "")
foreach(name tag file IN ZIP_LISTS names tags files)
  if(NOT EXISTS ${file})
    message(FATAL_ERROR "no carried table ${file}")
  endif()
  file(READ ${file} hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  # Sixteen bytes a line.
  string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
  string(APPEND arrays "const unsigned char ${name}[] = {\n    ${bytes}\n};\n")
  string(APPEND entries "    {${tag}, ${name}, sizeof ${name}},\n")
endforeach()

list(LENGTH names count)
file(WRITE ${SOURCE}.new
  "// Made from engine/tables by embed_tables.cmake when the program is built.\n"
  "#include <cstddef>\n\n#include \"carried_tables.h\"\n\nnamespace pelvaro {\nnamespace {\n\n"
  "${arrays}\n}  // namespace\n\n"
  "const CarriedTable kCarriedTables[] = {\n${entries}};\n"
  "const std::size_t kCarriedTableCount = ${count};\n\n}  // namespace pelvaro\n")
file(COPY_FILE ${SOURCE}.new ${SOURCE} ONLY_IF_DIFFERENT)
file(REMOVE ${SOURCE}.new)
