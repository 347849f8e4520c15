# Writes the page's service worker from its template, at build time, without
# its comments (strip_comments.cmake):
#
#   cmake -DTEMPLATE=pelvaro-sw.js.in -DOUTPUT=pelvaro-sw.js -DVERSION=1.0.0.1 -DPAGE_DIR=page
#         "-DINSTALL=index.html;..." "-DTABLES=pelvaro-cp932.js;..." "-DOTHERS=pelvaro-192.png;..."
#         -P service_worker.cmake
#
# The files are in PAGE_DIR: INSTALL those the worker keeps when it installs,
# TABLES the code pages' tables it keeps once the page loads them or names
# them, OTHERS those it keeps once asked for. The worker gets their list, by
# kind, each file with its size and hash, and keeps a file only when it has
# both. The hash is the first 12 bytes of the file's SHA-256: it tells a
# damaged or mixed-up file, and the list comes from the same server as the
# files, so a longer one would guard against nothing more. The release, and
# so the cache, is named after the version and a hash of that list, so that
# a change to any of the files is a new release.
foreach(variable IN ITEMS TEMPLATE OUTPUT VERSION PAGE_DIR INSTALL)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "service_worker.cmake: ${variable} is not given")
  endif()
endforeach()

# Hex digits in base64, as a browser writes bytes with btoa: a shorter list.
function(base64_of_hex hex variable)
  set(alphabet "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/")
  string(LENGTH "${hex}" digits)
  math(EXPR padding "(3 - ${digits} / 2 % 3) % 3")
  string(REPEAT "00" ${padding} zeros)
  string(APPEND hex "${zeros}")
  math(EXPR last "${digits} + 2 * ${padding} - 6")
  set(out "")
  foreach(at RANGE 0 ${last} 6)
    string(SUBSTRING "${hex}" ${at} 6 group)
    math(EXPR group "0x${group}")
    foreach(shift IN ITEMS 18 12 6 0)
      math(EXPR index "(${group} >> ${shift}) & 63")
      string(SUBSTRING "${alphabet}" ${index} 1 character)
      string(APPEND out "${character}")
    endforeach()
  endforeach()
  string(LENGTH "${out}" length)
  math(EXPR length "${length} - ${padding}")
  string(SUBSTRING "${out}" 0 ${length} out)
  string(REPEAT "=" ${padding} equals)
  set(${variable} "${out}${equals}" PARENT_SCOPE)
endfunction()

set(kinds "")
foreach(kind IN ITEMS INSTALL TABLES OTHERS)
  set(entries "")
  foreach(file IN LISTS ${kind})
    file(SIZE "${PAGE_DIR}/${file}" size)
    file(SHA256 "${PAGE_DIR}/${file}" hash)
    string(SUBSTRING "${hash}" 0 24 hash)
    base64_of_hex(${hash} hash)
    list(APPEND entries "\"${file}\":[${size},\"${hash}\"]")
  endforeach()
  string(TOLOWER "${kind}" name)
  list(JOIN entries "," entries)
  list(APPEND kinds "\"${name}\":{${entries}}")
endforeach()
list(JOIN kinds "," PELVARO_PAGE_FILES)
set(PELVARO_PAGE_FILES "{${PELVARO_PAGE_FILES}}")
string(SHA256 contents "${PELVARO_PAGE_FILES}")
string(SUBSTRING "${contents}" 0 12 contents)
set(PELVARO_RELEASE "pelvaro-${VERSION}-${contents}")
include(${CMAKE_CURRENT_LIST_DIR}/strip_comments.cmake)
file(READ "${TEMPLATE}" text)
string(CONFIGURE "${text}" text @ONLY)
pelvaro_strip_comments(text "${OUTPUT}")
file(WRITE "${OUTPUT}" "${text}")
