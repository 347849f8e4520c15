# The tests of a build are its suite: each is named SUITE/NAME, SUITE being
# the build's own name (the folder's, as the preset names it: linux, win64,
# ...), so that one CTest run holds every build's tests apart, and carries
# the label SUITE, which the test command's summary counts by. A Wine build
# adds its Wine session and virtual display (WineTesting.cmake).
# PELVARO_TEST_PROPERTIES holds what every test of the build carries, as
# property-value pairs.
get_filename_component(PELVARO_SUITE ${CMAKE_BINARY_DIR} NAME)
set(PELVARO_TEST_PROPERTIES LABELS ${PELVARO_SUITE})

# pelvaro_test(NAME COMMAND COMMAND_ARGUMENT... [PROPERTIES NAME VALUE...]): a
# test of the suite, with the build's properties and these.
function(pelvaro_test name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "COMMAND;PROPERTIES")
  add_test(NAME ${PELVARO_SUITE}/${name} COMMAND ${arg_COMMAND})
  set_tests_properties(${PELVARO_SUITE}/${name} PROPERTIES ${PELVARO_TEST_PROPERTIES} ${arg_PROPERTIES})
endfunction()

# pelvaro_gtest(TARGET [PROPERTIES NAME VALUE...]): each GoogleTest test of
# the program a test of the suite, found when CTest starts (through Wine for a
# Windows build), with the build's properties and these.
function(pelvaro_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" PROPERTIES)
  gtest_discover_tests(${target} TEST_PREFIX ${PELVARO_SUITE}/ DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ${PELVARO_TEST_PROPERTIES} ${arg_PROPERTIES})
endfunction()
