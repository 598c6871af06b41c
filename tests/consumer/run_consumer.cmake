# Installs the build tree into a scratch prefix and builds and runs the
# consumer project against it twice: through find_package and through
# pkg-config. With MODE=absolute_libdir it instead builds and installs the
# source tree with an absolute CMAKE_INSTALL_LIBDIR outside the prefix and
# checks that the installed pkg-config file names that directory as it is.
#
# cmake -DMODE=consumer|absolute_libdir -DBUILD_DIR=... -DSOURCE_DIR=...
#       -DWORK_DIR=... -DGENERATOR=... -DCXX=... -DCXX_FLAGS=...
#       -DLINKER_FLAGS=... -DPKG_CONFIG=... -P run_consumer.cmake

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result
    OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${result}): ${command}\n${out}")
  endif()
  set(last_output "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

if(MODE STREQUAL "absolute_libdir")
  set(libdir ${WORK_DIR}/elsewhere/lib64)
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_CXX_COMPILER=${CXX}
    -DCMAKE_INSTALL_PREFIX=${prefix} -DCMAKE_INSTALL_LIBDIR=${libdir}
    -DORBI_NAME_BUILD_TESTS=OFF -DORBI_NAME_BUILD_BENCHMARKS=OFF
    -DORBI_NAME_BUILD_TOOLS=OFF -DORBI_NAME_INSTALL=ON)
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/build --target orbi_name)
  run(${CMAKE_COMMAND} --install ${WORK_DIR}/build)
  if(NOT EXISTS ${libdir}/pkgconfig/orbi_name.pc)
    message(FATAL_ERROR "no orbi_name.pc in ${libdir}/pkgconfig")
  endif()
  set(ENV{PKG_CONFIG_PATH} ${libdir}/pkgconfig)
  set(ENV{PKG_CONFIG_LIBDIR} ${libdir}/pkgconfig)
  run(${PKG_CONFIG} --variable=libdir orbi_name)
  string(STRIP "${last_output}" got)
  if(NOT got STREQUAL libdir)
    message(FATAL_ERROR "libdir is '${got}', expected '${libdir}'")
  endif()
  run(${PKG_CONFIG} --variable=includedir orbi_name)
  string(STRIP "${last_output}" got)
  if(NOT got STREQUAL "${prefix}/include")
    message(FATAL_ERROR "includedir is '${got}', expected '${prefix}/include'")
  endif()
  message(STATUS "absolute libdir kept: ${libdir}")
  return()
endif()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(common -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX}
  -DCMAKE_CXX_FLAGS=${CXX_FLAGS} -DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS})

# 1. find_package(orbi_name CONFIG)
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/with-cmake ${common}
  -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/with-cmake)
run(${WORK_DIR}/with-cmake/consumer)
message(STATUS "find_package: ${last_output}")

# 2. pkg-config, which reads only the installed orbi_name.pc.
file(GLOB_RECURSE pc_files ${prefix}/orbi_name.pc)
list(LENGTH pc_files pc_count)
if(NOT pc_count EQUAL 1)
  message(FATAL_ERROR "expected one orbi_name.pc under ${prefix}: ${pc_files}")
endif()
get_filename_component(pc_dir ${pc_files} DIRECTORY)
set(ENV{PKG_CONFIG_PATH} ${pc_dir})
set(ENV{PKG_CONFIG_LIBDIR} ${pc_dir})
run(${PKG_CONFIG} --cflags orbi_name)
if(NOT last_output MATCHES "-I${prefix}/include")
  message(FATAL_ERROR "pkg-config --cflags gives '${last_output}'")
endif()
run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/with-pkg-config ${common}
  -DCONSUMER_USE_PKG_CONFIG=ON -DPKG_CONFIG_EXECUTABLE=${PKG_CONFIG})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/with-pkg-config)
run(${WORK_DIR}/with-pkg-config/consumer)
message(STATUS "pkg-config: ${last_output}")
