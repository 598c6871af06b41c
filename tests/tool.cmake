# The orbi-name tool run as a process, one test per group of cases
# (tests/tool/tool_test.sh).
if(TARGET orbi-name)
  find_program(ORBI_BASH bash REQUIRED)
  foreach(group IN ITEMS show export inspect expand oid input type json trace usage)
    add_test(NAME tool_${group}
      COMMAND ${ORBI_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/tool/tool_test.sh
        $<TARGET_FILE:orbi-name> ${PROJECT_VERSION} ${group})
    # The build's OID arc, dotted and as DER content octets in hex.
    set_tests_properties(tool_${group} PROPERTIES
      ENVIRONMENT "ORBI_TEST_ARC=${ORBI_OID_ARC};ORBI_TEST_ARC_HEX=${ORBI_OID_ARC_HEX}"
      FAIL_REGULAR_EXPRESSION "FAIL: "
      TIMEOUT 120)
  endforeach()
endif()
