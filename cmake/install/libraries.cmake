# Install script of the component `runtime` (cmake/install.cmake), run after
# the two libraries are installed: in a stripped install, removes their
# .comment section (orbi_name_drop_comment).
#
# The configure step sets, in the file that runs this one:
#   ORBI_OBJCOPY                              objcopy
#   ORBI_LIBDIR                               CMAKE_INSTALL_LIBDIR as configured
#   ORBI_NAME_LIBRARY, ORBI_SERVICES_LIBRARY  the libraries' file names
include(${CMAKE_CURRENT_LIST_DIR}/../install_helpers.cmake)

orbi_name_install_dir(_orbi_libdir "${ORBI_LIBDIR}")
orbi_name_drop_comment("${ORBI_OBJCOPY}" "${_orbi_libdir}/${ORBI_NAME_LIBRARY}"
  "${_orbi_libdir}/${ORBI_SERVICES_LIBRARY}")
