# Checks orbi_mech.so as the glue meets it: it defines exactly its entry
# points (names, name attributes, mechanism inquiries, status texts) and no
# other dynamic symbol, has no soname, needs the
# name library and its services but not the glue (which the process that
# loads it already holds), and names a RUNPATH to find them. EXTRA, a
# comma-separated list, names the entry points a module for another glue
# defines besides (orbi_mech_heimdal.so).
#
# cmake -DNM=nm -DOBJDUMP=objdump -DMODULE=orbi_mech.so [-DEXTRA=a,b]
#   -P check_mech_symbols.cmake

set(expected
  gss_compare_name
  gss_delete_name_attribute
  gss_display_name
  gss_display_status
  gss_duplicate_name
  gss_export_name
  gss_export_name_composite
  gss_get_name_attribute
  gss_import_name
  gss_inquire_attrs_for_mech
  gss_inquire_name
  gss_inquire_names_for_mech
  gss_inquire_saslname_for_mech
  gss_internal_release_oid
  gss_release_name
  gss_set_name_attribute)
if(EXTRA)
  string(REPLACE "," ";" extra "${EXTRA}")
  list(APPEND expected ${extra})
endif()
get_filename_component(module_name "${MODULE}" NAME)
include(${CMAKE_CURRENT_LIST_DIR}/../symbols/dynamic_symbols.cmake)
orbi_dynamic_symbols(${MODULE} exported)
set(found "")
set(failures "")
foreach(symbol IN LISTS exported)
  list(FIND expected "${symbol}" index)
  if(index EQUAL -1)
    list(APPEND failures "exports ${symbol}")
  else()
    list(APPEND found "${symbol}")
  endif()
endforeach()
foreach(symbol IN LISTS expected)
  list(FIND found "${symbol}" index)
  if(index EQUAL -1)
    list(APPEND failures "does not export ${symbol}")
  endif()
endforeach()

execute_process(COMMAND ${OBJDUMP} -p ${MODULE}
  OUTPUT_VARIABLE headers RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${MODULE}: ${result}")
endif()
if(headers MATCHES "SONAME")
  list(APPEND failures "has a soname")
endif()
foreach(library IN ITEMS liborbi_name liborbi_services)
  if(NOT headers MATCHES "NEEDED +${library}\\.so")
    list(APPEND failures "does not need ${library}")
  endif()
endforeach()
if(headers MATCHES "NEEDED +libgssapi")
  list(APPEND failures "needs the glue")
endif()
if(NOT headers MATCHES "RUNPATH")
  list(APPEND failures "has no RUNPATH")
endif()

if(failures)
  list(JOIN failures "\n  " text)
  message(FATAL_ERROR "${module_name}:\n  ${text}")
endif()
list(LENGTH expected count)
message(STATUS "${module_name} exports its ${count} entry points only")
