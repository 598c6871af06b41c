# The fuzz targets' corpora as ordinary test cases: every fuzz/*_fuzzer.cc is
# built once more with fuzz/replay_main.cc in place of libFuzzer, under the
# build's own compiler and sanitizers, and every file of
# fuzz/corpus/<target>/ becomes one test case.
set(_orbi_fuzz_dir ${PROJECT_SOURCE_DIR}/fuzz)
file(GLOB _orbi_replay_targets CONFIGURE_DEPENDS ${_orbi_fuzz_dir}/*_fuzzer.cc)
foreach(source IN LISTS _orbi_replay_targets)
  get_filename_component(target ${source} NAME_WE)
  add_executable(${target}_replay ${source} ${_orbi_fuzz_dir}/replay_main.cc)
  target_link_libraries(${target}_replay PRIVATE orbi_name::orbi_name
    orbi_name_warnings)
  file(GLOB _orbi_corpus CONFIGURE_DEPENDS ${_orbi_fuzz_dir}/corpus/${target}/*)
  foreach(input IN LISTS _orbi_corpus)
    get_filename_component(input_name ${input} NAME)
    add_test(NAME fuzz_replay.${target}.${input_name}
      COMMAND ${target}_replay ${input})
  endforeach()
endforeach()
