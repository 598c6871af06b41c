# cmake -DORBI_SOURCE_DIR=<project root> -P check_oid_der.cmake
#
# The configure-time OID encoder and the ORBI_OID_ARC rules
# (cmake/oid_der.cmake): arcs it encodes, checked against encodings that
# OpenSSL gives (`openssl asn1parse -genstr OID:<arc>`), and arcs it must
# refuse, each in a configuration of its own (a refusal ends the run), with
# the rule the refusal names. Prints "FAIL: ..." for each wrong answer.
#
# With -DARC=<text> it only encodes ARC and prints the hex, the run of one
# refused case.
cmake_minimum_required(VERSION 3.25)
include(${ORBI_SOURCE_DIR}/cmake/oid_der.cmake)

if(DEFINED ARC)
  orbi_oid_der(bytes "${ARC}")
  list(JOIN bytes "" hex)
  message("hex=${hex}")
  return()
endif()

set(failures 0)

# dotted text | DER content octets in hex
set(encoded
  "1.3.6.1.4.1.32473|2b0601040181fd59"      # the default, the documentation arc
  "1.3.6.1.4.1.99999.42|2b06010401868d1f2a"
  "1.3.6.1.4.1.311|2b060104018237"
  "2.25.1234567890|6984ccd88552"            # the arc CI builds with
  "1.39.127.128|4f7f8100"                   # one and two bytes around 128
  "2.47|7f"                                 # the first subidentifier's edges
  "2.48|8100"
  "2.999|8837"
  "2.4294967215|8fffffff7f"                 # 40 * 2 + second = 2^32 - 1
  "1.2.4294967295|2a8fffffff7f"             # the widest arc
  "1.2.16383.16384.2097151.2097152|2aff7f818000ffff7f81808000")
foreach(case IN LISTS encoded)
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 dotted)
  list(GET case 1 want)
  orbi_oid_der(bytes "${dotted}")
  list(JOIN bytes "" got)
  if(NOT got STREQUAL want)
    message("FAIL: ${dotted} encodes as ${got}, not ${want}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()

# dotted text | what the refusal says
set(refused
  "|not dotted OID text"
  "1|not dotted OID text"
  "1.3.6.|not dotted OID text"
  ".1.3|not dotted OID text"
  "1..3|not dotted OID text"
  "1.3.06|not dotted OID text"
  "1 3 6|not dotted OID text"
  "{1 3 6}|not dotted OID text"
  "1.3.-6|not dotted OID text"
  "3.1|has no DER encoding"
  "1.40|has no DER encoding"
  "0.40|has no DER encoding"
  "0.39|has an arc of 0"
  "1.3.6.1.4.1.0|has an arc of 0"
  "1.2.4294967296|does not fit 32 bits"
  "1.2.99999999999999999999|does not fit 32 bits"
  "2.4294967216|does not fit 32 bits")
foreach(case IN LISTS refused)
  string(REPLACE "|" ";" case "${case}")
  list(GET case 0 dotted)
  list(GET case 1 want)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DORBI_SOURCE_DIR=${ORBI_SOURCE_DIR}
      "-DARC=${dotted}" -P ${CMAKE_CURRENT_LIST_FILE}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(status EQUAL 0)
    message("FAIL: '${dotted}' was taken (${err})")
    math(EXPR failures "${failures} + 1")
  elseif(NOT err MATCHES "ORBI_OID_ARC: .*${want}")
    message("FAIL: '${dotted}' refused without \"${want}\":\n${err}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()

if(failures GREATER 0)
  message(FATAL_ERROR "${failures} cases failed")
endif()
