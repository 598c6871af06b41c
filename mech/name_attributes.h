// A name's database path and entries as RFC 6680 name attributes.
//
// A name of the mechanism whose text is "db/users\nalice\nbob" has two
// attributes, named by URIs under the mechanism's OID M:
//
//   urn:oid:M.2.1   the database path: one value, "db/users"
//   urn:oid:M.2.2   the entries: one value each, in order, "alice", "bob"
//
// A name lists an attribute only when it has a value of it: a name without
// a database path (an empty text, a text that starts with a line feed) has
// none, and neither has the anonymous name, whose text only marks it as
// anonymous; a name whose text holds no line feed has the path alone. Values
// are the bytes without a terminating NUL (an empty entry is an empty
// value); the display value is the same bytes with a backslash doubled and
// every byte outside 0x20..0x7e written as \xHH. Nothing here is vouched for
// by a peer, so no value is authenticated; every value is complete, since
// the text holds all there is. The attributes are read-only: a name never
// changes once the module made it.
//
// The library answers every question about the layout (GetDatabasePath,
// Read); the functions below only translate its answers.
//
// Thread safety: the functions keep no state; each library call takes the
// name's lock.
#ifndef ORBI_MECH_NAME_ATTRIBUTES_H_
#define ORBI_MECH_NAME_ATTRIBUTES_H_

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>

#include "orbi_name/internal_name.h"

namespace orbi_mech {

// The attribute names, NUL-terminated.
extern const char kDatabasePathAttribute[];
extern const char kEntriesAttribute[];

// InquireAttributes hands out, in a new set, the names of the attributes
// that name has. Returns GSS_S_COMPLETE; on failure *attrs is untouched.
OM_uint32 InquireAttributes(OM_uint32* minor, PLVORBIInternalName* name,
                            gss_buffer_set_t* attrs);

// GetAttribute hands out one value of attr with RFC 6680's iteration: *more
// is -1 for the first value, the value a previous call left in it for the
// next; it is left 0 after the last value. value and display_value may be
// null. GSS_S_UNAVAILABLE (minor NO_SUCH_ATTRIBUTE) for an attribute the
// name does not have or a *more that designates no value; *more is then
// untouched. On failure value and display_value are empty.
OM_uint32 GetAttribute(OM_uint32* minor, PLVORBIInternalName* name,
                       const gss_buffer_desc& attr, int* authenticated,
                       int* complete, gss_buffer_t value,
                       gss_buffer_t display_value, int* more);

// RefuseChange answers a request to set or delete attr: GSS_S_UNAUTHORIZED
// (minor READ_ONLY_ATTRIBUTE) for an attribute of the mechanism, which may
// only be read; GSS_S_UNAVAILABLE (minor NO_SUCH_ATTRIBUTE) for any other.
OM_uint32 RefuseChange(OM_uint32* minor, const gss_buffer_desc& attr);

}  // namespace orbi_mech

#endif  // ORBI_MECH_NAME_ATTRIBUTES_H_
