# The hardening of the installed binaries as built (cmake/hardening.cmake),
# read from their ELF headers, symbols and code by
# tests/hardening/check_elf.sh; the packages test reads the packaged ones
# the same way (tests/packages.cmake).
if(NOT ORBI_NAME_HARDENING_EXPECT)
  message(STATUS "hardening test not registered: no hardening in this build")
else()
  find_program(ORBI_BASH bash REQUIRED)
  set(_orbi_hardened $<TARGET_FILE:orbi_name> $<TARGET_FILE:orbi_services>)
  foreach(_orbi_target IN ITEMS orbi-name orbi_mech orbi_mech_heimdal)
    if(TARGET ${_orbi_target})
      list(APPEND _orbi_hardened $<TARGET_FILE:${_orbi_target}>)
    endif()
  endforeach()
  string(REPLACE ";" "," _orbi_expect "${ORBI_NAME_HARDENING_EXPECT}")
  add_test(NAME hardening_build
    COMMAND ${ORBI_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/hardening/check_elf.sh
      --expect ${_orbi_expect} ${_orbi_hardened})
  set_tests_properties(hardening_build PROPERTIES
    FAIL_REGULAR_EXPRESSION "FAIL: ")
endif()
