# The package for Windows users: the program and its guide in one zip, named by the
# program's version (the tests check that it is the version resource's). Its files lie in
# a folder of their own, so that unpacking it "here" gives one folder.
set(PACKAGE_NAME fuzzyreplace-${PROJECT_VERSION}-win32)
set(PACKAGE_ZIP ${CMAKE_BINARY_DIR}/dist/${PACKAGE_NAME}.zip)
set(PACKAGE_STAGE ${CMAKE_BINARY_DIR}/dist/${PACKAGE_NAME})
set(PACKAGE_FOLDER fuzzyreplace)
add_custom_command(OUTPUT ${PACKAGE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${PACKAGE_STAGE} ${PACKAGE_ZIP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PACKAGE_STAGE}/${PACKAGE_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:fuzzyreplace>
          ${PROJECT_SOURCE_DIR}/resources/readme.txt ${PACKAGE_STAGE}/${PACKAGE_FOLDER}
  COMMAND ${CMAKE_COMMAND} -E chdir ${PACKAGE_STAGE}
          ${CMAKE_COMMAND} -E tar cf ${PACKAGE_ZIP} --format=zip ${PACKAGE_FOLDER}
  DEPENDS fuzzyreplace ${PROJECT_SOURCE_DIR}/resources/readme.txt
  COMMENT "Packing ${PACKAGE_NAME}.zip")
add_custom_target(package_zip ALL DEPENDS ${PACKAGE_ZIP})
