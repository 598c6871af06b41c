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
#  - packages_upgrade: the next version installed over them in the same
#    way, orbi.conf edited or not, that release's orbi.conf changed or not;
#    the mechanism answers after each; removal and purge leave nothing. The
#    next version is made from this build, not by building the tree again:
#    its packages repacked with the version raised, and liborbi_name linked
#    once more from this build's objects with the version text of the next
#    version (orbi_name_next, below). Not in sanitizer builds:
#    packages_installed runs the sanitized binaries from the packages
#    there, and what the upgrade adds, dpkg's handling of the versions and
#    of the conffile, does not depend on the build.
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
    heimdal=${_orbi_heimdal}
    sanitized=${_orbi_sanitized}
    hardening=${_orbi_hardening}
    client=$<TARGET_FILE:orbi_mech_client>
    heimdal_client=${_orbi_heimdal_client}
    krb5_conf=${CMAKE_CURRENT_SOURCE_DIR}/mech/krb5.conf)
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
    # The next release's liborbi_name (the patch version raised): this
    # build's objects of the library, but for version.cc, which holds the
    # version that the library reports and the tool prints and is compiled
    # again here with the next version; linked as orbi_shared_library links
    # the library, into a directory of its own. Everything else of that
    # release is in this build's packages (packages_test.sh repacks them).
    math(EXPR _orbi_next_patch "${PROJECT_VERSION_PATCH} + 1")
    set(_orbi_next_version
      ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${_orbi_next_patch})
    add_library(orbi_name_next SHARED
      "$<FILTER:$<TARGET_OBJECTS:orbi_name_objects>,EXCLUDE,/version[.]cc[.]o(bj)?$>"
      $<TARGET_OBJECTS:orbi_der>
      ${PROJECT_SOURCE_DIR}/orbi_name/src/version.cc)
    target_include_directories(orbi_name_next PRIVATE
      $<TARGET_PROPERTY:orbi_name_objects,INTERFACE_INCLUDE_DIRECTORIES>)
    target_compile_definitions(orbi_name_next PRIVATE
      ORBI_NAME_BUILDING_LIBRARY ORBI_NAME_VERSION="${_orbi_next_version}")
    target_compile_features(orbi_name_next PRIVATE cxx_std_17)
    target_link_libraries(orbi_name_next
      PUBLIC orbi_services
      PRIVATE orbi_name_warnings orbi_name_hardening)
    set_target_properties(orbi_name_next PROPERTIES
      OUTPUT_NAME orbi_name
      DEFINE_SYMBOL ""
      VERSION ${_orbi_next_version}
      SOVERSION ${PROJECT_VERSION_MAJOR}
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON
      LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/packages_next)
    add_test(NAME packages_upgrade
      COMMAND ${ORBI_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/packages/packages_test.sh
        upgrade ${_orbi_packages_args}
        next_version=${_orbi_next_version}
        next_library=$<TARGET_FILE:orbi_name_next>
        library=$<TARGET_FILE:orbi_name>
        strip=${CMAKE_STRIP}
        objcopy=${CMAKE_OBJCOPY}
        nm=${CMAKE_NM})
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
