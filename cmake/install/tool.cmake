# Install script of the component `tool` (cmake/install.cmake), run after the
# tool is installed: in a stripped install, removes its .comment section;
# installs its man page orbi-name(1), which names the OID and the version.
#
# The configure step sets, in the file that runs this one:
#   ORBI_MECH_OID, ORBI_NAME_VERSION  the mechanism's OID, the version
#   ORBI_OBJCOPY                      objcopy
#   ORBI_BINDIR, ORBI_MANDIR          CMAKE_INSTALL_<DIR> as configured
#   ORBI_TOOL_NAME                    the tool's file name
#   ORBI_TOOL_PAGE                    the page's source, tools/orbi-name.1
#   ORBI_TOOL_STAGING                 build-tree dir for the page on its way
include(${CMAKE_CURRENT_LIST_DIR}/../install_helpers.cmake)

orbi_name_install_dir(_orbi_tool_bindir "${ORBI_BINDIR}")
orbi_name_drop_comment("${ORBI_OBJCOPY}" "${_orbi_tool_bindir}/${ORBI_TOOL_NAME}")

orbi_name_install_dir(_orbi_tool_mandir "${ORBI_MANDIR}")
orbi_name_install_man_page("${ORBI_TOOL_PAGE}" "${_orbi_tool_mandir}"
  "${ORBI_TOOL_STAGING}")
