# Read by cpack before it builds the packages (CPACK_PROJECT_CONFIG_FILE,
# set in cmake/packages.cmake), once the binaries are built.
#
# The dependencies on system libraries of the packages that hold shared
# objects (liborbi-name1, orbi-mech). CPack finds those with dpkg-shlibdeps
# only in a package it also gives postinst and postrm scripts that call
# ldconfig (any package with a shared object below /usr/lib, the modules in
# /usr/lib/gss too), where Debian's library packages trigger ldconfig
# instead (lintian: maintscript-calls-ldconfig), and a package of modules
# that no program links needs no ldconfig at all. So CPack's dpkg-shlibdeps
# is off for those packages, and the same dpkg-shlibdeps run is made here on
# the built binaries, as CPack makes it: an empty debian/control to run in,
# the build tree's library directories searched for the project's own
# sonames, which no installed package knows yet (--ignore-missing-info; the
# packages' dependencies on each other are set in packages.cmake).
#
# CPACK_ORBI_SHLIBDEPS_COMPONENTS names the components; for each,
# CPACK_ORBI_<COMPONENT>_BINARIES is a file listing its built binaries.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
foreach(_orbi_component IN LISTS CPACK_ORBI_SHLIBDEPS_COMPONENTS)
  set(_orbi_package "${CPACK_DEBIAN_${_orbi_component}_PACKAGE_NAME}")
  if(NOT CPACK_ORBI_DPKG_SHLIBDEPS)
    message(WARNING "dpkg-shlibdeps (dpkg-dev) not found: "
      "${_orbi_package} gets no dependencies on system libraries")
    continue()
  endif()
  file(STRINGS "${CPACK_ORBI_${_orbi_component}_BINARIES}" _orbi_binaries)
  set(_orbi_work "${CPACK_ORBI_SHLIBDEPS_DIR}/${_orbi_component}")
  file(REMOVE_RECURSE "${_orbi_work}")
  file(MAKE_DIRECTORY "${_orbi_work}/debian")
  file(WRITE "${_orbi_work}/debian/control" "")
  set(_orbi_search "")
  foreach(_orbi_dir IN LISTS CPACK_ORBI_LIBRARY_DIRS)
    list(APPEND _orbi_search "-l${_orbi_dir}")
  endforeach()
  execute_process(
    COMMAND "${CPACK_ORBI_DPKG_SHLIBDEPS}" ${_orbi_search}
      --ignore-missing-info -O -e ${_orbi_binaries}
    WORKING_DIRECTORY "${_orbi_work}"
    OUTPUT_VARIABLE _orbi_output ERROR_VARIABLE _orbi_error
    RESULT_VARIABLE _orbi_result OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT _orbi_result EQUAL 0 OR NOT _orbi_output MATCHES "shlibs:Depends=([^\n]*)")
    message(FATAL_ERROR "dpkg-shlibdeps on ${_orbi_binaries} failed "
      "(${_orbi_result}): ${_orbi_error}${_orbi_output}")
  endif()
  set(_orbi_depends "${CPACK_DEBIAN_${_orbi_component}_PACKAGE_DEPENDS}")
  if(_orbi_depends)
    string(APPEND _orbi_depends ", ")
  endif()
  set(CPACK_DEBIAN_${_orbi_component}_PACKAGE_DEPENDS "${_orbi_depends}${CMAKE_MATCH_1}")
endforeach()
