# The installed package: a consumer project built against it through
# find_package and through pkg-config, and the pkg-config file of a build
# with an absolute libdir (tests/consumer/run_consumer.cmake).
if(ORBI_NAME_INSTALL)
  find_program(ORBI_PKG_CONFIG NAMES pkg-config pkgconf REQUIRED)
  set(_orbi_consumer_args
    -DBUILD_DIR=${PROJECT_BINARY_DIR}
    -DGENERATOR=${CMAKE_GENERATOR}
    -DCXX=${CMAKE_CXX_COMPILER}
    -DCXX_FLAGS=${CMAKE_CXX_FLAGS}
    -DLINKER_FLAGS=${CMAKE_EXE_LINKER_FLAGS}
    -DPKG_CONFIG=${ORBI_PKG_CONFIG})
  # A scratch prefix only works when every install dir lies below it.
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR
     IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}" OR
     IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    message(STATUS "install_consumer not registered: absolute install dirs")
  else()
    add_test(NAME install_consumer
      COMMAND ${CMAKE_COMMAND} -DMODE=consumer ${_orbi_consumer_args}
        -DSOURCE_DIR=${CMAKE_CURRENT_SOURCE_DIR}/consumer
        -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/install_consumer
        -P ${CMAKE_CURRENT_SOURCE_DIR}/consumer/run_consumer.cmake)
    set_tests_properties(install_consumer PROPERTIES TIMEOUT 600)
  endif()
  add_test(NAME install_pkgconfig_absolute_libdir
    COMMAND ${CMAKE_COMMAND} -DMODE=absolute_libdir ${_orbi_consumer_args}
      -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
      -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/install_absolute_libdir
      -P ${CMAKE_CURRENT_SOURCE_DIR}/consumer/run_consumer.cmake)
  set_tests_properties(install_pkgconfig_absolute_libdir PROPERTIES TIMEOUT 600)
endif()
