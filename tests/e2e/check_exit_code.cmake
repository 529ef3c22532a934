# Runs a program (through the emulator when one is given) and fails unless it exits
# with the expected code.
# cmake -DEMULATOR=... -DPROGRAM=... -DEXPECTED=... -P check_exit_code.cmake
cmake_minimum_required(VERSION 3.25)
execute_process(COMMAND ${EMULATOR} ${PROGRAM} RESULT_VARIABLE code TIMEOUT 60)
if(NOT code STREQUAL EXPECTED)
  message(FATAL_ERROR "${PROGRAM} exited with ${code}, not ${EXPECTED}")
endif()
