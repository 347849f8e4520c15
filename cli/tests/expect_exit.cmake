# Runs a program and passes when it ends with the exit status wanted and its
# output matches: the checks that PASS_REGULAR_EXPRESSION and WILL_FAIL cannot
# make, for they look at the output only, or at any failure alike.
#
#   cmake -DPROGRAM=path [-DEMULATOR=path] [-DARGUMENTS=a;b] [-DINPUT=file]
#         [-DINPUT_PRINTF=format] -DSTATUS=n [-DOUTPUT=regex] [-DERROR=regex]
#         -P expect_exit.cmake
#
# INPUT_PRINTF makes the INPUT file first, with printf(1), so that it may hold
# any bytes, NUL among them: printf '\xff\xfea\x00'.
if(DEFINED INPUT_PRINTF)
  execute_process(COMMAND printf "${INPUT_PRINTF}" OUTPUT_FILE ${INPUT} RESULT_VARIABLE made)
  if(NOT made EQUAL 0)
    message(FATAL_ERROR "printf could not make ${INPUT}: ${made}")
  endif()
endif()
if(NOT DEFINED INPUT AND CMAKE_HOST_WIN32)
  set(INPUT NUL)
elseif(NOT DEFINED INPUT)
  set(INPUT /dev/null)
endif()
execute_process(COMMAND ${EMULATOR} ${PROGRAM} ${ARGUMENTS} INPUT_FILE ${INPUT}
                RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE error)
set(seen "exit status ${status}\nstandard output:\n${output}\nstandard error:\n${error}")
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "expected exit status ${STATUS}; ${seen}")
endif()
if(DEFINED OUTPUT AND NOT output MATCHES "${OUTPUT}")
  message(FATAL_ERROR "standard output does not match '${OUTPUT}'; ${seen}")
endif()
if(DEFINED ERROR AND NOT error MATCHES "${ERROR}")
  message(FATAL_ERROR "standard error does not match '${ERROR}'; ${seen}")
endif()
