# The tests of a build are its suite: each is named SUITE/NAME, SUITE being
# the build's own name (the folder's, as the preset names it: linux, win64,
# ...), so that one CTest run holds every build's tests apart, and carries
# the label SUITE, which the test command's summary counts by. A Wine build
# adds its Wine session and virtual display (WineTesting.cmake).
# PELVARO_TEST_PROPERTIES holds what every test of the build carries, as
# property-value pairs.
get_filename_component(PELVARO_SUITE ${CMAKE_BINARY_DIR} NAME)
set(PELVARO_TEST_PROPERTIES LABELS ${PELVARO_SUITE})

# pelvaro_display_number(VARIABLE WHICH): the number of a virtual display for
# the build's tests, the WHICH-th (1 to 3) of those its folder picks from
# 1001 to 8999, so that two clones' tests, run at once, ask for different
# displays.
function(pelvaro_display_number variable which)
  string(MD5 digest "${CMAKE_BINARY_DIR}")
  string(SUBSTRING "${digest}" 0 3 digits)
  math(EXPR number "1000 + 0x${digits} % 2000 * 4 + ${which}" OUTPUT_FORMAT DECIMAL)
  set(${variable} ${number} PARENT_SCOPE)
endfunction()

# pelvaro_test(NAME COMMAND COMMAND_ARGUMENT... [PROPERTIES NAME VALUE...]): a
# test of the suite, with the build's properties and these.
function(pelvaro_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "COMMAND;PROPERTIES")
  add_test(NAME ${PELVARO_SUITE}/${name} COMMAND ${arg_COMMAND})
  set_tests_properties(${PELVARO_SUITE}/${name} PROPERTIES ${PELVARO_TEST_PROPERTIES} ${arg_PROPERTIES})
endfunction()

# pelvaro_gtest(TARGET [PROPERTIES NAME VALUE...]): each GoogleTest test of
# the program a test of the suite, found when CTest starts (through Wine for a
# Windows build), with the build's properties and these. The program's files
# are compiled as one, so that GoogleTest's headers (and windows.h) are read
# once a program rather than once a file.
function(pelvaro_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" PROPERTIES)
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON)
  gtest_discover_tests(${target} TEST_PREFIX ${PELVARO_SUITE}/ DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ${PELVARO_TEST_PROPERTIES} ${arg_PROPERTIES})
endfunction()
