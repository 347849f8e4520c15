# The suites preset: every build's tests in one CTest run, so that one
# scheduler fills the cores with them. Building it configures and builds each
# build in PELVARO_SUITE_BUILDS with its own preset; its tests are then
# every test of those builds, each labelled with its build's name, and the
# release's own checks (label release).
set(PELVARO_SUITE_BUILDS "" CACHE STRING "The builds (presets) whose tests the suites run")
set(root ${PROJECT_SOURCE_DIR})
set(stand_in_tables ${root}/build/linux/engine/tests/stand-in-tables.bin)

# What a build needs of the others when its tests run: the Windows builds
# compare Windows' tables with the stand-in's, which the Linux build writes,
# and the 64-bit build's tests read the 32-bit executables too. (The page's
# tests find the Linux build's pelvaro-id themselves.)
set(options_win32 -DPELVARO_STAND_IN_TABLES=${stand_in_tables})
set(options_win64 -DPELVARO_STAND_IN_TABLES=${stand_in_tables} -DPELVARO_WIN32_BUILD_DIR=${root}/build/win32)

# Each build a target of its own, which notes in built/ that it was made; the
# test command's summary names each build that was not. Two are made at a
# time: while one waits on a link or on its longest file, the other keeps the
# cores busy. (Each prints its output when it is done.)
set_property(GLOBAL APPEND PROPERTY JOB_POOLS builds=2)
set(listed "")
foreach(build IN LISTS PELVARO_SUITE_BUILDS)
  set(stamp ${CMAKE_BINARY_DIR}/built/${build})
  add_custom_target(build-${build} ALL
    COMMAND ${CMAKE_COMMAND} -E rm -f ${stamp}
    COMMAND ${CMAKE_COMMAND} --preset ${build} ${options_${build}} --log-level=WARNING
    COMMAND ${CMAKE_COMMAND} --build --preset ${build}
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    WORKING_DIRECTORY ${root}
    COMMENT "The ${build} build"
    JOB_POOL builds VERBATIM)
  string(APPEND listed "subdirs(\"${root}/build/${build}\")\n")
endforeach()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/built)
file(WRITE ${CMAKE_BINARY_DIR}/builds.txt "${PELVARO_SUITE_BUILDS}")
file(WRITE ${CMAKE_BINARY_DIR}/suites.cmake "${listed}")
enable_testing()
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_BINARY_DIR}/suites.cmake)

# The test command's own tools: the rule by which a Windows test program is
# run a second time; the installer, against a stand-in apt that fails as
# Debian's mirrors do; and the command itself, which nothing it starts may
# outlive, interrupted or failed.
foreach(test IN ITEMS cmake/tests/retry_start_failure_test.py tools/tests/install_deps_test.py
                      tools/tests/test_command_test.py)
  get_filename_component(name ${test} NAME_WE)
  add_test(NAME tools.${name} COMMAND ${Python3_EXECUTABLE} ${root}/${test})
  set_tests_properties(tools.${name} PROPERTIES LABELS tools)
endforeach()

# The release: the 32-bit executables built a second time from scratch give
# the same bytes; the archives are packed, and the Debian package tried.
add_test(NAME release.reproducible COMMAND bash ${root}/tools/check_reproducible.sh WORKING_DIRECTORY ${root})
add_test(NAME release.pack COMMAND bash ${root}/tools/release.sh --packed-from-builds WORKING_DIRECTORY ${root})
add_test(NAME release.package COMMAND bash -c "tools/check_package.sh build/release/pelvaro-id_*.deb"
         WORKING_DIRECTORY ${root})
set_tests_properties(release.reproducible release.pack release.package PROPERTIES LABELS release)
set_tests_properties(release.reproducible PROPERTIES COST 300 TIMEOUT 900)
set_tests_properties(release.pack PROPERTIES FIXTURES_SETUP release)
set_tests_properties(release.package PROPERTIES FIXTURES_REQUIRED release)
