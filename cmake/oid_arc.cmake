# The OID arc under which the mechanism, its default name type and the OID
# table's reserved entries lie. The default is 1.3.6.1.4.1.32473, the
# enterprise number RFC 5612 sets aside for documentation; a deployment sets
# its own registered arc:
#
#   cmake --preset default -DORBI_OID_ARC=1.3.6.1.4.1.NNNNN
#
# The OID table (ARC.1 the mechanism, ARC.1.1 its default name type, ARC.2.N
# the reserved entries), orbi.conf, the module's attribute names, the tool's
# output and every test follow it. The arc must be an OID the library can
# hold and read back as text (orbi_oid_der in oid_der.cmake lists the rules);
# anything else stops the configuration. The build writes
# <build>/generated/orbi_build_oids.h (target orbi_build_oids) for the code
# that needs the arc's bytes.
set(ORBI_OID_ARC "1.3.6.1.4.1.32473" CACHE STRING
  "OID arc of the mechanism (dotted); a deployment sets its registered arc")

include(${CMAKE_CURRENT_LIST_DIR}/oid_der.cmake)

orbi_oid_der(_orbi_arc_bytes "${ORBI_OID_ARC}")
list(LENGTH _orbi_arc_bytes ORBI_OID_ARC_LENGTH)
list(JOIN _orbi_arc_bytes "" ORBI_OID_ARC_HEX)
set(ORBI_MECH_OID "${ORBI_OID_ARC}.1")
set(ORBI_DEFAULT_NAME_TYPE_OID "${ORBI_OID_ARC}.1.1")

list(TRANSFORM _orbi_arc_bytes PREPEND "0x" OUTPUT_VARIABLE _orbi_arc_c)
list(JOIN _orbi_arc_c ", " ORBI_OID_ARC_INITIALIZER)
list(TRANSFORM _orbi_arc_bytes PREPEND "\\x" OUTPUT_VARIABLE _orbi_arc_s)
list(JOIN _orbi_arc_s "" ORBI_OID_ARC_STRING)
math(EXPR ORBI_MECH_OID_LENGTH "${ORBI_OID_ARC_LENGTH} + 1")
math(EXPR ORBI_DEFAULT_NAME_TYPE_LENGTH "${ORBI_OID_ARC_LENGTH} + 2")

configure_file(${CMAKE_CURRENT_LIST_DIR}/orbi_build_oids.h.in
  ${PROJECT_BINARY_DIR}/generated/orbi_build_oids.h @ONLY)
add_library(orbi_build_oids INTERFACE)
target_include_directories(orbi_build_oids INTERFACE
  $<BUILD_INTERFACE:${PROJECT_BINARY_DIR}/generated>)
