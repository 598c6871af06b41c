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
# What is checked is the packages a configure looks up, not the compilers.
# So only the tool preset's configure starts from nothing; each of the
# default preset's configures starts from what that one found out about the
# compilers (both presets build with the same compilers and flags), as a
# second configure of a build tree does: CMake's description of the
# compilers (CMakeFiles/<version>/) and the cache entries of CMake's own
# (CMAKE_*: the platform, the compilers, the tools that go with them) and of
# the compiler checks (those whose help text is "Test <name>", as CMake's
# Check* modules keep them), without the switches that hide packages and
# the entries that describe the tool configure's own build tree. So
# the compilers are not identified and the check programs not compiled
# again, which is most of a configure's time, while every package is
# looked up as in a first configure.
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
# in the caller. With `seed` set, the scratch dir starts from the compilers
# that the tool configure found (seed_compilers).
function(configure preset dir)
  file(REMOVE_RECURSE ${dir})
  if(seed)
    file(COPY ${seed_files} DESTINATION ${dir}/CMakeFiles/${CMAKE_VERSION})
    file(WRITE ${dir}/CMakeCache.txt "${seed_cache}")
  endif()
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

# seed_compilers(<build dir>): sets `seed_files` to CMake's description of
# the compilers in <build dir> and `seed_cache` to the entries of its cache
# that the compilers and the compiler checks gave (see above).
function(seed_compilers dir)
  set(files)
  foreach(name IN ITEMS CMakeSystem.cmake CMakeCCompiler.cmake CMakeCXXCompiler.cmake)
    set(file ${dir}/CMakeFiles/${CMAKE_VERSION}/${name})
    if(NOT EXISTS ${file})
      message(FATAL_ERROR "the tool configure wrote no ${file}")
    endif()
    list(APPEND files ${file})
  endforeach()
  # Split into lines as a CMake list; ';', '[', ']' and '\', which would
  # split or join its elements, are replaced by marks meanwhile.
  file(READ ${dir}/CMakeCache.txt text)
  foreach(char IN ITEMS "\\" ";" "[" "]")
    string(SHA1 mark "${char}")
    string(REPLACE "${char}" "@${mark}@" text "${text}")
  endforeach()
  string(REPLACE "\n" ";" lines "${text}")
  set(cache "")
  set(tested "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^CMAKE_" AND
        NOT line MATCHES "^CMAKE_(DISABLE_FIND_PACKAGE_|CACHEFILE_DIR:)|^[^=]*:STATIC=")
      string(APPEND cache "${line}\n")
    elseif(tested AND line MATCHES "^${tested}:INTERNAL=")
      string(APPEND cache "${line}\n")
    endif()
    set(tested "")
    if(line MATCHES "^//Test ([A-Za-z0-9_]+)$")
      set(tested ${CMAKE_MATCH_1})
    endif()
  endforeach()
  foreach(char IN ITEMS "\\" ";" "[" "]")
    string(SHA1 mark "${char}")
    string(REPLACE "@${mark}@" "${char}" cache "${cache}")
  endforeach()
  set(seed_files ${files} PARENT_SCOPE)
  set(seed_cache "${cache}" PARENT_SCOPE)
endfunction()
seed_compilers(${WORK_DIR}/tool)
set(seed TRUE)

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
