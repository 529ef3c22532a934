# Settings shared by every target of the tree.

# Sources are UTF-8; narrow literals become Windows-1251 bytes, the code page the program
# shows its Russian texts in through the ANSI interface. clang has no -fexec-charset for
# other code pages, so it only builds the engine and the folder search (fuzzing), which
# show the user no such texts (the header of the undo's list comes out in UTF-8 there).
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-finput-charset=UTF-8>
                      $<$<COMPILE_LANGUAGE:CXX>:-fexec-charset=CP1251>)
endif()

if(FR_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(FR_THREADS)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Our own code builds without warnings; third-party code (googletest) keeps its own flags.
function(fr_strict target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

# One gtest executable, registered with CTest test by test. When cross-compiling the
# tests run through CMAKE_CROSSCOMPILING_EMULATOR (Wine).
function(fr_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  fr_strict(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
                       WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
endfunction()
