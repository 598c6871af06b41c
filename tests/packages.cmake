# The Debian packages (cmake/packages.cmake), tests/packages/packages_test.sh:
#  - packages_contents: cpack builds them from this build tree into a scratch
#    dir; each package's files, conffiles, dependencies, control files
#    (symbols, ldconfig trigger, no maintainer scripts), configuration line,
#    man pages and the hardening of the shipped binaries against what a
#    distribution ships.
#  - packages_installed: dpkg installs them over the machine's /usr, /etc and
#    /var seen through throwaway overlays in a private mount namespace; the C
#    client (through MIT's glue, which reads the installed
#    /etc/gss/mech.d/orbi.conf, no GSS_MECH_CONFIG) and the installed tool
#    run from the installed files; removal and purge leave nothing.
#  - packages_upgrade: the same tree built as the next version (Release, as
#    the package preset builds it) and installed over them in the same way,
#    orbi.conf edited or not, that release's orbi.conf changed or not; the
#    mechanism answers after each; removal and purge leave nothing. Not in
#    sanitizer builds: the next version is a plain build, so the upgrade
#    there tests nothing a plain build does not.
#  packages_installed and packages_upgrade are skipped where the namespace
#  or the overlays are not permitted.
# Registered when the packages can be built and read here: install rules,
# the tool and the module, dpkg-deb and CPack's DEB generator.
find_program(ORBI_DPKG_DEB dpkg-deb)
mark_as_advanced(ORBI_DPKG_DEB)
set(_orbi_packages_missing "")
if(NOT ORBI_NAME_INSTALL)
  list(APPEND _orbi_packages_missing "install rules (ORBI_NAME_INSTALL)")
endif()
if(NOT TARGET orbi-name OR NOT TARGET orbi_mech)
  list(APPEND _orbi_packages_missing "the tool and the module")
endif()
if(NOT ORBI_DPKG_DEB)
  list(APPEND _orbi_packages_missing "dpkg-deb")
else()
  execute_process(COMMAND ${CMAKE_CPACK_COMMAND} --help
    OUTPUT_VARIABLE _orbi_cpack_help ERROR_QUIET)
  if(NOT _orbi_cpack_help MATCHES "\n +DEB +=")
    list(APPEND _orbi_packages_missing "CPack's DEB generator")
  endif()
endif()
# The file lists are those of a package for /usr with relative install dirs.
foreach(_orbi_dir IN ITEMS CMAKE_INSTALL_LIBDIR CMAKE_INSTALL_INCLUDEDIR
    CMAKE_INSTALL_BINDIR CMAKE_INSTALL_SYSCONFDIR ORBI_NAME_CMAKE_DIR
    ORBI_NAME_PKGCONFIG_DIR)
  if(IS_ABSOLUTE "${${_orbi_dir}}")
    list(APPEND _orbi_packages_missing "relative ${_orbi_dir}")
  endif()
endforeach()

if(_orbi_packages_missing)
  string(REPLACE ";" ", " _orbi_packages_missing "${_orbi_packages_missing}")
  message(STATUS "packages tests not registered: no ${_orbi_packages_missing}")
else()
  set(_orbi_cmake_dir "${ORBI_NAME_CMAKE_DIR}")
  if(NOT _orbi_cmake_dir)
    set(_orbi_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/orbi_name)
  endif()
  set(_orbi_pc_dir "${ORBI_NAME_PKGCONFIG_DIR}")
  if(NOT _orbi_pc_dir)
    set(_orbi_pc_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
  endif()
  string(TOLOWER "${CMAKE_BUILD_TYPE}" _orbi_config)
  if(NOT _orbi_config)
    set(_orbi_config noconfig)
  endif()
  # AddressSanitizer and UndefinedBehaviorSanitizer keep source file names
  # in the binaries for their reports, so a sanitizer build's packages name
  # the source tree by design; only there that check is left out.
  set(_orbi_sanitized 0)
  if("${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES "-fsanitize")
    set(_orbi_sanitized 1)
  endif()
  set(_orbi_heimdal 0)
  if(TARGET orbi_mech_heimdal)
    set(_orbi_heimdal 1)
  endif()
  # The Heimdal client, once there is one: the installed module through
  # Heimdal's glue as well.
  set(_orbi_heimdal_client "")
  if(TARGET orbi_heimdal_client)
    set(_orbi_heimdal_client $<TARGET_FILE:orbi_heimdal_client>)
  endif()
  include(${PROJECT_SOURCE_DIR}/cmake/debian/version.cmake)
  orbi_name_debian_version(_orbi_deb_version _orbi_deb_revision)
  string(REPLACE ";" "," _orbi_hardening "${ORBI_NAME_HARDENING_EXPECT}")
  set(_orbi_packages_args
    work=${CMAKE_CURRENT_BINARY_DIR}/packages
    build=${PROJECT_BINARY_DIR}
    source=${PROJECT_SOURCE_DIR}
    cpack=${CMAKE_CPACK_COMMAND}
    libdir=${CMAKE_INSTALL_LIBDIR}
    cmake_dir=${_orbi_cmake_dir}
    pc_dir=${_orbi_pc_dir}
    config=${_orbi_config}
    version=${PROJECT_VERSION}
    deb_version=${_orbi_deb_version}
    oid=${ORBI_MECH_OID}
    arc=${ORBI_OID_ARC}
    heimdal=${_orbi_heimdal}
    sanitized=${_orbi_sanitized}
    hardening=${_orbi_hardening}
    client=$<TARGET_FILE:orbi_mech_client>
    heimdal_client=${_orbi_heimdal_client}
    krb5_conf=${CMAKE_CURRENT_SOURCE_DIR}/mech/krb5.conf
    cmake=${CMAKE_COMMAND}
    generator=${CMAKE_GENERATOR}
    cc=${CMAKE_C_COMPILER}
    cxx=${CMAKE_CXX_COMPILER})
  find_program(ORBI_BASH bash REQUIRED)
  add_test(NAME packages_contents
    COMMAND ${ORBI_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/packages/packages_test.sh
      contents ${_orbi_packages_args})
  add_test(NAME packages_installed
    COMMAND ${ORBI_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/packages/packages_test.sh
      installed ${_orbi_packages_args})
  set_tests_properties(packages_contents PROPERTIES
    FIXTURES_SETUP orbi_packages)
  set(_orbi_namespace_tests packages_installed)
  if(NOT _orbi_sanitized)
    add_test(NAME packages_upgrade
      COMMAND ${ORBI_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/packages/packages_test.sh
        upgrade ${_orbi_packages_args})
    list(APPEND _orbi_namespace_tests packages_upgrade)
  endif()
  # LSAN_OPTIONS as for the mechanism tests (tests/mech.cmake): the glue's
  # one-time loss under the asan preset.
  set_tests_properties(${_orbi_namespace_tests} PROPERTIES
    FIXTURES_REQUIRED orbi_packages
    SKIP_RETURN_CODE 77
    ENVIRONMENT "${_orbi_mech_lsan}")
  set_tests_properties(packages_contents ${_orbi_namespace_tests} PROPERTIES
    FAIL_REGULAR_EXPRESSION "FAIL: "
    TIMEOUT 600)
endif()
