# scripts/setup.sh, which README's two commands and .ci/run use to install
# what a machine lacks, run on a machine whose build tools and test packages
# are hidden (tests/setup/setup_test.sh): it says what it installs, asks
# apt-get for exactly what is missing, through sudo when not root.
find_program(ORBI_BASH bash)
if(ORBI_BASH)
  add_test(NAME setup_script
    COMMAND ${ORBI_BASH} ${CMAKE_CURRENT_SOURCE_DIR}/setup/setup_test.sh
      ${PROJECT_SOURCE_DIR}/scripts/setup.sh)
  set_tests_properties(setup_script PROPERTIES
    FAIL_REGULAR_EXPRESSION "FAIL: " TIMEOUT 120)
endif()
