# The installed package as its users see it.
#
# MODE=consumer installs the build tree into a scratch prefix and builds and
# runs the consumer project against it through find_package and through
# pkg-config; then moves the installed tree to another directory, so that its
# first place no longer exists, and does both again there. The CMake package
# and the pkg-config file find their prefix from where they lie, so the moved
# tree must work as it is.
#
# MODE=install_dirs builds the source tree once and installs it with an
# absolute libdir or includedir, a table of cases, checking the directories
# the installed pkg-config file names: an absolute dir as it is, a relative
# one below the prefix, which follows the tree when the tree (with the
# pkg-config file in it) is moved.
#
# cmake -DMODE=consumer|install_dirs -DBUILD_DIR=... -DSOURCE_DIR=...
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

# Points pkg-config at the one orbi_name.pc below `root` (and nothing else).
function(use_pc_file_below root)
  file(GLOB_RECURSE pc_files ${root}/orbi_name.pc)
  list(LENGTH pc_files pc_count)
  if(NOT pc_count EQUAL 1)
    message(FATAL_ERROR "expected one orbi_name.pc under ${root}: ${pc_files}")
  endif()
  get_filename_component(pc_dir ${pc_files} DIRECTORY)
  set(ENV{PKG_CONFIG_PATH} ${pc_dir})
  set(ENV{PKG_CONFIG_LIBDIR} ${pc_dir})
endfunction()

# Fails unless pkg-config's `variable` of orbi_name names the directory
# `expected` (compared as real paths: the file may spell it through
# ${pcfiledir}/../..).
function(expect_pc_variable variable expected)
  run(${PKG_CONFIG} --variable=${variable} orbi_name)
  string(STRIP "${last_output}" got)
  file(REAL_PATH "${got}" got_real)
  file(REAL_PATH "${expected}" expected_real)
  if(NOT IS_DIRECTORY "${got_real}" OR NOT got_real STREQUAL expected_real)
    message(FATAL_ERROR "${variable} is '${got}', expected '${expected}'")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

if(MODE STREQUAL "install_dirs")
  # CMake refuses to export an include dir inside the source tree, where the
  # presets put the build trees, so the absolute includedir lies in the
  # system's temporary directory, under a name fixed per work dir so that a
  # failed run leaves no more than one behind.
  if(DEFINED ENV{TMPDIR} AND IS_DIRECTORY "$ENV{TMPDIR}")
    set(temp "$ENV{TMPDIR}")
  else()
    set(temp /tmp)
  endif()
  string(SHA1 work_hash "${WORK_DIR}")
  string(SUBSTRING ${work_hash} 0 12 work_hash)
  set(outside ${temp}/orbi_name-install-dirs-${work_hash})
  file(REMOVE_RECURSE ${outside})

  # case name; CMAKE_INSTALL_LIBDIR; CMAKE_INSTALL_INCLUDEDIR
  set(cases
    "absolute-libdir\;${WORK_DIR}/elsewhere/lib64\;include"
    "absolute-includedir\;lib\;${outside}/include")
  set(build ${WORK_DIR}/build)
  foreach(entry IN LISTS cases)
    list(GET entry 0 name)
    list(GET entry 1 libdir)
    list(GET entry 2 includedir)
    set(prefix ${WORK_DIR}/${name}/prefix)
    # The same build tree each time: only the install rules change.
    run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -G ${GENERATOR}
      -DCMAKE_CXX_COMPILER=${CXX}
      -DCMAKE_INSTALL_PREFIX=${prefix} -DCMAKE_INSTALL_LIBDIR=${libdir}
      -DCMAKE_INSTALL_INCLUDEDIR=${includedir}
      -DORBI_NAME_BUILD_TESTS=OFF -DORBI_NAME_BUILD_BENCHMARKS=OFF
      -DORBI_NAME_BUILD_TOOLS=OFF -DORBI_NAME_INSTALL=ON)
    run(${CMAKE_COMMAND} --build ${build} --target orbi_name --parallel 2)
    run(${CMAKE_COMMAND} --install ${build})

    # The pkg-config file lies in the libdir. Inside the tree, the tree is
    # moved first and the prefix must follow; in a fixed place, the prefix is
    # the one installed to.
    set(root ${prefix})
    if(IS_ABSOLUTE "${libdir}")
      use_pc_file_below(${libdir})
    else()
      set(root ${WORK_DIR}/${name}/moved/prefix)
      file(MAKE_DIRECTORY ${WORK_DIR}/${name}/moved)
      file(RENAME ${prefix} ${root})
      use_pc_file_below(${root})
    endif()
    foreach(dir IN ITEMS libdir includedir)
      if(IS_ABSOLUTE "${${dir}}")
        set(expected ${${dir}})
      else()
        set(expected ${root}/${${dir}})
      endif()
      expect_pc_variable(${dir} ${expected})
      message(STATUS "${name}: ${dir} ${expected}")
    endforeach()
  endforeach()
  file(REMOVE_RECURSE ${outside})
  return()
endif()

set(common -G ${GENERATOR} -DCMAKE_CXX_COMPILER=${CXX}
  -DCMAKE_CXX_FLAGS=${CXX_FLAGS} -DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS})

# Builds and runs the consumer against the tree installed at `root`, through
# find_package and through pkg-config (which reads only the installed
# orbi_name.pc).
function(build_consumers label root)
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/${label}-cmake ${common}
    -DCMAKE_PREFIX_PATH=${root} -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/${label}-cmake)
  run(${WORK_DIR}/${label}-cmake/consumer)
  message(STATUS "${label}, find_package: ${last_output}")

  use_pc_file_below(${root})
  file(GLOB_RECURSE library ${root}/liborbi_name.so)
  get_filename_component(libdir "${library}" DIRECTORY)
  expect_pc_variable(libdir "${libdir}")
  file(GLOB_RECURSE header ${root}/internal_name.h)
  get_filename_component(includedir "${header}/../.." ABSOLUTE)
  expect_pc_variable(includedir "${includedir}")
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/${label}-pkg-config
    ${common} -DCONSUMER_USE_PKG_CONFIG=ON -DPKG_CONFIG_EXECUTABLE=${PKG_CONFIG})
  run(${CMAKE_COMMAND} --build ${WORK_DIR}/${label}-pkg-config)
  run(${WORK_DIR}/${label}-pkg-config/consumer)
  message(STATUS "${label}, pkg-config: ${last_output}")
endfunction()

set(prefix ${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
build_consumers(installed ${prefix})

# Moved one level deeper, and the first place gone: nothing may still point
# there.
set(moved ${WORK_DIR}/moved/prefix)
file(MAKE_DIRECTORY ${WORK_DIR}/moved)
file(RENAME ${prefix} ${moved})
build_consumers(moved ${moved})
