# The exported dynamic symbols of liborbi_name.so: only the three public
# classes, the status functions and the exported data (tests/symbols/check_symbols.cmake).
add_test(NAME exported_symbols
  COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=$<TARGET_FILE:orbi_name>
    -P ${CMAKE_CURRENT_SOURCE_DIR}/symbols/check_symbols.cmake)

# The symbols file of liborbi-name1 (cmake/debian/symbols) against the
# symbols both libraries export (tests/symbols/debian_symbols.cmake): a
# dropped symbol fails, and so does one whose version is not the release
# that first shipped it (tests/abi/releases/ holds each release's ABI); a
# new one passes with a note. The update_symbols target rewrites the file
# from this build.
find_program(ORBI_DPKG dpkg)
mark_as_advanced(ORBI_DPKG)
set(_orbi_arch ${CMAKE_SYSTEM_PROCESSOR})
if(ORBI_DPKG)
  execute_process(COMMAND ${ORBI_DPKG} --print-architecture
    OUTPUT_VARIABLE _orbi_arch OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
set(_orbi_symbols_args
  -DNM=${CMAKE_NM}
  -DSYMBOLS_FILE=${PROJECT_SOURCE_DIR}/cmake/debian/symbols
  -DPACKAGE=liborbi-name${PROJECT_VERSION_MAJOR}
  -DDEV_PACKAGE=liborbi-name-dev
  -DVERSION=${PROJECT_VERSION}
  -DRELEASES=${CMAKE_CURRENT_SOURCE_DIR}/abi/releases
  -DARCH=${_orbi_arch}
  "-DUPDATE=cmake --build <build dir> --target update_symbols"
  "-DLIBRARIES=$<TARGET_SONAME_FILE_NAME:orbi_name>=$<TARGET_FILE:orbi_name>,$<TARGET_SONAME_FILE_NAME:orbi_services>=$<TARGET_FILE:orbi_services>")
add_test(NAME debian_symbols
  COMMAND ${CMAKE_COMMAND} -DMODE=check ${_orbi_symbols_args}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/symbols/debian_symbols.cmake)
add_custom_target(update_symbols
  COMMAND ${CMAKE_COMMAND} -DMODE=write ${_orbi_symbols_args}
    -P ${CMAKE_CURRENT_SOURCE_DIR}/symbols/debian_symbols.cmake
  DEPENDS orbi_name orbi_services
  COMMENT "Writing cmake/debian/symbols from this build"
  VERBATIM)
