# Writes a resource script fragment holding the images of an .ico file as
# icon resources (type 3, RT_ICON) with consecutive ids, and the icon group
# (type 14, RT_GROUP_ICON) that lists them, in the file's order.
#
#   cmake -DICON=in.ico -DOUTPUT=out.rc -DFIRST_ID=30001 -DGROUP_ID=1 -P icon_to_rc.cmake
#
# The resource compiler's ICON statement would number the images itself, so
# the images are written as raw data, 16-bit little-endian words.
foreach(var ICON OUTPUT FIRST_ID GROUP_ID)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "icon_to_rc.cmake: ${var} is not set")
  endif()
endforeach()

file(READ "${ICON}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR file_size "${hex_length} / 2")

# The unsigned little-endian number of `count` bytes at byte `offset`.
function(read_le out offset count)
  set(digits "")
  set(i 0)
  while(i LESS count)
    math(EXPR at "(${offset} + ${i}) * 2")
    string(SUBSTRING "${hex}" ${at} 2 byte)
    string(PREPEND digits "${byte}")
    math(EXPR i "${i} + 1")
  endwhile()
  math(EXPR value "0x${digits}")
  set(${out} ${value} PARENT_SCOPE)
endfunction()

# The bytes from `offset` on, `count` of them, as a list of words for a
# resource script, eight to a line.
function(words out offset count)
  math(EXPR at "${offset} * 2")
  math(EXPR length "${count} * 2")
  string(SUBSTRING "${hex}" ${at} ${length} bytes)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])([0-9a-f][0-9a-f])" "0x\\2\\1, " text "${bytes}")
  string(REPEAT "0x[0-9a-f]+, " 8 line)
  string(REGEX REPLACE "(${line})" "\\1\n    " text "${text}")
  string(REPLACE " \n" "\n" text "${text}")
  string(REGEX REPLACE ",[ \n]*$" "" text "${text}")
  set(${out} "    ${text}" PARENT_SCOPE)
endfunction()

if(file_size LESS 6)
  message(FATAL_ERROR "${ICON}: too short for an icon file")
endif()
read_le(reserved 0 2)
read_le(type 2 2)
read_le(count 4 2)
if(NOT reserved EQUAL 0 OR NOT type EQUAL 1 OR count EQUAL 0)
  message(FATAL_ERROR "${ICON}: not an icon file")
endif()
math(EXPR directory_end "6 + 16 * ${count}")
if(file_size LESS directory_end)
  message(FATAL_ERROR "${ICON}: directory runs past the end of the file")
endif()

set(rc "/* Made from ${ICON} by icon_to_rc.cmake; do not edit. */\n\n")
# The group: the icon directory's header, then one 14-byte entry per image
# (the file's 16-byte entry with the image's resource id in place of its
# file offset).
set(group "0x0000, 0x0001, ${count}")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  math(EXPR entry "6 + 16 * ${i}")
  math(EXPR id "${FIRST_ID} + ${i}")
  read_le(image_size "${entry} + 8" 4)
  read_le(image_offset "${entry} + 12" 4)
  math(EXPR image_end "${image_offset} + ${image_size}")
  math(EXPR odd "${image_size} % 2")
  if(image_end GREATER file_size)
    message(FATAL_ERROR "${ICON}: image ${i} runs past the end of the file")
  endif()
  if(odd)
    message(FATAL_ERROR "${ICON}: image ${i} has an odd number of bytes, which words cannot hold")
  endif()
  words(entry_words ${entry} 12)
  string(STRIP "${entry_words}" entry_words)
  string(APPEND group ",\n    ${entry_words}, ${id}")
  words(image_words ${image_offset} ${image_size})
  string(APPEND rc "${id} 3\nBEGIN\n${image_words}\nEND\n\n")
endforeach()
string(APPEND rc "${GROUP_ID} 14\nBEGIN\n    ${group}\nEND\n")

file(WRITE "${OUTPUT}" "${rc}")
