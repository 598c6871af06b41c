# Debian packages of the install, one per install component, laid out as a
# distribution ships a GSS-API mechanism (CPack's DEB generator):
#
#   liborbi-name1     runtime      liborbi_name.so.1 and liborbi_services.so.1,
#                                  their shlibs and symbols files, the ldconfig
#                                  trigger
#   liborbi-name-dev  development  the headers, the .so links, the CMake
#                                  package and orbi_name.pc
#   orbi-name         tool         the orbi-name command and orbi-name(1)
#   orbi-mech         mech         orbi_mech.so and orbi_mech_heimdal.so in
#                                  <libdir>/gss/, /etc/gss/mech.d/orbi.conf (a
#                                  conffile) and orbi_mech(8)
#
#   cpack --config build/default/CPackConfig.cmake -B DIR
#   cmake --workflow --preset package          (build/package/*.deb)
#
# The packages install below /usr; orbi.conf lies in /etc/gss/mech.d/, where
# MIT's glue reads it (mech/CMakeLists.txt). What a package needs of the
# system comes from dpkg-shlibdeps (dpkg-dev); what it needs of the other
# packages is set here: each depends on the libraries of the same version.
# Each package carries what Debian asks of a package (lintian holds them to
# it in CI, `.ci/run debian`): a DEP-5 copyright file and a
# changelog.Debian.gz in /usr/share/doc/<package>/, made from cmake/debian/.
set(CPACK_PACKAGE_NAME orbi_name)
set(CPACK_PACKAGE_VENDOR "The orbi_name authors")
# Each package's description below starts with a summary line of its own.
# CPack puts the project's summary in front of each unless the summary is
# CPack's default text, so it is that text.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${CMAKE_PROJECT_NAME} built using CMake")
if(NOT CPACK_PACKAGE_CONTACT)
  set(CPACK_PACKAGE_CONTACT "The orbi_name authors <orbi-name@example.org>")
endif()
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped, as distributions ship binaries: the debug sections name the build
# tree.
set(CPACK_STRIP_FILES ON)

if(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  set(CPACK_GENERATOR DEB)
else()
  set(CPACK_GENERATOR TGZ)
endif()
# `make package_source`: the sources without the build trees and Git's data.
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "/[.]git/" "^${PROJECT_SOURCE_DIR}/build/")

set(_orbi_components runtime development)
if(TARGET orbi-name)
  list(APPEND _orbi_components tool)
endif()
if(TARGET orbi_mech)
  list(APPEND _orbi_components mech)
endif()
set(CPACK_COMPONENTS_ALL ${_orbi_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The version, with its Debian revision, is the latest entry of
# cmake/debian/changelog.
include(${CMAKE_CURRENT_LIST_DIR}/debian/version.cmake)
orbi_name_debian_version(_orbi_deb_version CPACK_DEBIAN_PACKAGE_RELEASE)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)

# System libraries: dpkg-shlibdeps reads what each binary needs. It also
# meets liborbi_name.so.1 and liborbi_services.so.1, which the tool and the
# module need and which lie in another of these packages: it finds them in
# the build tree, and takes them for the private libraries they are here
# (the dependency on their package is set below).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "")
foreach(_orbi_library IN ITEMS orbi_name orbi_services)
  get_target_property(_orbi_dir ${_orbi_library} LIBRARY_OUTPUT_DIRECTORY)
  if(NOT _orbi_dir)
    get_target_property(_orbi_dir ${_orbi_library} BINARY_DIR)
  endif()
  list(APPEND CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${_orbi_dir})
endforeach()
find_program(ORBI_DPKG_SHLIBDEPS dpkg-shlibdeps)
mark_as_advanced(ORBI_DPKG_SHLIBDEPS)
if(NOT ORBI_DPKG_SHLIBDEPS AND CPACK_GENERATOR STREQUAL "DEB")
  message(STATUS "packages: dpkg-shlibdeps (dpkg-dev) not found; packages "
    "built here would lack their dependencies on system libraries")
endif()
# The shlibs file of liborbi-name1 tells dpkg-shlibdeps, for packages built
# against the libraries, which package and version to depend on. Written
# here: CPack's would name every shared object of every package, the modules
# too, which have no soname.
set(_orbi_shlibs "")
foreach(_orbi_library IN ITEMS orbi_name orbi_services)
  string(APPEND _orbi_shlibs "lib${_orbi_library} ${PROJECT_VERSION_MAJOR} "
    "liborbi-name${PROJECT_VERSION_MAJOR} (>= ${PROJECT_VERSION})\n")
endforeach()
file(WRITE ${PROJECT_BINARY_DIR}/packages/runtime/shlibs "${_orbi_shlibs}")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME liborbi-name${PROJECT_VERSION_MAJOR})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
# Besides shlibs: the symbols file, each exported symbol with the version
# that first had it (checked in, and compared with the build by the
# debian_symbols test: tests/symbols.cmake), and the trigger that has dpkg run
# ldconfig once after all the packages of one run are unpacked, as Debian's
# library packages do, instead of postinst and postrm scripts calling it
# (cpack_project_config.cmake says how CPack is kept from writing those).
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/packages/runtime/shlibs
  ${CMAKE_CURRENT_LIST_DIR}/debian/symbols
  ${CMAKE_CURRENT_LIST_DIR}/debian/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "${PROJECT_DESCRIPTION} (shared libraries)
The shared libraries liborbi_name, which holds the names, name sets and
object identifiers of the ORBI GSS-API mechanism, and liborbi_services, the
trace, lock, ASN.1 and OID table services that it calls.")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME liborbi-name-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS
  "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${_orbi_deb_version})")
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION "${PROJECT_DESCRIPTION} (development files)
The C++17 headers of liborbi_name and liborbi_services, the links to link
against them, a CMake package (find_package(orbi_name), target
orbi_name::orbi_name) and a pkg-config file (orbi_name).")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME orbi-name)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOL_PACKAGE_DEPENDS
  "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${_orbi_deb_version})")
set(CPACK_COMPONENT_TOOL_DESCRIPTION "Command-line tool for names of the ORBI GSS-API mechanism
orbi-name imports, displays and exports names of the ORBI mechanism, reads
exported name tokens field by field and converts object identifiers between
their forms.")

# The module: a GSS-API mechanism that the glues of MIT Kerberos and Heimdal
# load, shipped as gss-ntlmssp is: the module in a private directory and a
# conffile in /etc/gss/mech.d/ that names it. Heimdal's glue reads only
# /etc/gss/mech, which no package owns; orbi_mech(8) gives its line.
set(CPACK_DEBIAN_MECH_PACKAGE_NAME orbi-mech)
set(CPACK_DEBIAN_MECH_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_MECH_PACKAGE_DEPENDS
  "${CPACK_DEBIAN_RUNTIME_PACKAGE_NAME} (= ${_orbi_deb_version})")
set(CPACK_DEBIAN_MECH_PACKAGE_ENHANCES "libgssapi-krb5-2, libgssapi3-heimdal")
set(CPACK_COMPONENT_MECH_DESCRIPTION "ORBI GSS-API mechanism for MIT Kerberos and Heimdal
Modules that make the name operations of the ORBI mechanism available to
every GSS-API application through the mechanism glue of MIT Kerberos
(enabled by /etc/gss/mech.d/orbi.conf) and of Heimdal (see orbi_mech(8)).")
# CPack marks no file as a conffile by itself. The packages install to /usr,
# so orbi.conf lies in /etc (cmake/install_helpers.cmake).
include(${CMAKE_CURRENT_LIST_DIR}/install_helpers.cmake)
orbi_name_config_dir(_orbi_deb_etc "${CPACK_PACKAGING_INSTALL_PREFIX}"
  "${CMAKE_INSTALL_SYSCONFDIR}")
file(WRITE ${PROJECT_BINARY_DIR}/packages/mech/conffiles
  "${_orbi_deb_etc}/gss/mech.d/orbi.conf\n")
set(CPACK_DEBIAN_MECH_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/packages/mech/conffiles)
set(CPACK_DEBIAN_MECH_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# The packages with shared objects get their dependencies on system
# libraries from cpack_project_config.cmake, which runs dpkg-shlibdeps on
# the binaries listed here; CPack's own run would bring ldconfig calls in
# maintainer scripts along.
set(CPACK_ORBI_SHLIBDEPS_COMPONENTS RUNTIME)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/packages/runtime/binaries
  CONTENT "$<TARGET_FILE:orbi_name>\n$<TARGET_FILE:orbi_services>\n")
set(CPACK_ORBI_RUNTIME_BINARIES ${PROJECT_BINARY_DIR}/packages/runtime/binaries)
if(TARGET orbi_mech)
  list(APPEND CPACK_ORBI_SHLIBDEPS_COMPONENTS MECH)
  set(_orbi_modules "$<TARGET_FILE:orbi_mech>\n")
  if(TARGET orbi_mech_heimdal)
    string(APPEND _orbi_modules "$<TARGET_FILE:orbi_mech_heimdal>\n")
  endif()
  file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/packages/mech/binaries
    CONTENT "${_orbi_modules}")
  set(CPACK_ORBI_MECH_BINARIES ${PROJECT_BINARY_DIR}/packages/mech/binaries)
endif()
foreach(_orbi_component IN LISTS CPACK_ORBI_SHLIBDEPS_COMPONENTS)
  set(CPACK_DEBIAN_${_orbi_component}_PACKAGE_SHLIBDEPS OFF)
endforeach()
set(CPACK_ORBI_LIBRARY_DIRS ${CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS})
set(CPACK_ORBI_SHLIBDEPS_DIR ${PROJECT_BINARY_DIR}/packages/shlibdeps)
set(CPACK_ORBI_DPKG_SHLIBDEPS "${ORBI_DPKG_SHLIBDEPS}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/cpack_project_config.cmake)

# copyright (DEP-5) from LICENSE: its copyright line, and its text as the
# Expat licence (Debian's name for this MIT text), one leading blank a line
# and "." for an empty one.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE _orbi_license)
if(NOT _orbi_license MATCHES "Copyright \\(c\\) ([^\n]+)\n+(.*[^\n])\n*$")
  message(FATAL_ERROR "LICENSE: no 'Copyright (c) ...' line followed by the licence")
endif()
set(ORBI_DEB_COPYRIGHT "${CMAKE_MATCH_1}")
string(REPLACE "\n" "\n " ORBI_DEB_LICENSE " ${CMAKE_MATCH_2}")
string(REGEX REPLACE "\n (\n|$)" "\n .\\1" ORBI_DEB_LICENSE "${ORBI_DEB_LICENSE}")
set(_orbi_deb_doc ${PROJECT_BINARY_DIR}/packages/doc)
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/copyright.in
  ${_orbi_deb_doc}/copyright @ONLY)
# changelog.Debian.gz: cmake/debian/changelog, compressed as Debian
# compresses it (gzip -9n: no name or time stored, the same bytes each time).
find_program(ORBI_GZIP gzip)
mark_as_advanced(ORBI_GZIP)
if(ORBI_GZIP)
  execute_process(COMMAND ${ORBI_GZIP} -9nc ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
    OUTPUT_FILE ${_orbi_deb_doc}/changelog.Debian.gz RESULT_VARIABLE _orbi_result)
endif()
if(NOT ORBI_GZIP OR NOT _orbi_result EQUAL 0)
  message(FATAL_ERROR "packages: gzip is needed for changelog.Debian.gz")
endif()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_CURRENT_LIST_DIR}/debian/changelog)
# Into the packages only: a plain install leaves them out (EXCLUDE_FROM_ALL)
# and keeps LICENSE (install.cmake).
foreach(_orbi_component IN LISTS _orbi_components)
  string(TOUPPER ${_orbi_component} _orbi_upper)
  install(FILES ${_orbi_deb_doc}/copyright ${_orbi_deb_doc}/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${_orbi_upper}_PACKAGE_NAME}
    COMPONENT ${_orbi_component} EXCLUDE_FROM_ALL)
endforeach()

include(CPack)
