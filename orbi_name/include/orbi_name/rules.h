// Two of the library's rules as answers, for callers that hand the library
// input from another interface and want to know, before or instead of a
// call, what the library will make of it: whether an OID is the library's
// mechanism, and whether bytes are kept exactly as a name's text.
//
// Thread safety: the functions keep no state, take no lock and write no
// trace record; any thread may call them.
#ifndef ORBI_NAME_RULES_H_
#define ORBI_NAME_RULES_H_

#include <stddef.h>

#include "orbi_name/export.h"
#include "orbi_services/gss_types.h"

namespace orbi_name {

// CheckMechanism tells whether mech is the library's mechanism,
// ORBIGetOID(kORBIMechanismIndex), by value: the rule that CanonicalizeName
// and the token import apply. Returns SUCCESS (0) when it is; BAD_INPUT (10)
// for a null mech; INVALID_MECH (23) when its bytes are no OID (null
// elements, no bytes, not valid DER content octets); MECH_NOT_SUPPORTED (24)
// when they are another OID. Allocates
// nothing, so a shortage of memory cannot pass for an unreadable mechanism.
ORBI_NAME_EXPORT OM_uint32 CheckMechanism(gss_OID mech);

// KeepsText tells whether the length bytes at bytes, imported as a text (Set
// with the default name type or none), are held exactly as given: true when
// no byte other than NUL follows a NUL. A text ends at its first NUL and the
// import makes every later counted byte zero, so other bytes there would be
// lost and two different inputs would become one name. True for no bytes;
// REQUIRES: bytes is not null when length is not 0.
ORBI_NAME_EXPORT bool KeepsText(const void* bytes, size_t length);

}  // namespace orbi_name

#endif  // ORBI_NAME_RULES_H_
