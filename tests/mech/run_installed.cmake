# Installs the build tree's runtime into a scratch prefix and runs the
# mechanism client against the install: the glue reads the installed
# orbi.conf, opens the installed orbi_mech.so, and that finds the installed
# libraries through its RUNPATH.
#
# cmake -DBUILD_DIR=... -DWORK_DIR=... -DLIBDIR=lib -DSYSCONFDIR=etc
#       -DOBJDUMP=objdump -DCLIENT=orbi_mech_client -DKRB5_CONFIG=...
#       -P run_installed.cmake

function(fail text)
  message(FATAL_ERROR "FAIL: ${text}")
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
# The libraries (runtime) and the module with orbi.conf (mech).
foreach(component IN ITEMS runtime mech)
  execute_process(
    COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
      --component ${component}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0)
    fail("cmake --install --component ${component}: ${result}\n${out}")
  endif()
endforeach()

set(module ${prefix}/${LIBDIR}/gss/orbi_mech.so)
set(conf ${prefix}/${SYSCONFDIR}/gss/mech.d/orbi.conf)
if(NOT EXISTS ${module})
  fail("no ${module}")
endif()
if(NOT EXISTS ${conf})
  fail("no ${conf}")
endif()
file(READ ${conf} line)
if(NOT line STREQUAL "orbi ${MECH_OID} ${module}\n")
  fail("${conf} reads '${line}'")
endif()

execute_process(COMMAND ${OBJDUMP} -p ${module} OUTPUT_VARIABLE headers)
if(NOT headers MATCHES "RUNPATH +\\$ORIGIN/\\.\\.\n")
  fail("the installed module's RUNPATH is not $ORIGIN/..")
endif()

# LD_DEBUG=libs shows from where each library is initialised: the name
# library must come from the prefix, not from the build tree.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env GSS_MECH_CONFIG=${conf}
    KRB5_CONFIG=${KRB5_CONFIG} LD_DEBUG=libs ${CLIENT}
  RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE debug)
message(STATUS "${out}")
if(NOT result EQUAL 0)
  fail("the client against the install: ${result}")
endif()
# The loader names a library found through $ORIGIN/.. by the path it tried
# (<libdir>/gss/../liborbi_name.so.1), so any path below the prefix counts.
string(REGEX REPLACE "([][+.*()^$?|\\])" "\\\\\\1" prefix_pattern
  "${prefix}")
foreach(library IN ITEMS liborbi_name liborbi_services orbi_mech)
  if(NOT debug MATCHES "calling init: ${prefix_pattern}/[^\n]*${library}\\.so")
    fail("${library} was not loaded from ${prefix}")
  endif()
endforeach()
