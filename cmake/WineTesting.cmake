# Windows programs of a cross build run here through Wine, in a prefix of
# their own inside the build folder, made and fitted out by the wine-run
# script that every Windows program of the build is run through: its tests,
# and the window that tools/run.sh shows.
#
# The loader is named by the build's bitness, never Debian's `wine` script:
# once 32-bit Wine is installed that script hands every program to the 32-bit
# loader, which a kernel without 32-bit support cannot start at all, and
# without it, it hands 32-bit programs to the 64-bit one. It is looked for
# afresh at each configuring, so that one installed since is found.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  find_program(PELVARO_WINE_LOADER NAMES wine64 PATHS /usr/lib/wine NO_CACHE NO_CMAKE_FIND_ROOT_PATH)
  set(wine_package wine64)
else()
  find_program(PELVARO_WINE_LOADER NAMES wine PATHS /usr/lib/wine NO_DEFAULT_PATH NO_CACHE NO_CMAKE_FIND_ROOT_PATH)
  set(wine_package wine32:i386)
endif()
find_path(PELVARO_WINE_FONTS sserife.fon PATHS /usr/share/wine/fonts NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(PELVARO_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(PELVARO_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
if(NOT BUILD_TESTING)
  return()
endif()

# Where this machine cannot run the build's programs, the tests are one test
# that says why and is skipped, and no test program is built. The installer
# notes why it left a package out.
math(EXPR bits "${CMAKE_SIZEOF_VOID_P} * 8")
if(PELVARO_WINE_LOADER)
  # Started by bash, which gives the kernel's answer where the kernel will not
  # run the loader ("cannot execute binary file: Exec format error"). CMake
  # would hand such a file to /bin/sh as a script, and pass on sh's syntax
  # error instead.
  execute_process(COMMAND bash -c [["$0" --version]] ${PELVARO_WINE_LOADER} RESULT_VARIABLE status OUTPUT_QUIET
                  ERROR_VARIABLE why)
  string(REPLACE "${PELVARO_WINE_LOADER}: line 1: ${PELVARO_WINE_LOADER}: " "" why "${why}")
  string(STRIP "${why}" why)
  set(why "this machine cannot run ${bits}-bit programs: ${PELVARO_WINE_LOADER}: ${why}")
else()
  set(status "not found")
  set(why "${wine_package} is not installed")
  if(EXISTS ${PROJECT_SOURCE_DIR}/build/not-installed/${wine_package})
    file(READ ${PROJECT_SOURCE_DIR}/build/not-installed/${wine_package} why)
    string(STRIP "${why}" why)
  endif()
  set(why "${bits}-bit Wine could not be installed: ${why}")
endif()
if(NOT status EQUAL 0)
  add_test(NAME ${PELVARO_SUITE} COMMAND ${CMAKE_COMMAND} -E echo "skipped: ${why}")  # the suite as one test
  set_tests_properties(${PELVARO_SUITE} PROPERTIES LABELS ${PELVARO_SUITE} SKIP_REGULAR_EXPRESSION "skipped: ")
  set(BUILD_TESTING OFF)
  return()
endif()

# The tests share a Wine session, set up before the first and ended after the
# last: a virtual display of the build's own, and one Wine server kept up in
# the build's prefix, so that a test starts in a fraction of a second instead
# of booting Wine's services each time.
pelvaro_display_number(display 1)
set(session bash ${CMAKE_CURRENT_LIST_DIR}/wine-session.sh ${PELVARO_WINE_RUN} ${PELVARO_WINEPREFIX} ${display}
            $<TARGET_FILE:session_driver> $<TARGET_FILE:bare_window>)
pelvaro_test(session-start COMMAND ${session} start
             PROPERTIES FIXTURES_SETUP ${PELVARO_SUITE}.session TIMEOUT 300)
pelvaro_test(session-end COMMAND ${session} end PROPERTIES FIXTURES_CLEANUP ${PELVARO_SUITE}.session)
list(APPEND PELVARO_TEST_PROPERTIES FIXTURES_REQUIRED ${PELVARO_SUITE}.session
     ENVIRONMENT_MODIFICATION DISPLAY=set::${display})
# What takes turns on that display: the window tests.
set(PELVARO_DISPLAY_LOCK ${PELVARO_SUITE}.display)

# Test programs run through wine-run, and once more when Wine fails to start
# one (retry_start_failure.py says when).
set(CMAKE_CROSSCOMPILING_EMULATOR ${Python3_EXECUTABLE} ${CMAKE_CURRENT_LIST_DIR}/retry_start_failure.py
    ${PELVARO_WINE_RUN})
