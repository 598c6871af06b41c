# Install rules: the two shared libraries, the public headers (with the list
# of statuses, status.def) and the service headers they include, the tool, a
# CMake package and a pkg-config file.
include(CMakePackageConfigHelpers)

# Where the package files go. Empty, the default, means below the libdir as
# it is now, so that a later change of CMAKE_INSTALL_LIBDIR in the same build
# tree moves them along instead of leaving them where the first configure put
# them.
set(ORBI_NAME_CMAKE_DIR "" CACHE STRING
  "Where the CMake package files of orbi_name are installed (empty: <libdir>/cmake/orbi_name)")
set(ORBI_NAME_PKGCONFIG_DIR "" CACHE STRING
  "Where orbi_name.pc is installed (empty: <libdir>/pkgconfig)")
if(NOT ORBI_NAME_CMAKE_DIR)
  set(ORBI_NAME_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/orbi_name)
endif()
if(NOT ORBI_NAME_PKGCONFIG_DIR)
  set(ORBI_NAME_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

install(TARGETS orbi_name orbi_services
  EXPORT orbi_name-targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    COMPONENT runtime NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# In a stripped install, the libraries without their .comment section.
orbi_name_install_script(${CMAKE_CURRENT_LIST_DIR}/install/libraries.cmake
  COMPONENT runtime VALUES
  ORBI_OBJCOPY "${CMAKE_OBJCOPY}"
  ORBI_LIBDIR "${CMAKE_INSTALL_LIBDIR}"
  ORBI_NAME_LIBRARY "$<TARGET_FILE_NAME:orbi_name>"
  ORBI_SERVICES_LIBRARY "$<TARGET_FILE_NAME:orbi_services>")

install(DIRECTORY
    ${PROJECT_SOURCE_DIR}/orbi_name/include/orbi_name
    ${PROJECT_SOURCE_DIR}/services/include/orbi_services
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development
  FILES_MATCHING PATTERN "*.h" PATTERN "*.def")

# The tool and its man page: component `tool`, a package of its own.
if(TARGET orbi-name)
  install(TARGETS orbi-name
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  # The man page, which names the OID and the version, and in a stripped
  # install the tool without its .comment section.
  orbi_name_install_script(${CMAKE_CURRENT_LIST_DIR}/install/tool.cmake
    COMPONENT tool VALUES
    ORBI_MECH_OID "${ORBI_MECH_OID}"
    ORBI_NAME_VERSION "${PROJECT_VERSION}"
    ORBI_OBJCOPY "${CMAKE_OBJCOPY}"
    ORBI_BINDIR "${CMAKE_INSTALL_BINDIR}"
    ORBI_MANDIR "${CMAKE_INSTALL_MANDIR}"
    ORBI_TOOL_NAME "$<TARGET_FILE_NAME:orbi-name>"
    ORBI_TOOL_PAGE "${PROJECT_SOURCE_DIR}/tools/orbi-name.1"
    ORBI_TOOL_STAGING "${PROJECT_BINARY_DIR}/tools/installed")
endif()

# The licence of a plain install. The packages carry it in each package's
# copyright file instead (cmake/packages.cmake), so it is a component of its
# own that no package takes.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orbi_name COMPONENT license)

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

# pkg-config file. Its prefix is found from where the file itself lies
# (pkg-config's ${pcfiledir}: lib/pkgconfig/ gives ${pcfiledir}/../..), so an
# installed tree still works when it is moved, unpacked below a DESTDIR or
# installed with `cmake --install --prefix DIR`. A relative install dir is
# written below ${prefix}. An absolute one names a fixed place that does not
# move with the tree and is written as it is ("${prefix}/" in front of it would
# name a directory that does not exist). When the file's own dir is absolute,
# its place says nothing about the prefix, and the prefix is written as it is
# at install time.
function(orbi_name_pc_dir out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  else()
    set(${out} "\${prefix}/${dir}" PARENT_SCOPE)
  endif()
endfunction()
orbi_name_pc_dir(ORBI_NAME_PC_LIBDIR "${CMAKE_INSTALL_LIBDIR}")
orbi_name_pc_dir(ORBI_NAME_PC_INCLUDEDIR "${CMAKE_INSTALL_INCLUDEDIR}")

cmake_path(SET _orbi_pc_dir NORMALIZE "${ORBI_NAME_PKGCONFIG_DIR}")
string(REGEX REPLACE "/+$" "" _orbi_pc_dir "${_orbi_pc_dir}")
if(IS_ABSOLUTE "${_orbi_pc_dir}" OR _orbi_pc_dir MATCHES "^\\.\\.(/|$)")
  # Filled in when the files are installed, so that `cmake --install --prefix
  # DIR` writes DIR and not the configured prefix.
  set(ORBI_NAME_PC_PREFIX "@ORBI_NAME_INSTALL_PREFIX@")
else()
  # One ".." for each component of the dir below the prefix.
  file(RELATIVE_PATH _orbi_pc_up "/${_orbi_pc_dir}" "/")
  string(REGEX REPLACE "/$" "" _orbi_pc_up "${_orbi_pc_up}")
  if(_orbi_pc_up STREQUAL "")
    set(ORBI_NAME_PC_PREFIX "\${pcfiledir}")
  else()
    set(ORBI_NAME_PC_PREFIX "\${pcfiledir}/${_orbi_pc_up}")
  endif()
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/orbi_name.pc.in
  ${PROJECT_BINARY_DIR}/orbi_name.pc.stage @ONLY)
orbi_name_install_script(${CMAKE_CURRENT_LIST_DIR}/install/pkgconfig.cmake
  COMPONENT development VALUES
  ORBI_PC_STAGE "${PROJECT_BINARY_DIR}/orbi_name.pc.stage"
  ORBI_PC_FILE "${PROJECT_BINARY_DIR}/orbi_name.pc")
install(FILES ${PROJECT_BINARY_DIR}/orbi_name.pc
  DESTINATION ${ORBI_NAME_PKGCONFIG_DIR}
  COMPONENT development)

# Debian packages of the components above (cpack, `package` preset).
include(${CMAKE_CURRENT_LIST_DIR}/packages.cmake)
