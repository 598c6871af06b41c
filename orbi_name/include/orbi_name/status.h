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

#include "orbi_services/gss_types.h"

namespace orbi_name {
namespace status {

inline constexpr OM_uint32 SUCCESS = 0;             // success
inline constexpr OM_uint32 NO_MEMORY = 1;           // no heap block could be had
inline constexpr OM_uint32 NO_MECH = 2;             // Export: no mechanism
inline constexpr OM_uint32 LABEL_NOT_SET = 4;       // label string refused an entry
inline constexpr OM_uint32 END_OF_LIST = 5;         // no entries left
inline constexpr OM_uint32 NO_SUCH_MEMBER = 6;      // null, empty set, no equal member
inline constexpr OM_uint32 NO_ALGORITHM_CODE = 7;   // no code for the OID / OID for the code
inline constexpr OM_uint32 BAD_INPUT = 10;          // required argument missing
inline constexpr OM_uint32 INVALID_MECH = 23;       // mechanism OID cannot be read
inline constexpr OM_uint32 MECH_NOT_SUPPORTED = 24; // not the library's mechanism
inline constexpr OM_uint32 BAD_NAME_TYPE = 36;      // name type not accepted or missing
inline constexpr OM_uint32 BAD_OID = 38;            // malformed OID text or bytes

}  // namespace status
}  // namespace orbi_name

#endif  // ORBI_NAME_STATUS_H_
