# Suites of the DER module (der/: bounded byte cursors, the tag and length
# reader and the rules of OID content octets), linked with its object library
# alone.
set(_orbi_der_dir ${CMAKE_CURRENT_SOURCE_DIR}/der)
file(GLOB _orbi_der_suites CONFIGURE_DEPENDS ${_orbi_der_dir}/*_test.cc)
foreach(source IN LISTS _orbi_der_suites)
  get_filename_component(suite ${source} NAME_WE)
  add_executable(${suite} ${source})
  target_include_directories(${suite} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${suite} PRIVATE orbi_der GTest::gtest_main
    orbi_name_warnings)
  gtest_discover_tests(${suite} DISCOVERY_TIMEOUT 60)
endforeach()
