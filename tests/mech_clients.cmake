# The module under client code that nobody here wrote, and beside another
# loadable mechanism:
#  - mech_python: python-gssapi (Debian python3-gssapi) through MIT's glue,
#    tests/mech/python_client.py;
#  - mech_enumerate: every configured mechanism's attributes, name types and
#    SASL names listed as MIT's t_saslname does, with ORBI loaded; also
#    under valgrind;
#  - *_ntlmssp: the enumeration (also under valgrind) and the C client with
#    gss-ntlmssp's module loaded beside ORBI, where gss-ntlmssp is installed.
# ORBI_MEMCHECK is set in tests/mech.cmake, included before this file.
if(TARGET orbi_mech)
  set(_orbi_clients_dir ${CMAKE_CURRENT_SOURCE_DIR}/mech)
  set(_orbi_clients_env
    KRB5_CONFIG=${_orbi_clients_dir}/krb5.conf
    "LSAN_OPTIONS=suppressions=${_orbi_clients_dir}/lsan.supp:fast_unwind_on_malloc=0")

  add_executable(orbi_mech_enumerate ${_orbi_clients_dir}/mech_enumerate.c)
  target_link_libraries(orbi_mech_enumerate PRIVATE
    PkgConfig::ORBI_MIT_GSSAPI orbi_name_warnings)
  add_dependencies(orbi_mech_enumerate orbi_mech)
  add_test(NAME mech_enumerate
    COMMAND orbi_mech_enumerate ${ORBI_MECH_OID})
  set_tests_properties(mech_enumerate PROPERTIES
    ENVIRONMENT "GSS_MECH_CONFIG=${ORBI_MECH_BUILD_CONFIG};${_orbi_clients_env}"
    FAIL_REGULAR_EXPRESSION "FAIL: " TIMEOUT 300)
  if(ORBI_MEMCHECK)
    add_test(NAME mech_enumerate_memcheck
      COMMAND ${ORBI_MEMCHECK}
        --suppressions=${_orbi_clients_dir}/valgrind.supp
        $<TARGET_FILE:orbi_mech_enumerate> ${ORBI_MECH_OID})
    set_tests_properties(mech_enumerate_memcheck PROPERTIES
      ENVIRONMENT "GSS_MECH_CONFIG=${ORBI_MECH_BUILD_CONFIG};${_orbi_clients_env}"
      FAIL_REGULAR_EXPRESSION "FAIL: " TIMEOUT 600)
  endif()

  # gss-ntlmssp, a mechanism module of its own, loaded beside ORBI: the
  # module is the gssntlmssp.so among the files of its Debian package.
  if(NOT ORBI_NTLMSSP_MODULE)
    find_program(ORBI_DPKG_QUERY dpkg-query)
    if(ORBI_DPKG_QUERY)
      execute_process(COMMAND ${ORBI_DPKG_QUERY} -L gss-ntlmssp
        OUTPUT_VARIABLE _orbi_ntlmssp_files ERROR_QUIET
        RESULT_VARIABLE _orbi_ntlmssp_missing)
      if(_orbi_ntlmssp_missing EQUAL 0 AND
         _orbi_ntlmssp_files MATCHES "(^|\n)([^\n]*/gssntlmssp\\.so)(\n|$)")
        set(ORBI_NTLMSSP_MODULE ${CMAKE_MATCH_2} CACHE FILEPATH
          "gss-ntlmssp's mechanism module")
      endif()
    endif()
  endif()
  if(ORBI_NTLMSSP_MODULE)
    set(_orbi_two_mechs ${CMAKE_CURRENT_BINARY_DIR}/orbi_and_ntlmssp.conf)
    # 1.3.6.1.4.1.311.2.2.10: NTLMSSP's mechanism OID.
    file(GENERATE OUTPUT ${_orbi_two_mechs} CONTENT
"orbi ${ORBI_MECH_OID} $<TARGET_FILE:orbi_mech>
gssntlmssp_v1 1.3.6.1.4.1.311.2.2.10 ${ORBI_NTLMSSP_MODULE}
")
    add_test(NAME mech_enumerate_ntlmssp
      COMMAND orbi_mech_enumerate ${ORBI_MECH_OID})
    add_test(NAME mech_client_ntlmssp COMMAND orbi_mech_client)
    set_tests_properties(mech_enumerate_ntlmssp mech_client_ntlmssp PROPERTIES
      ENVIRONMENT "GSS_MECH_CONFIG=${_orbi_two_mechs};${_orbi_clients_env}"
      FAIL_REGULAR_EXPRESSION "FAIL: " TIMEOUT 300)
    if(ORBI_MEMCHECK)
      # The enumeration calls into gss-ntlmssp's module too.
      add_test(NAME mech_enumerate_ntlmssp_memcheck
        COMMAND ${ORBI_MEMCHECK}
          --suppressions=${_orbi_clients_dir}/valgrind.supp
          $<TARGET_FILE:orbi_mech_enumerate> ${ORBI_MECH_OID})
      set_tests_properties(mech_enumerate_ntlmssp_memcheck PROPERTIES
        ENVIRONMENT "GSS_MECH_CONFIG=${_orbi_two_mechs};${_orbi_clients_env}"
        FAIL_REGULAR_EXPRESSION "FAIL: " TIMEOUT 600)
    endif()
  else()
    message(STATUS "mech: gss-ntlmssp not installed; no test beside it")
  endif()

  # The system's python3, whose python3-gssapi Debian installs.
  find_program(ORBI_SYSTEM_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(ORBI_SYSTEM_PYTHON3)
    execute_process(COMMAND ${ORBI_SYSTEM_PYTHON3} -c "import gssapi"
      RESULT_VARIABLE _orbi_no_python_gssapi OUTPUT_QUIET ERROR_QUIET)
  endif()
  # A sanitizer build's module needs its runtime loaded first, which an
  # uninstrumented python does not do: the python client runs in plain
  # builds, where valgrind and the C clients cover the rest.
  if(ORBI_SYSTEM_PYTHON3 AND _orbi_no_python_gssapi EQUAL 0 AND
     NOT "${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS}" MATCHES "-fsanitize")
    # The minor statuses and attributes come from the module's lists.
    add_test(NAME mech_python
      COMMAND ${ORBI_SYSTEM_PYTHON3} ${_orbi_clients_dir}/python_client.py
        ${ORBI_MECH_OID} ${PROJECT_SOURCE_DIR}/mech/minor_status.def
        ${PROJECT_SOURCE_DIR}/mech/name_attributes.def)
    set_tests_properties(mech_python PROPERTIES
      ENVIRONMENT "GSS_MECH_CONFIG=${ORBI_MECH_BUILD_CONFIG};${_orbi_clients_env}"
      TIMEOUT 300)
  else()
    message(STATUS "mech: python3-gssapi not installed; mech_python not registered")
  endif()
endif()
