# What every test of a build carries. Its label is the build's own name (the
# folder's, as the preset names it: linux, win64, ...), which the test
# command's summary counts by; a Wine build adds its Wine session and virtual
# display (WineTesting.cmake). PELVARO_TEST_PROPERTIES holds them as
# property-value pairs for set_tests_properties.
get_filename_component(PELVARO_SUITE ${CMAKE_BINARY_DIR} NAME)
set(PELVARO_TEST_PROPERTIES LABELS ${PELVARO_SUITE})

# pelvaro_tests(TEST... [PROPERTIES NAME VALUE...]): the build's properties,
# and these, on tests already added.
function(pelvaro_tests)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "" PROPERTIES)
  set_tests_properties(${arg_UNPARSED_ARGUMENTS} PROPERTIES ${PELVARO_TEST_PROPERTIES} ${arg_PROPERTIES})
endfunction()

# pelvaro_gtest(TARGET [PROPERTIES NAME VALUE...]): each GoogleTest test of
# the program a test of its own, found when CTest starts (through Wine for a
# Windows build), with the build's properties and these.
function(pelvaro_gtest target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" PROPERTIES)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
                       PROPERTIES ${PELVARO_TEST_PROPERTIES} ${arg_PROPERTIES})
endfunction()
