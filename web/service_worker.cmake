# Writes the page's service worker from its template, at build time, without
# its comments (strip_comments.cmake):
#
#   cmake -DTEMPLATE=pelvaro-sw.js.in -DOUTPUT=pelvaro-sw.js -DVERSION=1.0.0.1
#         -DPAGE_DIR=page "-DFILES=index.html;..." -P service_worker.cmake
#
# FILES are the files the worker keeps from the start, in PAGE_DIR. Its cache
# is named after the version and a hash of those files' contents.
foreach(variable IN ITEMS TEMPLATE OUTPUT VERSION PAGE_DIR FILES)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "service_worker.cmake: ${variable} is not given")
  endif()
endforeach()

set(hashes "")
set(quoted "")
foreach(file IN LISTS FILES)
  file(SHA256 "${PAGE_DIR}/${file}" hash)
  string(APPEND hashes "${file} ${hash}\n")
  list(APPEND quoted "\"${file}\"")
endforeach()
string(SHA256 contents "${hashes}")
string(SUBSTRING "${contents}" 0 12 contents)
set(PELVARO_CACHE_NAME "pelvaro-${VERSION}-${contents}")
list(JOIN quoted ", " PELVARO_OFFLINE_FILES)
include(${CMAKE_CURRENT_LIST_DIR}/strip_comments.cmake)
file(READ "${TEMPLATE}" text)
string(CONFIGURE "${text}" text @ONLY)
pelvaro_strip_comments(text "${OUTPUT}")
file(WRITE "${OUTPUT}" "${text}")
