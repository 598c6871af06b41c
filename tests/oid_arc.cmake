# The configure-time OID encoder behind ORBI_OID_ARC and its refusals
# (tests/oid_arc/check_oid_der.cmake, a CMake script). The suites built here
# check the configured arc itself against the library (services_test).
add_test(NAME oid_arc_encoding
  COMMAND ${CMAKE_COMMAND} -DORBI_SOURCE_DIR=${PROJECT_SOURCE_DIR}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/oid_arc/check_oid_der.cmake)
set_tests_properties(oid_arc_encoding PROPERTIES
  FAIL_REGULAR_EXPRESSION "FAIL: " TIMEOUT 60)
