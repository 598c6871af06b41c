# orbi_dynamic_symbols(FILE OUT [DEMANGLE]): sets OUT to the dynamic symbols
# that the shared object FILE defines, as ${NM} lists them (demangled with
# DEMANGLE), less those that the toolchain adds to every shared object or
# that sanitizer builds add. Stops the script when nm fails.
set(ORBI_TOOLCHAIN_SYMBOLS
  "^(_init|_fini|_edata|_end|__bss_start|__odr_asan[._].*|___asan_.*|__asan_.*|__ubsan_.*|__tsan_.*|__sancov_.*)$")

function(orbi_dynamic_symbols file out)
  set(flags -D --defined-only)
  list(FIND ARGN DEMANGLE demangle)
  if(NOT demangle EQUAL -1)
    list(APPEND flags -C)
  endif()
  execute_process(COMMAND ${NM} ${flags} ${file}
    OUTPUT_VARIABLE listing RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${file}: ${result}")
  endif()
  # Keep any semicolon in a name literal.
  string(REPLACE ";" "\\;" listing "${listing}")
  string(REPLACE "\n" ";" lines "${listing}")
  set(symbols "")
  foreach(line IN LISTS lines)
    # "ADDRESS TYPE NAME"; a demangled name may hold blanks.
    if(NOT line MATCHES "^[0-9a-fA-F]+ [A-Za-z] (.+)$")
      continue()
    endif()
    set(symbol "${CMAKE_MATCH_1}")
    if(NOT symbol MATCHES "${ORBI_TOOLCHAIN_SYMBOLS}")
      list(APPEND symbols "${symbol}")
    endif()
  endforeach()
  set(${out} "${symbols}" PARENT_SCOPE)
endfunction()
