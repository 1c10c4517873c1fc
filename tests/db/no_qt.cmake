# Fails when the binary named by BINARY loads a Qt library.
execute_process(COMMAND ldd ${BINARY} OUTPUT_VARIABLE libs RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "ldd ${BINARY} failed")
endif()
if(libs MATCHES "libQt")
  message(FATAL_ERROR "${BINARY} loads Qt:\n${libs}")
endif()
message(STATUS "${BINARY} loads no Qt library")
