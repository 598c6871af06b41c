// Status codes returned by the name library's operations (OM_uint32 values).
//
// The codes live in the namespace orbi_name::status so that their short names
// cannot clash with a caller's globals. A caller spells them
// orbi_name::status::BAD_INPUT, or brings them in with
// `using namespace orbi_name::status;` inside a function. They are constants,
// not macros; a caller's macro of the same name (SUCCESS, say) still breaks
// this header, so include it before such macros are defined.
#ifndef ORBI_NAME_STATUS_H_
#define ORBI_NAME_STATUS_H_

#include "orbi_name/export.h"
#include "orbi_services/gss_types.h"

namespace orbi_name {
namespace status {

// Applications store and compare these values: they never change, and a
// retired code is never given to another meaning.

// Success.
inline constexpr OM_uint32 SUCCESS = 0;
// No heap block could be had; for CopyExpandedNameSet also a member whose
// expansion failed.
inline constexpr OM_uint32 NO_MEMORY = 1;
// Export: the name has no mechanism.
inline constexpr OM_uint32 NO_MECH = 2;
// The label string refused an entry.
inline constexpr OM_uint32 LABEL_NOT_SET = 4;
// No entries are left in the name's text.
inline constexpr OM_uint32 END_OF_LIST = 5;
// A null member, an empty set, or no equal member.
inline constexpr OM_uint32 NO_SUCH_MEMBER = 6;
// No algorithm code for the OID, or no OID for the code.
inline constexpr OM_uint32 NO_ALGORITHM_CODE = 7;
// A required argument or its data pointer is null; a name without a
// database path; a cursor that is no position of the name's text.
inline constexpr OM_uint32 BAD_INPUT = 10;
// The mechanism OID cannot be read.
inline constexpr OM_uint32 INVALID_MECH = 23;
// The mechanism is not the library's.
inline constexpr OM_uint32 MECH_NOT_SUPPORTED = 24;
// The name type is not accepted, or missing where one is needed.
inline constexpr OM_uint32 BAD_NAME_TYPE = 36;
// A malformed OID text, a zero or empty arc, or OID bytes that do not decode.
inline constexpr OM_uint32 BAD_OID = 38;

}  // namespace status

// StatusName returns the name of a status ("BAD_INPUT" for BAD_INPUT), or null
// for a value that is not one of the statuses above. The text is static.
ORBI_NAME_EXPORT const char* StatusName(OM_uint32 status);

// StatusMessage returns a short sentence that says what a status means, for
// people ("the name type is not accepted or is missing"), or null for a
// value that is not one of the statuses above. The text is static.
ORBI_NAME_EXPORT const char* StatusMessage(OM_uint32 status);

// GssMajorStatus returns the RFC 2744 major status that a GSS-API entry point
// reports for a status of this library, whose minor status is then the
// library's status itself:
//
//   SUCCESS                                 GSS_S_COMPLETE
//   BAD_INPUT                               GSS_S_CALL_INACCESSIBLE_READ
//   NO_MECH                                 GSS_S_NAME_NOT_MN
//   INVALID_MECH, MECH_NOT_SUPPORTED        GSS_S_BAD_MECH
//   BAD_NAME_TYPE                           GSS_S_BAD_NAMETYPE
//   NO_ALGORITHM_CODE                       GSS_S_UNAVAILABLE
//   NO_MEMORY, LABEL_NOT_SET, END_OF_LIST,
//   NO_SUCH_MEMBER, BAD_OID, any other      GSS_S_FAILURE
//
// An entry point may report a more precise major status where it knows more
// than the status tells (a null output argument is
// GSS_S_CALL_INACCESSIBLE_WRITE, say).
ORBI_NAME_EXPORT OM_uint32 GssMajorStatus(OM_uint32 status);

}  // namespace orbi_name

#endif  // ORBI_NAME_STATUS_H_
