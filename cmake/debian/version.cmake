# orbi_name_debian_version(<out_version> <out_revision>)
#
# The packages' version is the top entry of cmake/debian/changelog, as
# dpkg-buildpackage takes it from debian/changelog: sets <out_version> to it
# (1.0.0-2) and <out_revision> to its Debian revision (2). Stops the
# configuration when its upstream part is not the project's version: a new
# version of the project needs a changelog entry of its own.
function(orbi_name_debian_version out_version out_revision)
  set(changelog ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/changelog)
  file(STRINGS ${changelog} first LIMIT_COUNT 1)
  if(NOT first MATCHES "^[a-z0-9][a-z0-9.+-]* \\(([^ ()-]+)-([^ ()-]+)\\) ")
    message(FATAL_ERROR "${changelog}: the first line names no version: ${first}")
  endif()
  if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "${changelog}: the latest entry is for ${CMAKE_MATCH_1}, "
      "the project is ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION}-1")
  endif()
  set(${out_version} "${CMAKE_MATCH_1}-${CMAKE_MATCH_2}" PARENT_SCOPE)
  set(${out_revision} "${CMAKE_MATCH_2}" PARENT_SCOPE)
endfunction()
