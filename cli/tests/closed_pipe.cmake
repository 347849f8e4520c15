# Runs a program with its output read by `head -n 1`, on an input long enough
# that it is still writing when head has gone, and passes when it ends quietly
# with status 0 after the first id number.
#
#   cmake -DPROGRAM=path [-DEMULATOR=path] -DINPUT=file -P closed_pipe.cmake
string(REPEAT "abc\n" 300000 lines)  # some 2 MB of output
file(WRITE ${INPUT} "${lines}")
execute_process(COMMAND ${EMULATOR} ${PROGRAM} INPUT_FILE ${INPUT}
                COMMAND head -n 1
                RESULTS_VARIABLE statuses OUTPUT_VARIABLE output ERROR_VARIABLE error)
set(seen "exit statuses ${statuses}\nstandard output:\n${output}\nstandard error:\n${error}")
if(NOT statuses STREQUAL "0;0" OR NOT output MATCHES "^999494\r?\n$" OR NOT error STREQUAL "")
  message(FATAL_ERROR "expected statuses 0;0, one id number and no error; ${seen}")
endif()
