# Shows the manual page with man(1) and passes when it renders without a
# warning from groff.
#
#   cmake -DMAN=path -DPAGE=pelvaro-id.1 -P man_warnings.cmake
set(ENV{MANWIDTH} 80)
execute_process(COMMAND ${MAN} --warnings -l ${PAGE}
                RESULT_VARIABLE status OUTPUT_VARIABLE shown ERROR_VARIABLE warnings)
if(NOT status EQUAL 0 OR NOT warnings STREQUAL "" OR NOT shown MATCHES "EXIT STATUS")
  message(FATAL_ERROR "man --warnings -l ${PAGE}: status ${status}\n${warnings}\n${shown}")
endif()
