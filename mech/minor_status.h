// The minor statuses of orbi_mech.so and orbi_mech_heimdal.so and their
// texts.
//
// A minor status the module reports is either one of the library's statuses
// (orbi_name/status.h, 0 to 38), when a library call decided the outcome, or
// one of the module's own codes below, for what only the module sees: the
// bytes of an exported name token, a name the library would not keep
// as given, name attributes, operations the mechanism does not have, and
// failures no status describes. The two ranges do not overlap, so every value
// names exactly one fault.
//
// Thread safety: the functions keep no state; the texts are static.
#ifndef ORBI_MECH_MINOR_STATUS_H_
#define ORBI_MECH_MINOR_STATUS_H_

#include <gssapi/gssapi.h>

namespace orbi_mech {
namespace minor {

// Applications see these values through the glue: they never change, and a
// retired code is never given to another meaning.

// The exported name token is not one token: a wrong identifier or tag, a
// length that disagrees with the bytes, a truncation or trailing bytes.
inline constexpr OM_uint32 MALFORMED_TOKEN = 100;
// The exported name token is well formed but names another mechanism.
inline constexpr OM_uint32 FOREIGN_TOKEN = 101;
// The name has bytes other than NUL behind a NUL; a name of this mechanism
// ends at its first NUL, so such bytes could not be kept as given.
inline constexpr OM_uint32 NAME_HAS_NUL = 102;
// The name has no such attribute, or no value at the position asked for.
inline constexpr OM_uint32 NO_SUCH_ATTRIBUTE = 103;
// The attribute exists but can only be read: a name's attributes come from
// its text, which never changes.
inline constexpr OM_uint32 READ_ONLY_ATTRIBUTE = 104;
// A failure that no other status describes (an unexpected exception).
inline constexpr OM_uint32 UNEXPECTED = 105;
// The operation needs credentials, security contexts or message protection,
// which the mechanism does not have: it has names only. The entry points
// that Heimdal's glue requires of every module answer with it.
inline constexpr OM_uint32 UNAVAILABLE = 106;
// The attribute value asked for lies where RFC 6680's `more`, an int, cannot
// lead past it: an entry at index 2^31 - 1 with more entries behind it
// (name_attributes.h).
inline constexpr OM_uint32 VALUE_OUT_OF_REACH = 107;
// The exported composite name token carries attributes that are not those
// its name has: a name's attributes come from its text alone, so the
// module's tokens carry none beside it.
inline constexpr OM_uint32 ATTRIBUTES_DISAGREE = 108;
// The exported name token is one in the library's own layout
// (PLVORBIInternalName::Export, orbi_name/internal/library_token.h) for this
// mechanism: well formed, but not the standard token that the module reads
// (gss_export_name writes that one).
inline constexpr OM_uint32 LIBRARY_TOKEN = 109;

}  // namespace minor

// MinorStatusName returns the name of a minor status ("MALFORMED_TOKEN", or
// the library's name such as "BAD_NAME_TYPE"), or null for a value that is
// neither one of the module's codes nor a library status. Static text.
[[nodiscard]] const char* MinorStatusName(OM_uint32 value);

// MinorStatusMessage returns the sentence that says what the status means,
// or null where MinorStatusName is null. Static text.
[[nodiscard]] const char* MinorStatusMessage(OM_uint32 value);

}  // namespace orbi_mech

#endif  // ORBI_MECH_MINOR_STATUS_H_
