# The module for Heimdal's glue, orbi_mech_heimdal.so (mech/heimdal_glue.cc):
#  - mech_heimdal_module_test: its entry points called directly, opened as
#    Heimdal's glue opens it.
#  - mech_heimdal_alloc_test: every allocation inside the entry points that
#    allocate otherwise than orbi_mech.so's failed in turn.
#  - mech_heimdal_exported_symbols: what it exports, needs and finds.
# Where Heimdal's GSS-API library is found (pkg-config heimdal-gssapi;
# heimdal-multidev on Debian):
#  - mech_heimdal_client: an application of its own, written against
#    Heimdal's <gssapi/gssapi.h> and linked with Heimdal's libgssapi only,
#    that reaches the module through Heimdal's unmodified glue. The glue
#    reads /etc/gss/mech alone, so the test runs it in a mount namespace of
#    its own with a tmpfs over /etc/gss holding the build tree's mech file
#    (tests/mech/heimdal_namespace.sh); it is skipped where no such
#    namespace can be made.
#  - mech_heimdal_client_memcheck: the same under valgrind, in builds
#    without sanitizers.
# orbi_mech.so and its tests (tests/mech.cmake) are the same with or without
# all this.
if(NOT TARGET orbi_mech_heimdal)
  return()
endif()
set(_orbi_heimdal_tests ${CMAKE_CURRENT_SOURCE_DIR}/mech)

add_executable(mech_heimdal_module_test
  ${_orbi_heimdal_tests}/mech_heimdal_module_test.cc)
target_link_libraries(mech_heimdal_module_test PRIVATE
  orbi_build_oids orbi_mech_lists orbi_mit_gssapi_headers GTest::gtest
  GTest::gtest_main ${CMAKE_DL_LIBS} orbi_name_warnings)
target_compile_definitions(mech_heimdal_module_test PRIVATE
  ORBI_MECH_HEIMDAL_PATH="$<TARGET_FILE:orbi_mech_heimdal>")
add_dependencies(mech_heimdal_module_test orbi_mech_heimdal)
gtest_discover_tests(mech_heimdal_module_test DISCOVERY_TIMEOUT 60)

# The module's sources once more, against the seam build of the library
# (orbi_add_mech_alloc_test, tests/mech.cmake).
if(TARGET orbi_name_seam)
  orbi_add_mech_alloc_test(mech_heimdal_alloc_test
    ${_orbi_heimdal_tests}/mech_heimdal_alloc_test.cc orbi_mech_heimdal_seam
    ${ORBI_MECH_HEIMDAL_SOURCES})
endif()

# The 29 entry points Heimdal's glue requires (less the eight name
# operations and the status text, which orbi_mech.so has too), the SASL
# lookup it asks a module for, and gss_mech_initialize, which turns MIT's
# glue away.
set(_orbi_heimdal_symbols
  gss_accept_sec_context gss_acquire_cred gss_add_cred gss_canonicalize_name
  gss_context_time gss_delete_sec_context gss_export_sec_context gss_get_mic
  gss_import_sec_context gss_indicate_mechs gss_init_sec_context
  gss_inquire_context gss_inquire_cred gss_inquire_cred_by_mech
  gss_inquire_mech_for_saslname gss_inquire_mechs_for_name gss_mech_initialize
  gss_process_context_token gss_release_cred gss_unwrap gss_verify_mic
  gss_wrap gss_wrap_size_limit)
list(JOIN _orbi_heimdal_symbols "," _orbi_heimdal_symbols)
add_test(NAME mech_heimdal_exported_symbols
  COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DOBJDUMP=${CMAKE_OBJDUMP}
    -DMODULE=$<TARGET_FILE:orbi_mech_heimdal> -DEXTRA=${_orbi_heimdal_symbols}
    -P ${_orbi_heimdal_tests}/check_mech_symbols.cmake)

find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(ORBI_HEIMDAL_GSSAPI QUIET IMPORTED_TARGET heimdal-gssapi)
endif()
if(NOT ORBI_HEIMDAL_GSSAPI_FOUND)
  message(STATUS "mech: Heimdal's heimdal-gssapi (heimdal-multidev) not found; the client tests through Heimdal's glue are not built")
  return()
endif()

add_executable(orbi_heimdal_client ${_orbi_heimdal_tests}/heimdal_client.c)
target_link_libraries(orbi_heimdal_client PRIVATE
  PkgConfig::ORBI_HEIMDAL_GSSAPI orbi_name_warnings orbi_build_oids
  orbi_mech_lists)
add_dependencies(orbi_heimdal_client orbi_mech_heimdal)

set(_orbi_heimdal_run
  bash ${_orbi_heimdal_tests}/heimdal_namespace.sh
  ${ORBI_MECH_HEIMDAL_BUILD_CONFIG})
add_test(NAME mech_heimdal_client
  COMMAND ${_orbi_heimdal_run} $<TARGET_FILE:orbi_heimdal_client>)
set(_orbi_heimdal_client_tests mech_heimdal_client)
# ORBI_MEMCHECK: tests/mech.cmake, included before this file.
if(ORBI_MEMCHECK)
  # The suppressions cover findings inside Heimdal's libraries only
  # (tests/mech/heimdal_valgrind.supp says which).
  add_test(NAME mech_heimdal_client_memcheck
    COMMAND ${_orbi_heimdal_run} ${ORBI_MEMCHECK}
      --suppressions=${_orbi_heimdal_tests}/heimdal_valgrind.supp
      $<TARGET_FILE:orbi_heimdal_client>)
  list(APPEND _orbi_heimdal_client_tests mech_heimdal_client_memcheck)
endif()
# Heimdal reads the Kerberos configuration even for names (KRB5_CONFIG:
# without one, every import fails); the MIT tests' file serves it too.
set_tests_properties(${_orbi_heimdal_client_tests} PROPERTIES
  ENVIRONMENT "KRB5_CONFIG=${_orbi_heimdal_tests}/krb5.conf"
  FAIL_REGULAR_EXPRESSION "FAIL: "
  SKIP_RETURN_CODE 77
  TIMEOUT 600)
