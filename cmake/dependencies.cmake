# What the tests, benchmarks and fuzz targets need from the system, and the
# Debian package that provides each. The library and the tool need none of
# them (the tool preset configures without them); a build that does need one
# stops at configure time with a message naming the package, instead of
# CMake's generic "could not find" text or a failure half-way through the
# build.

# orbi_name_require_package(<Package> FOR <what> DEBIAN <package>...
#                           [ARGS <find_package arguments>...])
#
# find_package(<Package> QUIET <arguments>); when it is not found, a fatal
# error that says what needed it and which Debian packages provide it. A
# macro, so that the variables find_package sets (<Package>_FOUND,
# <Package>_VERSION, ...) reach the caller as they would from find_package.
macro(orbi_name_require_package _orbi_package)
  cmake_parse_arguments(_orbi_req "" "FOR" "DEBIAN;ARGS" ${ARGN})
  find_package(${_orbi_package} QUIET ${_orbi_req_ARGS})
  if(NOT ${_orbi_package}_FOUND)
    orbi_name_missing_dependency("${_orbi_package}" "${_orbi_req_FOR}"
      "${_orbi_req_DEBIAN}")
  endif()
  message(VERBOSE "Found ${_orbi_package} ${${_orbi_package}_VERSION}")
endmacro()

# orbi_name_missing_dependency(<what is missing> <what needs it> <packages>)
#
# Stops the configuration with the one message every missing dependency
# gets: what is missing, what needs it, the Debian packages to install, and
# how to build the library and the tool without it.
function(orbi_name_missing_dependency missing needed_by packages)
  string(REPLACE ";" " " packages "${packages}")
  message(FATAL_ERROR
    "${missing} not found; it is needed by ${needed_by}.\n"
    "On Debian or Ubuntu: apt-get install ${packages}\n"
    "(bash .ci/run installs everything the tests need). To build only the "
    "library and the orbi-name tool, which need none of it: "
    "cmake --workflow --preset tool")
endfunction()
