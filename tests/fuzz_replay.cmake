# The fuzz targets' corpora as ordinary tests: every fuzz/*_fuzzer.cc is built
# once more with fuzz/replay_main.cc in place of libFuzzer, under the build's
# own compiler and sanitizers, and replays its whole corpus directory,
# fuzz/corpus/<target>/, as one test (fuzz_replay.<target>). A failing input
# is named in the test's output.
set(_orbi_fuzz_dir ${PROJECT_SOURCE_DIR}/fuzz)
file(GLOB _orbi_replay_targets CONFIGURE_DEPENDS ${_orbi_fuzz_dir}/*_fuzzer.cc)
# The module's entry points need MIT's GSS-API headers (mech/CMakeLists.txt).
if(NOT TARGET orbi_mech_objects)
  list(REMOVE_ITEM _orbi_replay_targets
    ${_orbi_fuzz_dir}/mech_import_name_fuzzer.cc)
endif()
foreach(source IN LISTS _orbi_replay_targets)
  get_filename_component(target ${source} NAME_WE)
  add_executable(${target}_replay ${source} ${_orbi_fuzz_dir}/replay_main.cc)
  target_link_libraries(${target}_replay PRIVATE orbi_name::orbi_name
    orbi_name_internal orbi_name_warnings)
  set(_orbi_corpus ${_orbi_fuzz_dir}/corpus/${target})
  if(NOT IS_DIRECTORY ${_orbi_corpus})
    message(STATUS "fuzz replay: ${target} has no corpus in fuzz/corpus/${target}/")
    continue()
  endif()
  add_test(NAME fuzz_replay.${target} COMMAND ${target}_replay ${_orbi_corpus})
endforeach()
target_sources(standard_token_fuzzer_replay PRIVATE
  ${PROJECT_SOURCE_DIR}/mech/standard_name_token.cc)
target_link_libraries(standard_token_fuzzer_replay PRIVATE orbi_der)
if(TARGET orbi_mech_objects)
  target_sources(mech_import_name_fuzzer_replay PRIVATE
    $<TARGET_OBJECTS:orbi_mech_objects> ${PROJECT_SOURCE_DIR}/mech/mit_glue.cc)
  target_link_libraries(mech_import_name_fuzzer_replay PRIVATE
    orbi_name::services orbi_der orbi_mit_gssapi_headers orbi_build_oids)
endif()
