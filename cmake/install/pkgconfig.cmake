# Install script of the component `development` (cmake/install.cmake), run
# before orbi_name.pc is installed: writes the file from its stage, with the
# prefix installed to in place of @ORBI_NAME_INSTALL_PREFIX@ where the stage
# names it (an absolute pkg-config dir, whose place says nothing of the
# prefix), so that `cmake --install --prefix DIR` writes DIR and not the
# configured prefix.
#
# The configure step sets, in the file that runs this one:
#   ORBI_PC_STAGE  orbi_name.pc as configured (cmake/orbi_name.pc.in)
#   ORBI_PC_FILE   the file that the install rule after this one installs
set(ORBI_NAME_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
configure_file("${ORBI_PC_STAGE}" "${ORBI_PC_FILE}" @ONLY)
