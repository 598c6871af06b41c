# What a configure looks up (tests/dependencies/check_dependencies.cmake): the
# tool preset, README command 1, must configure with every test package
# hidden; the default preset must stop and name the Debian package of each
# one that is missing.
add_test(NAME configure_dependencies
  COMMAND ${CMAKE_COMMAND}
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/configure_dependencies
    -DC_COMPILER=${CMAKE_C_COMPILER}
    -DCXX_COMPILER=${CMAKE_CXX_COMPILER}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/dependencies/check_dependencies.cmake)
set_tests_properties(configure_dependencies PROPERTIES TIMEOUT 300)
