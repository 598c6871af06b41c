# The symbols file of liborbi-name1 (cmake/debian/symbols, dpkg's format):
# every symbol that liborbi_name.so.1 and liborbi_services.so.1 export, by
# its mangled name, with the version of the library that first exported it.
# dpkg-shlibdeps reads it to give a program built against the libraries the
# least version that has every symbol the program uses.
#
# A symbol's version is the release that first shipped it: the earliest
# release under RELEASES (tests/abi/releases/<version>/<soname>.abi, the ABI
# of each release as it shipped) whose library exports it, or VERSION, the
# release being made, for a symbol no earlier release exported. So a program
# built against this release depends on a release that has every symbol it
# uses.
#
# MODE=check compares it with the build: a symbol the file lists and the
# build no longer exports fails (a program linked against an earlier
# build would not load), and so does a symbol whose version is not the
# release that first shipped it (an older one lets a program load a
# library without it; a newer one asks for more than the program needs); a
# symbol the build exports and the file lacks passes with a note that the
# file needs updating. MODE=write rewrites the file from the build, each
# symbol with the release that first shipped it.
#
# cmake -DNM=nm -DMODE=check|write -DSYMBOLS_FILE=... -DPACKAGE=liborbi-name1
#   -DDEV_PACKAGE=liborbi-name-dev -DVERSION=1.1.0 -DARCH=amd64
#   -DRELEASES=dir -DUPDATE="the command that rewrites the file"
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

# first_release(<out> <soname> <symbol>): the release that first exported
# symbol from soname, by the release descriptions under RELEASES, or
# VERSION.
file(GLOB releases LIST_DIRECTORIES true RELATIVE "${RELEASES}" "${RELEASES}/*")
list(SORT releases COMPARE NATURAL)
foreach(release IN LISTS releases)
  if(release VERSION_GREATER_EQUAL VERSION)
    message(FATAL_ERROR "${RELEASES}/${release}: a release description for "
      "${release}, which is not older than the version being made (${VERSION})")
  endif()
  foreach(soname IN LISTS build_sonames)
    set(abi "${RELEASES}/${release}/${soname}.abi")
    set(shipped_${release}_${soname} "")
    if(EXISTS "${abi}")
      file(STRINGS "${abi}" lines REGEX "<elf-symbol name='[^']+'")
      foreach(line IN LISTS lines)
        if(line MATCHES "<elf-symbol name='([^']+)'")
          list(APPEND shipped_${release}_${soname} "${CMAKE_MATCH_1}")
        endif()
      endforeach()
    endif()
  endforeach()
endforeach()
function(first_release out soname symbol)
  foreach(release IN LISTS releases)
    if(symbol IN_LIST shipped_${release}_${soname})
      set(${out} "${release}" PARENT_SCOPE)
      return()
    endif()
  endforeach()
  set(${out} "${VERSION}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "write")
  set(text "# The symbols that the shared libraries of ${PACKAGE} export, each with\n")
  string(APPEND text "# the release that first shipped it (dpkg's symbols file; a symbol\n")
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
      first_release(since "${soname}" "${symbol}")
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
      "no longer loads; that needs a new soname (doc/packaging.md):\n${dropped}")
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
      continue()
    endif()
    first_release(since "${soname}" "${symbol}")
    if(NOT version_${symbol} STREQUAL since)
      demangle(readable "${symbol}")
      string(APPEND failures "  ${soname}: ${symbol} (${readable}) carries "
        "${version_${symbol}}, but the release that first shipped it is "
        "${since}\n")
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
    "or give the library a new soname (doc/packaging.md). A wrong version "
    "is rewritten by ${UPDATE}.")
endif()
if(added)
  message(STATUS "NOTE: the build exports symbols that ${SYMBOLS_FILE} does "
    "not list yet; the file needs updating (${UPDATE}):\n${added}")
endif()
message(STATUS "every symbol of ${SYMBOLS_FILE} is exported")
