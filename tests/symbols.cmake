# The exported dynamic symbols of liborbi_name.so: only the three public
# classes, the status functions and the exported data (tests/symbols/check_symbols.cmake).
add_test(NAME exported_symbols
  COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM} -DLIBRARY=$<TARGET_FILE:orbi_name>
    -P ${CMAKE_CURRENT_SOURCE_DIR}/symbols/check_symbols.cmake)
