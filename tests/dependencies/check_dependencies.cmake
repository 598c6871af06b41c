# Configures the source tree through its presets with the test packages
# hidden:
#  - the tool preset with all of them hidden must succeed: building and
#    running the tool needs none of them;
#  - the default preset with one of them hidden must fail with a message that
#    names the Debian package to install.
# A package is hidden with CMAKE_DISABLE_FIND_PACKAGE_<Package> (a REQUIRED
# find_package of a hidden package is itself an error, so no lookup escapes);
# pkg-config by naming a pkg-config that does not exist, since FindOpenSSL
# needs FindPkgConfig's functions even when there is no pkg-config; abidiff
# (the ABI tests) by naming one that does not exist.
#
# cmake -DSOURCE_DIR=... -DWORK_DIR=... -DC_COMPILER=... -DCXX_COMPILER=...
#       -P check_dependencies.cmake

# what is hidden, how, and the Debian package that provides it
set(cases
  "GTest\;-DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON\;libgtest-dev"
  "OpenSSL\;-DCMAKE_DISABLE_FIND_PACKAGE_OpenSSL=ON\;libssl-dev"
  "benchmark\;-DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON\;libbenchmark-dev"
  "pkg-config\;-DPKG_CONFIG_EXECUTABLE=${WORK_DIR}/no-such-pkg-config\;pkg-config"
  "abidiff\;-DORBI_ABIDIFF=${WORK_DIR}/no-such-abidiff\;abigail-tools")

# configure(<preset> <scratch dir> <arguments>...): sets `result` and `output`
# in the caller.
function(configure preset dir)
  file(REMOVE_RECURSE ${dir})
  execute_process(
    COMMAND ${CMAKE_COMMAND} --preset ${preset} -B ${dir}
      -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
      ${ARGN}
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(result ${code} PARENT_SCOPE)
  set(output "${out}" PARENT_SCOPE)
endfunction()

set(all_names)
set(all_hidden)
foreach(entry IN LISTS cases)
  list(GET entry 0 name)
  list(GET entry 1 hide)
  list(APPEND all_names ${name})
  list(APPEND all_hidden ${hide})
endforeach()

configure(tool ${WORK_DIR}/tool ${all_hidden})
if(NOT result EQUAL 0)
  message(FATAL_ERROR
    "the tool preset needs one of ${all_names}:\n${output}")
endif()
message(STATUS "tool preset: configured without ${all_names}")

set(failed FALSE)
foreach(entry IN LISTS cases)
  list(GET entry 0 name)
  list(GET entry 1 hide)
  list(GET entry 2 debian)
  configure(default ${WORK_DIR}/without-${name} ${hide})
  if(result EQUAL 0)
    message(SEND_ERROR "default preset without ${name}: configured")
    set(failed TRUE)
  elseif(NOT output MATCHES "apt-get install ${debian}\n")
    message(SEND_ERROR "default preset without ${name}: the message does not "
      "say 'apt-get install ${debian}':\n${output}")
    set(failed TRUE)
  else()
    message(STATUS "default preset without ${name}: names ${debian}")
  endif()
endforeach()
if(NOT failed)
  file(REMOVE_RECURSE ${WORK_DIR})
endif()
