# Suites of the name library's private, header-only helpers (orbi_name/src),
# compiled into the suite itself: no library is linked.
set(_orbi_internals_dir ${CMAKE_CURRENT_SOURCE_DIR}/internals)
file(GLOB _orbi_internals_suites CONFIGURE_DEPENDS
  ${_orbi_internals_dir}/*_test.cc)
foreach(source IN LISTS _orbi_internals_suites)
  get_filename_component(suite ${source} NAME_WE)
  add_executable(${suite} ${source})
  target_include_directories(${suite} PRIVATE ${PROJECT_SOURCE_DIR}/orbi_name/src)
  target_compile_features(${suite} PRIVATE cxx_std_17)
  target_link_libraries(${suite} PRIVATE GTest::gtest_main orbi_name_warnings)
  gtest_discover_tests(${suite} DISCOVERY_TIMEOUT 60)
endforeach()
