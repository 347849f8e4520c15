# GoogleTest: the system's package on a native build; for a Windows cross
# build, built from Debian's sources with the cross compiler.
if(CMAKE_CROSSCOMPILING)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # GoogleTest and every test program built on it are compiled for Windows
  # Vista (0x0600) instead of the release's oldest Windows: GoogleTest includes
  # <mutex> and <condition_variable>, which the win32 thread model of g++ 13
  # and later offers only from Vista on. The release executables and the
  # libraries they share with the tests keep the release's version.
  set(test_windows_version -U_WIN32_WINNT -D_WIN32_WINNT=0x0600 -UWINVER -DWINVER=0x0600)
  # They are compiled without optimization too, which halves the time they
  # take to build: their time under Wine goes to the system's code and to the
  # program's own libraries, which keep theirs.
  target_compile_options(gtest PUBLIC ${test_windows_version} -O0)
  target_sources(gtest_main INTERFACE ${CMAKE_CURRENT_LIST_DIR}/gtest_unbuffered_output.cpp)
  # Older win32 thread models (g++ 12) have no std::mutex, which GoogleTest's
  # Notification is made of: it gets one on a Win32 event.
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS "${test_windows_version}")
  list(JOIN CMAKE_REQUIRED_FLAGS " " CMAKE_REQUIRED_FLAGS)
  check_cxx_source_compiles("#include <mutex>\nstd::mutex m;\nint main() { return 0; }" PELVARO_HAS_STD_MUTEX)
  unset(CMAKE_REQUIRED_FLAGS)
  unset(test_windows_version)
  if(NOT PELVARO_HAS_STD_MUTEX)
    target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
    target_compile_options(gtest PUBLIC -include ${CMAKE_CURRENT_LIST_DIR}/gtest_notification.h)
  endif()
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)
