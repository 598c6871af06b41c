# The OID arc under which the mechanism, its default name type and the OID
# table's reserved entries lie. The default is 1.3.6.1.4.1.32473, the
# enterprise number RFC 5612 sets aside for documentation; a deployment sets
# its own registered arc:
#
#   cmake --preset default -DORBI_OID_ARC=1.3.6.1.4.1.NNNNN
#
# The OID table (ARC.1 the mechanism, ARC.1.1 its default name type, ARC.2.N
# the reserved entries), orbi.conf, the module's attribute names, the tool's
# output and every test follow it. The build writes
# <build>/generated/orbi_build_oids.h (target orbi_build_oids) for the code
# that needs the arc's bytes.
set(ORBI_OID_ARC "1.3.6.1.4.1.32473" CACHE STRING
  "OID arc of the mechanism (dotted); a deployment sets its registered arc")

# orbi_oid_der(OUT DOTTED): sets OUT to the DER content octets of DOTTED as
# a list of two-digit lower-case hex bytes. Stops the configuration for text
# that is no OID of at least two arcs.
function(orbi_oid_der out dotted)
  if(NOT dotted MATCHES "^(0|[1-9][0-9]*)(\\.(0|[1-9][0-9]*))+$")
    message(FATAL_ERROR "ORBI_OID_ARC: '${dotted}' is not dotted OID text of at least two arcs")
  endif()
  string(REPLACE "." ";" arcs "${dotted}")
  list(GET arcs 0 first)
  list(GET arcs 1 second)
  list(REMOVE_AT arcs 0 1)
  if(first GREATER 2 OR (first LESS 2 AND second GREATER 39))
    message(FATAL_ERROR "ORBI_OID_ARC: '${dotted}' has no DER encoding (first arc 0 to 2; under 0 or 1 the second below 40)")
  endif()
  math(EXPR head "40 * ${first} + ${second}")
  set(bytes "")
  foreach(value IN ITEMS ${head} ${arcs})
    if(value GREATER 4294967295)
      message(FATAL_ERROR "ORBI_OID_ARC: an arc of '${dotted}' does not fit 32 bits")
    endif()
    # Base 128, most significant group first, every group but the last with
    # its top bit set.
    math(EXPR group "${value} % 128" OUTPUT_FORMAT HEXADECIMAL)
    set(groups "${group}")
    math(EXPR value "${value} / 128")
    while(value GREATER 0)
      math(EXPR group "${value} % 128 + 128" OUTPUT_FORMAT HEXADECIMAL)
      list(PREPEND groups "${group}")
      math(EXPR value "${value} / 128")
    endwhile()
    foreach(group IN LISTS groups)
      string(REGEX REPLACE "^0x" "" group "${group}")
      string(LENGTH "${group}" width)
      if(width EQUAL 1)
        set(group "0${group}")
      endif()
      string(TOLOWER "${group}" group)
      list(APPEND bytes "${group}")
    endforeach()
  endforeach()
  set(${out} "${bytes}" PARENT_SCOPE)
endfunction()

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
