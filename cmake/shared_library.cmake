# orbi_shared_library(NAME OBJECTS objects ALIAS alias [EXPORT_NAME name]
#                     [LINKS libs...]): the shared library NAME, linked from
# the object library OBJECTS and the DER module, with the public headers of
# the current source directory's include/ (installed to the include
# directory), C++17 for its consumers, the project's version and SONAME, and
# the ALIAS target that consumers inside the build use, and the hardening
# flags. LINKS are its public link dependencies. Both installed libraries
# are made this way.
function(orbi_shared_library name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "OBJECTS;ALIAS;EXPORT_NAME" "LINKS")
  add_library(${name} SHARED $<TARGET_OBJECTS:${arg_OBJECTS}>
    $<TARGET_OBJECTS:orbi_der>)
  add_library(${arg_ALIAS} ALIAS ${name})
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${CMAKE_CURRENT_SOURCE_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  # The public headers are C++17; a consumer's target is raised to it.
  target_compile_features(${name} PUBLIC cxx_std_17)
  target_link_libraries(${name} PUBLIC ${arg_LINKS}
    PRIVATE orbi_name_hardening)
  set_target_properties(${name} PROPERTIES
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR})
  if(arg_EXPORT_NAME)
    set_target_properties(${name} PROPERTIES EXPORT_NAME ${arg_EXPORT_NAME})
  endif()
endfunction()
