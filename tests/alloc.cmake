# Allocation-failure suites.
#
# orbi_name_seam is a second build of the library and its services, for these
# suites only, in which every allocation the library makes reaches the seam of
# tests/alloc/alloc_seam.cc: the link wraps the C allocator and operator
# new/delete, so the library's code stays plain. The real libraries are built
# and linked without it.
set(_orbi_alloc_dir ${CMAKE_CURRENT_SOURCE_DIR}/alloc)

# The same objects as the real libraries, linked once more with the seam.
add_library(orbi_name_seam SHARED
  $<TARGET_OBJECTS:orbi_name_objects>
  $<TARGET_OBJECTS:orbi_services_objects>
  $<TARGET_OBJECTS:orbi_der>
  ${_orbi_alloc_dir}/alloc_seam.cc)
target_include_directories(orbi_name_seam PUBLIC
  $<TARGET_PROPERTY:orbi_name_objects,INTERFACE_INCLUDE_DIRECTORIES>
  ${_orbi_alloc_dir})
target_link_libraries(orbi_name_seam
  PUBLIC orbi_services_interface
  PRIVATE orbi_name_warnings)
# The suites call the public classes, the services and the seam controls
# through this one library; the library's own internals stay hidden.
set(_orbi_wrapped
  malloc calloc realloc free
  _Znwm _Znam _ZnwmRKSt9nothrow_t _ZnamRKSt9nothrow_t
  _ZdlPv _ZdaPv _ZdlPvm _ZdaPvm _ZdlPvRKSt9nothrow_t _ZdaPvRKSt9nothrow_t)
list(TRANSFORM _orbi_wrapped PREPEND "LINKER:--wrap=")
target_link_options(orbi_name_seam PRIVATE ${_orbi_wrapped})

# Every tests/alloc/*_test.cc is a suite linked to the seam build instead of
# the real library. test_support.cc is compiled in again: linking the real
# library too would put two copies of every class in the process.
orbi_test_suites(${_orbi_alloc_dir}
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/test_support.cc
  LINK orbi_name_seam GTest::gtest)

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

# The tool's messages when the library runs out of memory: its parts linked
# with the seam build (and the DER module the tool compiles in), not the real
# library.
if(TARGET orbi_tool)
  add_executable(tool_alloc_test ${_orbi_alloc_dir}/tool_alloc.cc
    $<TARGET_OBJECTS:orbi_tool> $<TARGET_OBJECTS:orbi_der>)
  target_include_directories(tool_alloc_test PRIVATE
    ${PROJECT_SOURCE_DIR}/tools/src)
  target_link_libraries(tool_alloc_test PRIVATE orbi_name_seam
    orbi_name_internal GTest::gtest GTest::gtest_main orbi_name_warnings)
  gtest_discover_tests(tool_alloc_test DISCOVERY_TIMEOUT 60)
endif()
