# orbi_oid_der(OUT DOTTED): sets OUT to the DER content octets of the OID
# DOTTED ("1.3.6.1.4.1.32473") as a list of two-digit lower-case hex bytes.
# Stops the configuration, naming the rule broken, for text that is not an
# OID the library can hold and read back:
#  - dotted decimal, at least two arcs, no leading zeros;
#  - a first arc of 0 to 2, and under 0 or 1 a second arc below 40 (else the
#    first two arcs have no DER encoding);
#  - no arc of 0: the library's OID text forms (the tool's input, the
#    PLVORBIInternalOID text setter) refuse an arc of 0, so an OID with one
#    could not be given as text;
#  - every subidentifier (40 * first + second, then each further arc) within
#    32 bits, the library's arc width.
# Used in script mode as well (tests/oid_arc/check_oid_der.cmake): it calls
# only commands that work there.
function(orbi_oid_der out dotted)
  if(NOT dotted MATCHES "^(0|[1-9][0-9]*)(\\.(0|[1-9][0-9]*))+$")
    message(FATAL_ERROR "ORBI_OID_ARC: '${dotted}' is not dotted OID text of at least two arcs (decimal arcs without leading zeros, divided by dots)")
  endif()
  string(REPLACE "." ";" arcs "${dotted}")
  foreach(arc IN LISTS arcs)
    # More than 10 digits is beyond 32 bits, and beyond what math() takes.
    string(LENGTH "${arc}" digits)
    if(digits GREATER 10 OR arc GREATER 4294967295)
      message(FATAL_ERROR "ORBI_OID_ARC: the arc ${arc} of '${dotted}' does not fit 32 bits")
    endif()
  endforeach()
  list(GET arcs 0 first)
  list(GET arcs 1 second)
  list(REMOVE_AT arcs 0 1)
  if(first GREATER 2 OR (first LESS 2 AND second GREATER 39))
    message(FATAL_ERROR "ORBI_OID_ARC: '${dotted}' has no DER encoding (first arc 0 to 2; under 0 or 1 the second below 40)")
  endif()
  if("0" IN_LIST arcs OR first EQUAL 0 OR second EQUAL 0)
    message(FATAL_ERROR "ORBI_OID_ARC: '${dotted}' has an arc of 0, which the library's OID text forms do not take")
  endif()
  math(EXPR head "40 * ${first} + ${second}")
  if(head GREATER 4294967295)
    message(FATAL_ERROR "ORBI_OID_ARC: the first subidentifier of '${dotted}', 40 * ${first} + ${second}, does not fit 32 bits")
  endif()
  set(bytes "")
  foreach(value IN ITEMS ${head} ${arcs})
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
