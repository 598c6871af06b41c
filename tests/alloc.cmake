# Allocation-failure suites.
#
# orbi_name_seam is a second build of the library and its services, for these
# suites only, in which every allocation the library makes reaches the seam of
# tests/alloc/alloc_seam.cc: the link wraps the C allocator and operator
# new/delete, so the library's code stays plain. The real libraries are built
# and linked as before.
get_property(_orbi_seam_name_sources GLOBAL PROPERTY ORBI_NAME_SOURCES_ABS)
get_property(_orbi_seam_services_sources GLOBAL PROPERTY ORBI_SERVICES_SOURCES_ABS)

set(_orbi_alloc_dir ${CMAKE_CURRENT_SOURCE_DIR}/alloc)

add_library(orbi_name_seam SHARED
  ${_orbi_seam_name_sources}
  ${_orbi_seam_services_sources}
  ${_orbi_alloc_dir}/alloc_seam.cc)
target_include_directories(orbi_name_seam
  PUBLIC
    $<TARGET_PROPERTY:orbi_name,INTERFACE_INCLUDE_DIRECTORIES>
    $<TARGET_PROPERTY:orbi_services,INTERFACE_INCLUDE_DIRECTORIES>
    ${_orbi_alloc_dir}
  PRIVATE
    $<TARGET_PROPERTY:orbi_name,INCLUDE_DIRECTORIES>)
target_compile_definitions(orbi_name_seam
  PRIVATE $<TARGET_PROPERTY:orbi_name,COMPILE_DEFINITIONS>)
target_link_libraries(orbi_name_seam
  PUBLIC Threads::Threads
  PRIVATE orbi_name_warnings)
# Symbols keep default visibility: the suites call the services and the seam
# controls through this one library.
set(_orbi_wrapped
  malloc calloc realloc free
  _Znwm _Znam _ZnwmRKSt9nothrow_t _ZnamRKSt9nothrow_t
  _ZdlPv _ZdaPv _ZdlPvm _ZdaPvm _ZdlPvRKSt9nothrow_t _ZdaPvRKSt9nothrow_t)
list(TRANSFORM _orbi_wrapped PREPEND "LINKER:--wrap=")
target_link_options(orbi_name_seam PRIVATE ${_orbi_wrapped})

# Every tests/alloc/*_test.cc is a suite linked to the seam build instead of
# the real library. test_support.cc is compiled in again: linking the real
# library too would put two copies of every class in the process.
file(GLOB _orbi_alloc_suites CONFIGURE_DEPENDS ${_orbi_alloc_dir}/*_test.cc)
foreach(source IN LISTS _orbi_alloc_suites)
  get_filename_component(suite ${source} NAME_WE)
  add_executable(${suite} ${source} ${CMAKE_CURRENT_SOURCE_DIR}/test_support.cc)
  target_include_directories(${suite} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${suite} PRIVATE orbi_name_seam GTest::gtest
    GTest::gtest_main orbi_name_warnings)
  gtest_discover_tests(${suite} DISCOVERY_TIMEOUT 60)
endforeach()

# The guard: the real libraries must not import an allocating C function that
# the seam cannot see. It reads their dynamic symbol tables with nm.
add_library(alloc_guard_probe SHARED ${_orbi_alloc_dir}/guard_probe.cc)
add_executable(alloc_imports_guard ${_orbi_alloc_dir}/imports_guard.cc)
target_link_libraries(alloc_imports_guard PRIVATE GTest::gtest
  GTest::gtest_main orbi_name_warnings)
target_compile_definitions(alloc_imports_guard PRIVATE
  ORBI_NM="${CMAKE_NM}"
  ORBI_NAME_LIBRARY="$<TARGET_FILE:orbi_name>"
  ORBI_SERVICES_LIBRARY="$<TARGET_FILE:orbi_services>"
  ORBI_GUARD_PROBE="$<TARGET_FILE:alloc_guard_probe>")
add_dependencies(alloc_imports_guard orbi_name orbi_services alloc_guard_probe)
gtest_discover_tests(alloc_imports_guard DISCOVERY_TIMEOUT 60)
