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

// The statuses are the rows of orbi_name/status.def, each a constant
// ORBI_NAME_STATUS(NAME, value, ...) made `inline constexpr OM_uint32 NAME =
// value;`. Applications store and compare these values: they never change,
// and a retired code is never given to another meaning.
#define ORBI_NAME_STATUS(NAME, value, major_status, message) \
  inline constexpr OM_uint32 NAME = value;
#include "orbi_name/status.def"

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
// library's status itself: the major status of the status's row in
// orbi_name/status.def (SUCCESS gives GSS_S_COMPLETE, BAD_NAME_TYPE
// GSS_S_BAD_NAMETYPE, ...), and GSS_S_FAILURE for a value that is not one of
// the statuses above. An entry point may report a more precise major status
// where it knows more than the status tells (a null output argument is
// GSS_S_CALL_INACCESSIBLE_WRITE, say).
ORBI_NAME_EXPORT OM_uint32 GssMajorStatus(OM_uint32 status);

}  // namespace orbi_name

#endif  // ORBI_NAME_STATUS_H_
