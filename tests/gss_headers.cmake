# The library's headers beside the platform's GSS-API header, in both include
# orders, and with the library's own definitions of the RFC 2744 types
# (tests/gss_headers/). The two orders need MIT krb5's headers and library
# (libkrb5-dev); the third runs everywhere.
set(_orbi_gss_dir ${CMAKE_CURRENT_SOURCE_DIR}/gss_headers)

add_executable(gss_own_types_test ${_orbi_gss_dir}/own_types_test.cc)
target_link_libraries(gss_own_types_test PRIVATE orbi_name::orbi_name
  GTest::gtest_main orbi_name_warnings)
gtest_discover_tests(gss_own_types_test DISCOVERY_TIMEOUT 60)

find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(ORBI_TEST_GSSAPI QUIET IMPORTED_TARGET krb5-gssapi)
endif()
if(ORBI_TEST_GSSAPI_FOUND)
  foreach(order IN ITEMS platform_first library_first)
    add_executable(gss_${order}_test ${_orbi_gss_dir}/${order}_test.cc)
    target_link_libraries(gss_${order}_test PRIVATE orbi_name::orbi_name
      PkgConfig::ORBI_TEST_GSSAPI GTest::gtest_main orbi_name_warnings)
    gtest_discover_tests(gss_${order}_test TEST_PREFIX "${order}."
      DISCOVERY_TIMEOUT 60)
  endforeach()
else()
  message(STATUS "tests: krb5-gssapi (libkrb5-dev) not found; the include-order tests are skipped")
endif()
