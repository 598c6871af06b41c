# The symbols file of liborbi-name1 (cmake/debian/symbols, dpkg's format):
# every symbol that liborbi_name.so.1 and liborbi_services.so.1 export, by
# its mangled name, with the version of the library that first exported it.
# dpkg-shlibdeps reads it to give a program built against the libraries the
# least version that has every symbol the program uses.
#
# MODE=check compares it with the build: a symbol the file lists and the
# build no longer exports fails (a program linked against an earlier
# build would not load); a symbol the build exports and the file lacks
# passes with a note that the file needs updating. MODE=write rewrites the
# file from the build, keeping each listed symbol's version and giving new
# ones VERSION.
#
# cmake -DNM=nm -DMODE=check|write -DSYMBOLS_FILE=... -DPACKAGE=liborbi-name1
#   -DDEV_PACKAGE=liborbi-name-dev -DVERSION=1.0.0 -DARCH=amd64
#   -DUPDATE="the command that rewrites the file"
#   -DLIBRARIES="SONAME=PATH,SONAME=PATH" -P debian_symbols.cmake
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/dynamic_symbols.cmake)
find_program(CXXFILT c++filt)

# demangle(<out> <symbol>): the symbol as C++ reads it, where c++filt is
# there to say.
function(demangle out symbol)
  set(text "${symbol}")
  if(CXXFILT)
    execute_process(COMMAND ${CXXFILT} "${symbol}" OUTPUT_VARIABLE text
      OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# The file as it is: file_sonames, and for each soname file_symbols_<soname>
# (mangled names) and version_<symbol>.
set(file_sonames "")
set(file_arch "")
if(EXISTS "${SYMBOLS_FILE}")
  file(STRINGS "${SYMBOLS_FILE}" lines)
  set(soname "")
  foreach(line IN LISTS lines)
    if(line MATCHES "^# Architecture: (.+)$")
      set(file_arch "${CMAKE_MATCH_1}")
    elseif(line MATCHES "^#" OR line STREQUAL "" OR line MATCHES "^\\* ")
      continue()
    elseif(line MATCHES "^([^ ]+) [^ ]+ #MINVER#$")
      set(soname "${CMAKE_MATCH_1}")
      list(APPEND file_sonames "${soname}")
      set(file_symbols_${soname} "")
    elseif(line MATCHES "^ ([^ ]+)@Base ([^ ]+)$" AND soname)
      list(APPEND file_symbols_${soname} "${CMAKE_MATCH_1}")
      set("version_${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
    else()
      message(FATAL_ERROR "${SYMBOLS_FILE}: cannot read the line '${line}'")
    endif()
  endforeach()
elseif(MODE STREQUAL "check")
  message(FATAL_ERROR "${SYMBOLS_FILE} does not exist; write it with: ${UPDATE}")
endif()

# The build's: build_sonames, build_symbols_<soname>.
set(build_sonames "")
string(REPLACE "," ";" LIBRARIES "${LIBRARIES}")
foreach(entry IN LISTS LIBRARIES)
  string(REGEX MATCH "^([^=]+)=(.+)$" matched "${entry}")
  set(soname "${CMAKE_MATCH_1}")
  set(path "${CMAKE_MATCH_2}")
  orbi_dynamic_symbols("${path}" symbols)
  list(SORT symbols)
  list(REMOVE_DUPLICATES symbols)
  list(APPEND build_sonames "${soname}")
  set(build_symbols_${soname} "${symbols}")
endforeach()

if(MODE STREQUAL "write")
  set(text "# The symbols that the shared libraries of ${PACKAGE} export, each with\n")
  string(APPEND text "# the version that first exported it (dpkg's symbols file; a symbol\n")
  string(APPEND text "# that is dropped breaks programs built against it and needs a new\n")
  string(APPEND text "# soname). Written from the build, checked against it by the\n")
  string(APPEND text "# debian_symbols test; after adding to the public interface:\n")
  string(APPEND text "#   ${UPDATE}\n")
  string(APPEND text "# Architecture: ${ARCH}\n")
  set(dropped "")
  foreach(soname IN LISTS build_sonames)
    string(APPEND text "${soname} ${PACKAGE} #MINVER#\n")
    string(APPEND text "* Build-Depends-Package: ${DEV_PACKAGE}\n")
    foreach(symbol IN LISTS build_symbols_${soname})
      if(DEFINED "version_${symbol}")
        set(since "${version_${symbol}}")
      else()
        set(since "${VERSION}")
      endif()
      string(APPEND text " ${symbol}@Base ${since}\n")
    endforeach()
    foreach(symbol IN LISTS file_symbols_${soname})
      if(NOT symbol IN_LIST build_symbols_${soname})
        demangle(readable "${symbol}")
        string(APPEND dropped "  ${soname}: ${readable}\n")
      endif()
    endforeach()
  endforeach()
  file(WRITE "${SYMBOLS_FILE}" "${text}")
  if(dropped)
    message(WARNING "dropped from ${SYMBOLS_FILE}: a program that uses them "
      "no longer loads; that needs a new soname (README, Packages):\n${dropped}")
  endif()
  message(STATUS "wrote ${SYMBOLS_FILE}")
  return()
endif()

if(file_arch AND ARCH AND NOT file_arch STREQUAL ARCH)
  # Mangled names differ between architectures (size_t is unsigned long on
  # one, unsigned int on another): the file holds one architecture's.
  message(STATUS "SKIP: ${SYMBOLS_FILE} lists the symbols of ${file_arch}, "
    "this build is ${ARCH}")
  return()
endif()

set(failures "")
set(added "")
foreach(soname IN LISTS file_sonames)
  if(NOT soname IN_LIST build_sonames)
    string(APPEND failures "  ${soname}: the file lists a library the build does not have\n")
  endif()
endforeach()
foreach(soname IN LISTS build_sonames)
  if(NOT soname IN_LIST file_sonames)
    string(APPEND failures "  ${soname}: not in the file\n")
    continue()
  endif()
  foreach(symbol IN LISTS file_symbols_${soname})
    if(NOT symbol IN_LIST build_symbols_${soname})
      demangle(readable "${symbol}")
      string(APPEND failures "  ${soname}: dropped ${symbol} (${readable})\n")
    endif()
  endforeach()
  foreach(symbol IN LISTS build_symbols_${soname})
    if(NOT symbol IN_LIST file_symbols_${soname})
      demangle(readable "${symbol}")
      string(APPEND added "  ${soname}: ${symbol} (${readable})\n")
    endif()
  endforeach()
endforeach()

if(failures)
  message(FATAL_ERROR "${SYMBOLS_FILE} against the build:\n${failures}"
    "A dropped symbol breaks every program built against it: bring it back, "
    "or give the library a new soname (README, Packages).")
endif()
if(added)
  message(STATUS "NOTE: the build exports symbols that ${SYMBOLS_FILE} does "
    "not list yet; the file needs updating (${UPDATE}):\n${added}")
endif()
message(STATUS "every symbol of ${SYMBOLS_FILE} is exported")
