# The orbi-name tool: its pure parts as GoogleTest suites (tests/tool/*_test.cc,
# linked with the tool's object library), and the tool run as a process, one
# test per group of cases (tests/tool/tool_test.sh), for what only a process
# shows.
if(TARGET orbi_tool)
  orbi_test_suites(${CMAKE_CURRENT_SOURCE_DIR}/tool PREFIX tool LINK orbi_tool)
endif()

if(TARGET orbi-name)
  find_program(ORBI_BASH bash REQUIRED)
  # The OID table's entries (index, dotted text, role), printed from the
  # table's one list for the tool's test to read.
  add_executable(orbi_oid_table_list
    ${CMAKE_CURRENT_SOURCE_DIR}/tool/oid_table_list.cc)
  target_link_libraries(orbi_oid_table_list PRIVATE orbi_services_internal
    orbi_name_warnings)
  foreach(group IN ITEMS show export inspect expand oid input type json trace usage)
    add_test(NAME tool_${group}
      COMMAND ${ORBI_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/tool/tool_test.sh
        $<TARGET_FILE:orbi-name> ${PROJECT_VERSION} ${group})
    # The build's OID arc, dotted and as DER content octets in hex, and the
    # program that lists the OID table.
    set_tests_properties(tool_${group} PROPERTIES
      ENVIRONMENT "ORBI_TEST_ARC=${ORBI_OID_ARC};ORBI_TEST_ARC_HEX=${ORBI_OID_ARC_HEX};ORBI_TEST_OID_TABLE_LIST=$<TARGET_FILE:orbi_oid_table_list>"
      FAIL_REGULAR_EXPRESSION "FAIL: "
      TIMEOUT 120)
  endforeach()
endif()
