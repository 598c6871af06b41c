# Checked before project() when the fuzz targets are on: the fuzz preset names
# clang++ as the compiler and passes -fsanitize=fuzzer-no-link,address,undefined
# in its flags, so project()'s compiler checks already link against clang's
# sanitizer runtimes. Without them CMake would only say that the compiler
# "is not able to compile a simple test program"; this says which package is
# missing.
if(NOT CMAKE_CXX_COMPILER)
  return()  # no compiler named: fuzz/CMakeLists.txt asks for clang after project()
endif()

find_program(_orbi_fuzz_cxx NAMES ${CMAKE_CXX_COMPILER} NO_CACHE)
if(NOT _orbi_fuzz_cxx)
  orbi_name_missing_dependency("The compiler ${CMAKE_CXX_COMPILER}"
    "the fuzz targets" "clang")
endif()

execute_process(COMMAND ${_orbi_fuzz_cxx} -print-runtime-dir
  OUTPUT_VARIABLE _orbi_fuzz_runtime_dir OUTPUT_STRIP_TRAILING_WHITESPACE
  RESULT_VARIABLE _orbi_fuzz_result ERROR_QUIET)
if(_orbi_fuzz_result EQUAL 0)
  # The runtime file names carry the architecture (libclang_rt.fuzzer-x86_64.a)
  # or sit in a per-target directory (libclang_rt.fuzzer.a), by clang version.
  file(GLOB _orbi_fuzz_runtimes "${_orbi_fuzz_runtime_dir}/libclang_rt.fuzzer*.a")
  if(NOT _orbi_fuzz_runtimes)
    execute_process(COMMAND ${_orbi_fuzz_cxx} -dumpversion
      OUTPUT_VARIABLE _orbi_fuzz_version OUTPUT_STRIP_TRAILING_WHITESPACE
      ERROR_QUIET)
    string(REGEX MATCH "^[0-9]+" _orbi_fuzz_major "${_orbi_fuzz_version}")
    orbi_name_missing_dependency(
      "clang's libFuzzer runtime (libclang_rt.fuzzer, looked for in ${_orbi_fuzz_runtime_dir})"
      "the fuzz targets" "libclang-rt-${_orbi_fuzz_major}-dev")
  endif()
endif()
