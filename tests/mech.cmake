# The mechanism module, orbi_mech.so (mech/):
#  - mech_client, mech_naming_exts (RFC 6680's naming extensions, as MIT's
#    t_namingexts runs them) and mech_threads: applications of their own,
#    written against <gssapi/gssapi.h> and linked with MIT's libgssapi_krb5 only,
#    that reach the module through the glue (GSS_MECH_CONFIG names the build
#    tree's orbi.conf). Under the asan and tsan presets they and the module
#    are instrumented; the glue is not.
#  - mech_client_memcheck, mech_naming_exts_memcheck and
#    mech_threads_helgrind: the same under valgrind, which also sees inside
#    the glue, in builds without sanitizers.
#  - mech_module_test: the module's entry points called directly, opened as
#    the glue opens it.
#  - mech_alloc_test: every allocation inside each entry point failed in turn.
#  - mech_exported_symbols: what the module exports, needs and finds.
#  - mech_installed: the client against an install into a scratch prefix,
#    through the installed orbi.conf.
if(TARGET orbi_mech)
  set(_orbi_mech_tests ${CMAKE_CURRENT_SOURCE_DIR}/mech)
  # LSAN_OPTIONS matters under the asan preset only: it suppresses the glue's
  # one-time loss (tests/mech/lsan.supp), found through the glue's frames,
  # which need the slow unwinder since the glue has no frame pointers.
  set(_orbi_mech_lsan
    "LSAN_OPTIONS=suppressions=${_orbi_mech_tests}/lsan.supp:fast_unwind_on_malloc=0")
  set(_orbi_mech_env
    GSS_MECH_CONFIG=${ORBI_MECH_BUILD_CONFIG}
    KRB5_CONFIG=${_orbi_mech_tests}/krb5.conf
    ${_orbi_mech_lsan})

  add_executable(orbi_mech_client ${_orbi_mech_tests}/mech_client.c)
  target_link_libraries(orbi_mech_client PRIVATE
    PkgConfig::ORBI_MIT_GSSAPI orbi_name_warnings orbi_build_oids
    orbi_mech_lists)
  add_executable(orbi_naming_exts_client
    ${_orbi_mech_tests}/naming_exts_client.c)
  target_link_libraries(orbi_naming_exts_client PRIVATE
    PkgConfig::ORBI_MIT_GSSAPI orbi_name_warnings orbi_build_oids
    orbi_mech_lists)
  add_dependencies(orbi_naming_exts_client orbi_mech)
  add_executable(orbi_mech_threads ${_orbi_mech_tests}/mech_threads.c)
  target_link_libraries(orbi_mech_threads PRIVATE
    PkgConfig::ORBI_MIT_GSSAPI Threads::Threads orbi_name_warnings orbi_build_oids)
  add_dependencies(orbi_mech_client orbi_mech)
  add_dependencies(orbi_mech_threads orbi_mech)

  add_test(NAME mech_client COMMAND orbi_mech_client)
  add_test(NAME mech_threads COMMAND orbi_mech_threads)
  add_test(NAME mech_naming_exts COMMAND orbi_naming_exts_client)
  set(_orbi_mech_glue_tests mech_client mech_threads mech_naming_exts)

  # valgrind and the sanitizers do not mix. ORBI_MEMCHECK, set only where
  # valgrind runs, is memcheck as every *_memcheck test here and in
  # tests/mech_clients.cmake and tests/mech_heimdal.cmake runs it: any error
  # or a definite or possible leak fails; each test adds its suppressions
  # and the program.
  find_program(ORBI_VALGRIND valgrind)
  unset(ORBI_MEMCHECK)
  if(ORBI_VALGRIND AND NOT "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES
     "-fsanitize")
    set(ORBI_MEMCHECK ${ORBI_VALGRIND} --tool=memcheck --error-exitcode=99
      --leak-check=full --errors-for-leak-kinds=definite,possible
      --show-leak-kinds=definite,possible)
    # The suppressions cover two findings inside the glue
    # (tests/mech/valgrind.supp says which).
    add_test(NAME mech_client_memcheck
      COMMAND ${ORBI_MEMCHECK}
        --suppressions=${_orbi_mech_tests}/valgrind.supp
        $<TARGET_FILE:orbi_mech_client>)
    add_test(NAME mech_naming_exts_memcheck
      COMMAND ${ORBI_MEMCHECK}
        --suppressions=${_orbi_mech_tests}/valgrind.supp
        $<TARGET_FILE:orbi_naming_exts_client>)
    # Fewer rounds: helgrind runs the threads one at a time.
    add_test(NAME mech_threads_helgrind
      COMMAND ${ORBI_VALGRIND} --tool=helgrind --error-exitcode=99
        $<TARGET_FILE:orbi_mech_threads> 20)
    list(APPEND _orbi_mech_glue_tests
      mech_client_memcheck mech_naming_exts_memcheck mech_threads_helgrind)
  endif()
  set_tests_properties(${_orbi_mech_glue_tests} PROPERTIES
    ENVIRONMENT "${_orbi_mech_env}"
    FAIL_REGULAR_EXPRESSION "FAIL: "
    TIMEOUT 600)

  add_executable(mech_module_test ${_orbi_mech_tests}/mech_module_test.cc)
  target_link_libraries(mech_module_test PRIVATE
    orbi_build_oids orbi_mech_lists orbi_mit_gssapi_headers GTest::gtest
    GTest::gtest_main ${CMAKE_DL_LIBS} Threads::Threads orbi_name_warnings)
  target_compile_definitions(mech_module_test PRIVATE
    ORBI_MECH_PATH="$<TARGET_FILE:orbi_mech>"
    ORBI_MECH_OID_DOTTED="${ORBI_MECH_OID}")
  add_dependencies(mech_module_test orbi_mech)
  gtest_discover_tests(mech_module_test DISCOVERY_TIMEOUT 60)

  # The last entry that RFC 6680's `more` can lead to, met with a short
  # name: the module's objects built into the test with a limit of 3.
  add_executable(mech_attribute_limit_test
    ${_orbi_mech_tests}/mech_attribute_limit_test.cc ${ORBI_MECH_SOURCES})
  target_compile_definitions(mech_attribute_limit_test PRIVATE
    ORBI_MECH_OID_DOTTED="${ORBI_MECH_OID}" ORBI_MECH_LAST_REACHABLE_ENTRY=3)
  target_include_directories(mech_attribute_limit_test PRIVATE
    ${PROJECT_SOURCE_DIR}/mech)
  target_link_libraries(mech_attribute_limit_test PRIVATE
    orbi_name::orbi_name orbi_name::services orbi_name_internal orbi_der
    orbi_build_oids orbi_mech_lists
    orbi_mit_gssapi_headers GTest::gtest GTest::gtest_main orbi_name_warnings)
  gtest_discover_tests(mech_attribute_limit_test DISCOVERY_TIMEOUT 60)

  # The GS2 name computation against OpenSSL's SHA-1.
  add_executable(sasl_name_test ${_orbi_mech_tests}/sasl_name_test.cc
    ${PROJECT_SOURCE_DIR}/mech/sasl_name.cc)
  target_include_directories(sasl_name_test PRIVATE ${PROJECT_SOURCE_DIR}/mech)
  target_link_libraries(sasl_name_test PRIVATE
    OpenSSL::Crypto GTest::gtest GTest::gtest_main orbi_name_warnings)
  gtest_discover_tests(sasl_name_test DISCOVERY_TIMEOUT 60)

  # The module's own OIDs (mech/oids.h) against OpenSSL's encoding of their
  # dotted texts.
  add_executable(mech_oids_test ${_orbi_mech_tests}/mech_oids_test.cc)
  target_include_directories(mech_oids_test PRIVATE ${PROJECT_SOURCE_DIR}/mech)
  target_link_libraries(mech_oids_test PRIVATE orbi_services_interface
    orbi_mit_gssapi_headers OpenSSL::Crypto GTest::gtest GTest::gtest_main
    orbi_name_warnings)
  gtest_discover_tests(mech_oids_test DISCOVERY_TIMEOUT 60)

  # The standard token's reader and writer, with the DER cursors alone.
  add_executable(standard_name_token_test
    ${_orbi_mech_tests}/standard_name_token_test.cc
    ${PROJECT_SOURCE_DIR}/mech/standard_name_token.cc)
  target_include_directories(standard_name_token_test PRIVATE
    ${PROJECT_SOURCE_DIR}/mech)
  target_link_libraries(standard_name_token_test PRIVATE
    orbi_der GTest::gtest GTest::gtest_main orbi_name_warnings)
  gtest_discover_tests(standard_name_token_test DISCOVERY_TIMEOUT 60)

  # orbi_add_mech_alloc_test(SUITE SOURCE MODULE MODULE_SOURCES...): the
  # allocation suite SUITE (SOURCE) linked to MODULE, a module built once
  # more from MODULE_SOURCES against the seam build of the library and
  # wrapped as it is (tests/alloc.cmake), so that the module's allocations
  # and the library's are counted alike. Also for orbi_mech_heimdal.so
  # (tests/mech_heimdal.cmake).
  function(orbi_add_mech_alloc_test suite source module)
    add_library(${module} SHARED ${ARGN})
    target_compile_definitions(${module} PRIVATE
      ORBI_MECH_OID_DOTTED="${ORBI_MECH_OID}")
    get_target_property(wrap orbi_name_seam LINK_OPTIONS)
    target_link_options(${module} PRIVATE ${wrap})
    target_link_libraries(${module} PRIVATE
      orbi_name_seam orbi_name_internal orbi_der orbi_mit_gssapi_headers
      orbi_name_warnings)
    set_target_properties(${module} PROPERTIES
      CXX_VISIBILITY_PRESET hidden
      VISIBILITY_INLINES_HIDDEN ON)
    add_executable(${suite} ${source})
    target_link_libraries(${suite} PRIVATE
      orbi_build_oids orbi_mech_lists ${module} orbi_name_seam
      orbi_mit_gssapi_headers GTest::gtest GTest::gtest_main
      orbi_name_warnings)
    gtest_discover_tests(${suite} DISCOVERY_TIMEOUT 60)
  endfunction()
  if(TARGET orbi_name_seam)
    orbi_add_mech_alloc_test(mech_alloc_test
      ${_orbi_mech_tests}/mech_alloc_test.cc orbi_mech_seam
      ${ORBI_MECH_SOURCES})
  endif()

  add_test(NAME mech_exported_symbols
    COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DOBJDUMP=${CMAKE_OBJDUMP}
      -DMODULE=$<TARGET_FILE:orbi_mech>
      -P ${_orbi_mech_tests}/check_mech_symbols.cmake)

  if(ORBI_NAME_INSTALL)
    if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR
       IS_ABSOLUTE "${CMAKE_INSTALL_SYSCONFDIR}")
      message(STATUS "mech_installed not registered: absolute install dirs")
    else()
      add_test(NAME mech_installed
        COMMAND ${CMAKE_COMMAND}
          -DBUILD_DIR=${PROJECT_BINARY_DIR}
          -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/mech_installed
          -DLIBDIR=${CMAKE_INSTALL_LIBDIR}
          -DSYSCONFDIR=${CMAKE_INSTALL_SYSCONFDIR}
          -DOBJDUMP=${CMAKE_OBJDUMP}
          -DCLIENT=$<TARGET_FILE:orbi_mech_client>
          -DMECH_OID=${ORBI_MECH_OID}
          -DKRB5_CONFIG=${_orbi_mech_tests}/krb5.conf
          -P ${_orbi_mech_tests}/run_installed.cmake)
      set_tests_properties(mech_installed PROPERTIES
        ENVIRONMENT "${_orbi_mech_lsan}"
        FAIL_REGULAR_EXPRESSION "FAIL: "
        TIMEOUT 600)
    endif()
  endif()
endif()
