# The ABI of one shared library, as libabigail's abidw describes it from the
# library's DWARF (the exported functions and variables and every type they
# reach that the public headers define), against the description checked in
# beside this script.
#
# MODE=check writes the build's description and compares the two with
# abidiff: the same passes; only additions (new functions, variables,
# symbols) pass with a note that the file needs updating; anything else (a
# symbol removed, a changed signature, class layout or enum value, a new
# soname) fails with abidiff's report. It then compares the build with the
# ABI of every release as it shipped (RELEASES/<version>/<soname>.abi, for
# example releases/1.0.0/, written once from that release's build): there
# additions pass and anything else fails. MODE=write rewrites the checked-in
# description from the build, for a change made on purpose (README,
# Packages says when that also needs a new soname); it never touches a
# release's.
#
# cmake -DABIDW=abidw -DABIDIFF=abidiff -DMODE=check|write -DLIBRARY=path
#   -DREFERENCE=path.abi -DWORK=dir -DHEADERS="dir,dir" -DSUPPRESSIONS=file
#   -DSOURCE_DIR=... -DBINARY_DIR=... -DUPDATE="the update command"
#   [-DRELEASES=dir]
#   -P check_abi.cmake
cmake_minimum_required(VERSION 3.25)

get_filename_component(name "${REFERENCE}" NAME)
if(MODE STREQUAL "write")
  set(output "${REFERENCE}")
else()
  file(MAKE_DIRECTORY "${WORK}")
  set(output "${WORK}/${name}")
endif()

set(headers "")
string(REPLACE "," ";" HEADERS "${HEADERS}")
foreach(dir IN LISTS HEADERS)
  list(APPEND headers --headers-dir "${dir}")
endforeach()
# No location, corpus or build path in the description; type ids by hash,
# so that an unrelated change does not renumber every type.
execute_process(
  COMMAND "${ABIDW}" --no-corpus-path --no-comp-dir-path --no-show-locs
    --drop-private-types --exported-interfaces-only --type-id-style hash
    ${headers} --out-file "${output}" "${LIBRARY}"
  RESULT_VARIABLE result ERROR_VARIABLE error)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "abidw ${LIBRARY} failed (${result}): ${error}")
endif()
# The translation units keep their source file names; below the trees they
# are named relative to them.
file(READ "${output}" text)
string(REPLACE "path='${SOURCE_DIR}/" "path='" text "${text}")
string(REPLACE "path='${BINARY_DIR}/" "path='build/" text "${text}")
file(WRITE "${output}" "${text}")
if(MODE STREQUAL "write")
  message(STATUS "wrote ${REFERENCE}")
  return()
endif()

# compare(<reference> <what> <note_additions>): abidiff of reference against the build's
# description. Passes on no change; on additions alone it says so when
# note_additions is set; anything else (a symbol removed, a changed
# signature, class layout or enum value, a new soname) fails with abidiff's
# report.
function(compare reference what note_additions)
  execute_process(
    COMMAND "${ABIDIFF}" --suppressions "${SUPPRESSIONS}" "${reference}" "${output}"
    RESULT_VARIABLE result OUTPUT_VARIABLE report ERROR_VARIABLE error)
  # abidiff's status is a bit set: 1 an error, 2 a usage error, 4 a change,
  # 8 a change known to be incompatible (a symbol removed).
  if(result EQUAL 0)
    message(STATUS "${name}: the ABI is ${what}")
    return()
  endif()
  if(NOT result MATCHES "^[0-9]+$" OR result GREATER 15)
    message(FATAL_ERROR "abidiff did not run (${result}): ${error}")
  endif()
  math(EXPR error_bits "${result} & 3")
  math(EXPR incompatible "${result} & 8")
  if(NOT error_bits EQUAL 0)
    message(FATAL_ERROR "abidiff failed (${result}): ${error}${report}")
  endif()
  # A change abidiff cannot call incompatible for sure (bit 4 alone) is an
  # addition only when its summary counts nothing removed or changed and no
  # property of the library changed ("ELF SONAME changed", "architecture
  # changed"; the summaries write "N Changed").
  set(only_added TRUE)
  if(NOT incompatible EQUAL 0 OR report MATCHES "[1-9][0-9]* (Removed|Changed)"
      OR report MATCHES "changed")
    set(only_added FALSE)
  endif()
  if(only_added)
    if(note_additions)
      message(STATUS "NOTE: ${name}: the build adds to ${what}; "
        "the file needs updating (${UPDATE}):\n${report}")
    endif()
    return()
  endif()
  message(FATAL_ERROR "${name}: the build's ABI differs from ${what}. An "
    "incompatible change needs a new soname (doc/packaging.md); a "
    "deliberate one is written with ${UPDATE}.\n${report}")
endfunction()

if(NOT EXISTS "${REFERENCE}")
  message(FATAL_ERROR "${REFERENCE} does not exist; write it with: ${UPDATE}")
endif()
compare("${REFERENCE}" "the one checked in" TRUE)
# Every release as it shipped (RELEASES/<version>/<soname>.abi): while the
# soname is the same, a later build may add to a release's ABI, never take
# from it or change it.
if(RELEASES)
  file(GLOB shipped "${RELEASES}/*/${name}")
  foreach(release_abi IN LISTS shipped)
    get_filename_component(release "${release_abi}" DIRECTORY)
    get_filename_component(release "${release}" NAME)
    compare("${release_abi}" "release ${release}'s" FALSE)
  endforeach()
endif()
