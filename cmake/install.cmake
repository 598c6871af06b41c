# Install rules: the two shared libraries, the public headers and the service
# headers they include, the tool, a CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

set(ORBI_NAME_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/orbi_name
  CACHE STRING "Where the CMake package files of orbi_name are installed")
set(ORBI_NAME_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  CACHE STRING "Where orbi_name.pc is installed")

install(TARGETS orbi_name orbi_services
  EXPORT orbi_name-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/orbi_name/include/orbi_name
    ${PROJECT_SOURCE_DIR}/services/include/orbi_services
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development
  FILES_MATCHING PATTERN "*.h")

if(TARGET orbi-name)
  install(TARGETS orbi-name
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime)
endif()

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orbi_name COMPONENT runtime)

# CMake package.
install(EXPORT orbi_name-targets
  NAMESPACE orbi_name::
  DESTINATION ${ORBI_NAME_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(
  ${CMAKE_CURRENT_LIST_DIR}/orbi_name-config.cmake.in
  ${PROJECT_BINARY_DIR}/orbi_name-config.cmake
  INSTALL_DESTINATION ${ORBI_NAME_CMAKE_DIR})
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/orbi_name-config-version.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/orbi_name-config.cmake
    ${PROJECT_BINARY_DIR}/orbi_name-config-version.cmake
  DESTINATION ${ORBI_NAME_CMAKE_DIR}
  COMPONENT development)

# pkg-config file. A relative install dir is written below ${prefix}; an
# absolute one is written as it is, since "${prefix}/" in front of it would
# name a directory that does not exist.
function(orbi_name_pc_dir out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
orbi_name_pc_dir(ORBI_NAME_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
orbi_name_pc_dir(ORBI_NAME_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")
# The prefix is filled in when the files are installed, so that
# `cmake --install --prefix DIR` writes DIR and not the configured prefix.
set(ORBI_NAME_PC_PREFIX "@ORBI_NAME_INSTALL_PREFIX@")
configure_file(${CMAKE_CURRENT_LIST_DIR}/orbi_name.pc.in
  ${PROJECT_BINARY_DIR}/orbi_name.pc.stage @ONLY)
install(CODE "
  set(ORBI_NAME_INSTALL_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  configure_file(\"${PROJECT_BINARY_DIR}/orbi_name.pc.stage\"
    \"${PROJECT_BINARY_DIR}/orbi_name.pc\" @ONLY)
  " COMPONENT development)
install(FILES ${PROJECT_BINARY_DIR}/orbi_name.pc
  DESTINATION ${ORBI_NAME_PKGCONFIG_DIR}
  COMPONENT development)
