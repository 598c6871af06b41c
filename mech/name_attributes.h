// A name's database path and entries as RFC 6680 name attributes.
//
// A name of the mechanism whose text is "db/users\nalice\nbob" has two
// attributes, named by URIs under the mechanism's OID M (urn:oid:M and a
// suffix, each a row of name_attributes.def): the database path, one value,
// "db/users"; and the entries, one value each, in order, "alice", "bob".
//
// The attributes are one table in name_attributes.cc, made from the rows of
// name_attributes.def: the URI's suffix under the mechanism's OID, and
// whether a name has the attribute and how its values are read (both from
// the name's layout, which its record keeps: name_record.h). Every
// attribute is read-only. The functions below loop over the table, so
// adding an attribute is one row in name_attributes.def and its Has and Read
// functions in name_attributes.cc.
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
// RFC 6680's `more`. A value is asked for with *more -1 for the first and,
// for each further one, the *more the previous call left; 0 follows the
// last. For the entries, *more is the index of the next entry (1 for the
// second), so a value is found again by the *more that led to it, by any
// thread, in any order: the name's record keeps every entry by its index,
// and each call takes constant time whatever the index, the order of the
// calls or the number of names read at once. The module keeps no reading
// state of its own.
//
// *more is refused (GSS_S_UNAVAILABLE, minor NO_SUCH_ATTRIBUTE, *more left
// as it was) when it designates no value: 0, below -1, an index past the
// last entry, and anything but -1 for the path's one value. A name's text
// never changes, so no *more can come from an earlier text of the same name.
//
// An int counts to 2^31 - 1, so entries from index 2^31 - 1 on cannot all
// be designated (only a text of more than 2 GiB has that many). The entry at
// index 2^31 - 1 is handed out when it is the last; when entries follow it,
// the call that asks for it is refused with GSS_S_UNAVAILABLE and minor
// VALUE_OUT_OF_REACH instead of handing it out with a *more that cannot say
// what follows. Every earlier entry is reachable.
//
// Thread safety: the functions keep no state; they read the name's record,
// which takes no lock once it holds the layout (name_record.h).
#ifndef ORBI_MECH_NAME_ATTRIBUTES_H_
#define ORBI_MECH_NAME_ATTRIBUTES_H_

#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>

#include "name_record.h"

namespace orbi_mech {

// InquireAttributes hands out, in a new set, the names of the attributes
// that name has, in the table's order. Returns GSS_S_COMPLETE; on failure
// *attrs is untouched.
[[nodiscard]] OM_uint32 InquireAttributes(OM_uint32* minor, NameRecord* name,
                                          gss_buffer_set_t* attrs);

// GetAttribute hands out one value of attr with RFC 6680's iteration (see
// above). value and display_value may be null. GSS_S_UNAVAILABLE (minor
// NO_SUCH_ATTRIBUTE) for an attribute the name does not have or a *more that
// designates no value, (minor VALUE_OUT_OF_REACH) for an entry *more cannot
// carry the position behind; *more is then untouched. On failure value and
// display_value are empty.
[[nodiscard]] OM_uint32 GetAttribute(OM_uint32* minor, NameRecord* name,
                                     const gss_buffer_desc& attr,
                                     int* authenticated, int* complete,
                                     gss_buffer_t value,
                                     gss_buffer_t display_value, int* more);

// ChangeAttribute answers a request to set or delete attr:
// GSS_S_UNAUTHORIZED (minor READ_ONLY_ATTRIBUTE) for an attribute of the
// table, each of which may only be read; GSS_S_UNAVAILABLE (minor
// NO_SUCH_ATTRIBUTE) for any other.
[[nodiscard]] OM_uint32 ChangeAttribute(OM_uint32* minor,
                                        const gss_buffer_desc& attr);

}  // namespace orbi_mech

#endif  // ORBI_MECH_NAME_ATTRIBUTES_H_
