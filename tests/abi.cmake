# The ABI of the two public libraries against the descriptions checked in
# as tests/abi/<soname>.abi (tests/abi/check_abi.cmake, libabigail's abidw
# and abidiff): abi_liborbi_name and abi_liborbi_services fail on an
# incompatible change and pass, with a note, on an addition; and against
# the ABI of each release as it shipped (tests/abi/releases/<version>/),
# from which nothing may be removed or changed while the soname is the
# same. The update_abi
# target rewrites both descriptions from this build. abidw reads the types
# from the debug information, so the tests need a build that has it.
string(TOUPPER "${CMAKE_BUILD_TYPE}" _orbi_abi_config)
if(NOT "${CMAKE_CXX_FLAGS} ${CMAKE_CXX_FLAGS_${_orbi_abi_config}}" MATCHES "(^| )-g")
  message(STATUS "ABI tests not registered: this build has no debug information")
  return()
endif()
find_program(ORBI_ABIDW abidw)
find_program(ORBI_ABIDIFF abidiff)
mark_as_advanced(ORBI_ABIDW ORBI_ABIDIFF)
foreach(_orbi_tool IN ITEMS ORBI_ABIDW ORBI_ABIDIFF)
  if(NOT EXISTS "${${_orbi_tool}}")
    string(TOLOWER "${_orbi_tool}" _orbi_name)
    string(REPLACE "orbi_" "" _orbi_name "${_orbi_name}")
    orbi_name_missing_dependency("${_orbi_name}" "the ABI tests" abigail-tools)
  endif()
endforeach()

set(_orbi_abi_update "cmake --build <build dir> --target update_abi")
set(_orbi_abi_writes "")
foreach(_orbi_library IN ITEMS orbi_name orbi_services)
  set(_orbi_headers ${PROJECT_SOURCE_DIR}/services/include)
  if(_orbi_library STREQUAL "orbi_name")
    list(PREPEND _orbi_headers ${PROJECT_SOURCE_DIR}/orbi_name/include)
  endif()
  string(REPLACE ";" "," _orbi_headers "${_orbi_headers}")
  set(_orbi_abi_args
    -DABIDW=${ORBI_ABIDW}
    -DABIDIFF=${ORBI_ABIDIFF}
    -DLIBRARY=$<TARGET_FILE:${_orbi_library}>
    -DREFERENCE=${CMAKE_CURRENT_SOURCE_DIR}/abi/$<TARGET_SONAME_FILE_NAME:${_orbi_library}>.abi
    -DWORK=${CMAKE_CURRENT_BINARY_DIR}/abi
    -DHEADERS=${_orbi_headers}
    -DSUPPRESSIONS=${CMAKE_CURRENT_SOURCE_DIR}/abi/abi.suppr
    -DRELEASES=${CMAKE_CURRENT_SOURCE_DIR}/abi/releases
    -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
    -DBINARY_DIR=${PROJECT_BINARY_DIR}
    "-DUPDATE=${_orbi_abi_update}")
  add_test(NAME abi_lib${_orbi_library}
    COMMAND ${CMAKE_COMMAND} -DMODE=check ${_orbi_abi_args}
      -P ${CMAKE_CURRENT_SOURCE_DIR}/abi/check_abi.cmake)
  list(APPEND _orbi_abi_writes
    COMMAND ${CMAKE_COMMAND} -DMODE=write ${_orbi_abi_args}
      -P ${CMAKE_CURRENT_SOURCE_DIR}/abi/check_abi.cmake)
endforeach()
add_custom_target(update_abi ${_orbi_abi_writes}
  DEPENDS orbi_name orbi_services
  COMMENT "Writing tests/abi/*.abi from this build"
  VERBATIM)
