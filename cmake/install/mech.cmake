# Install script of the component `mech` (mech/CMakeLists.txt), run after
# the modules are installed: orbi.conf, the line that tells MIT's glue where
# orbi_mech.so lies, and the man page orbi_mech(8), both naming the installed
# files for the prefix installed to; in a stripped install, the modules
# without their .comment section.
#
# The configure step sets, in the file that runs this one:
#   ORBI_MECH_OID, ORBI_NAME_VERSION    the mechanism's OID, the version
#   ORBI_OBJCOPY                        objcopy
#   ORBI_LIBDIR, ORBI_MANDIR,           CMAKE_INSTALL_<DIR> as configured
#   ORBI_SYSCONFDIR                       (relative or absolute)
#   ORBI_MECH_MODULE_NAME,              the modules' file names
#   ORBI_MECH_HEIMDAL_MODULE_NAME
#   ORBI_MECH_PAGE                      the page's source, mech/orbi_mech.8
#   ORBI_MECH_ATTRIBUTE_LIST,           the lists its tables are made from
#   ORBI_MECH_MINOR_LIST,
#   ORBI_NAME_STATUS_LIST
#   ORBI_MECH_STAGING                   build-tree dir for files on their way
include(${CMAKE_CURRENT_LIST_DIR}/../install_helpers.cmake)

# The variables named ORBI_MECH_* and ORBI_NAME_* below are those the page
# names as @VARIABLE@.
orbi_name_install_dir(_orbi_mech_libdir "${ORBI_LIBDIR}")
cmake_path(SET ORBI_MECH_MODULE NORMALIZE
  "${_orbi_mech_libdir}/gss/${ORBI_MECH_MODULE_NAME}")
cmake_path(SET ORBI_MECH_HEIMDAL_MODULE NORMALIZE
  "${_orbi_mech_libdir}/gss/${ORBI_MECH_HEIMDAL_MODULE_NAME}")
# An install to /usr (a package) or / puts orbi.conf in /etc/gss/mech.d/,
# where MIT's glue reads it, not below the prefix.
orbi_name_config_dir(_orbi_mech_etc "${CMAKE_INSTALL_PREFIX}"
  "${ORBI_SYSCONFDIR}")
set(ORBI_MECH_CONF "${_orbi_mech_etc}/gss/mech.d/orbi.conf")

# The modules are OPTIONAL: an install of selected targets (the library
# alone) has none, and then no orbi.conf and no page either.
if(NOT EXISTS "$ENV{DESTDIR}${ORBI_MECH_MODULE}")
  return()
endif()

orbi_name_drop_comment("${ORBI_OBJCOPY}" "${ORBI_MECH_MODULE}"
  "${ORBI_MECH_HEIMDAL_MODULE}")

orbi_name_staging_dir(_orbi_mech_staging "${ORBI_MECH_STAGING}")
file(WRITE "${_orbi_mech_staging}/orbi.conf"
  "orbi ${ORBI_MECH_OID} ${ORBI_MECH_MODULE}\n")
file(INSTALL DESTINATION "${_orbi_mech_etc}/gss/mech.d"
  TYPE FILE FILES "${_orbi_mech_staging}/orbi.conf")

# The page's tables of attributes and minor statuses are the lists' rows as
# they are when installing.
orbi_name_attribute_roff(ORBI_MECH_ATTRIBUTE_ROWS
  "${ORBI_MECH_ATTRIBUTE_LIST}" "${ORBI_MECH_OID}")
orbi_name_status_roff(ORBI_NAME_STATUS_ROWS "${ORBI_NAME_STATUS_LIST}"
  ORBI_NAME_STATUS EXCEPT SUCCESS)
orbi_name_status_roff(ORBI_MECH_MINOR_ROWS "${ORBI_MECH_MINOR_LIST}"
  ORBI_MINOR)
orbi_name_install_dir(_orbi_mech_mandir "${ORBI_MANDIR}")
orbi_name_install_man_page("${ORBI_MECH_PAGE}" "${_orbi_mech_mandir}"
  "${ORBI_MECH_STAGING}")
