# The installed package (tests/consumer/run_consumer.cmake): a consumer
# project built against it through find_package and through pkg-config, in
# the prefix it was installed to and again after the tree has been moved; and
# the pkg-config file of builds with an absolute libdir or includedir.
if(ORBI_NAME_INSTALL)
  orbi_name_require_package(PkgConfig FOR "the install tests"
    DEBIAN pkg-config)
  set(_orbi_consumer_args
    -DBUILD_DIR=${PROJECT_BINARY_DIR}
    -DGENERATOR=${CMAKE_GENERATOR}
    -DCXX=${CMAKE_CXX_COMPILER}
    -DCXX_FLAGS=${CMAKE_CXX_FLAGS}
    -DLINKER_FLAGS=${CMAKE_EXE_LINKER_FLAGS}
    -DPKG_CONFIG=${PKG_CONFIG_EXECUTABLE})
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
  add_test(NAME install_pkgconfig_absolute_dirs
    COMMAND ${CMAKE_COMMAND} -DMODE=install_dirs ${_orbi_consumer_args}
      -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
      -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/install_absolute_dirs
      -P ${CMAKE_CURRENT_SOURCE_DIR}/consumer/run_consumer.cmake)
  set_tests_properties(install_pkgconfig_absolute_dirs PROPERTIES TIMEOUT 600)
endif()
