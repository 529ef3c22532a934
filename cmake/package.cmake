# The package for Windows users: the program and its guide in one zip, named by the
# program's version (the tests check that it is the version resource's).
set(PACKAGE_NAME fuzzyreplace-${PROJECT_VERSION}-win32)
set(PACKAGE_ZIP ${CMAKE_BINARY_DIR}/dist/${PACKAGE_NAME}.zip)
set(PACKAGE_STAGE ${CMAKE_BINARY_DIR}/dist/${PACKAGE_NAME})
add_custom_command(OUTPUT ${PACKAGE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PACKAGE_STAGE} ${PACKAGE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_STAGE}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:fuzzyreplace>
          ${PROJECT_SOURCE_DIR}/resources/readme.txt ${PACKAGE_STAGE}
  COMMAND ${CMAKE_COMMAND} -E chdir ${PACKAGE_STAGE}
          ${CMAKE_COMMAND} -E tar cf ${PACKAGE_ZIP} --format=zip fuzzyreplace.exe readme.txt
  DEPENDS fuzzyreplace ${PROJECT_SOURCE_DIR}/resources/readme.txt
  COMMENT "Packing ${PACKAGE_NAME}.zip")
add_custom_target(package_zip ALL DEPENDS ${PACKAGE_ZIP})
