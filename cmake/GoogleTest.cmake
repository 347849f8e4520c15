# GoogleTest: the system's package on a native build; for a Windows cross
# build, built from Debian's sources with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The win32 thread model of the 32-bit release compiler has no std::mutex,
  # which GoogleTest's Notification is made of: it gets one on a Win32 event.
  include(CheckCXXSourceCompiles)
  check_cxx_source_compiles("#include <mutex>\nstd::mutex m;\nint main() { return 0; }" PELVARO_HAS_STD_MUTEX)
  if(NOT PELVARO_HAS_STD_MUTEX)
    target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
    target_compile_options(gtest PUBLIC -include ${CMAKE_CURRENT_LIST_DIR}/gtest_notification.h)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
