// The library's rules as answers, for callers that translate between the
// library and another interface (the GSS-API module, the tool): they ask
// here instead of restating a rule.
//
// Thread safety: the functions keep no state and write no trace record; any
// thread may call them. Only DescribeText, which reads a name, takes a lock
// (the name's).
#ifndef ORBI_NAME_RULES_H_
#define ORBI_NAME_RULES_H_

#include <stddef.h>

#include "orbi_name/export.h"
#include "orbi_services/gss_types.h"

class PLVORBIInternalName;

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

// FindTableEntry returns the index of the OID table entry (ORBIGetOID) that
// holds the same OID as oid, by value: the table's own object or any copy of
// its content octets. Returns -1 for a null oid, null elements, bytes that
// are no OID and an OID the table does not hold. Allocates nothing.
ORBI_NAME_EXPORT int FindTableEntry(gss_OID oid);

// How the import (PLVORBIInternalName::Set) reads a name of a given type.
enum class NameTypeKind : int {
  kText = 0,           // no type or the default name type: the bytes are a
                       // text, its first line the database path
  kAnonymous = 1,      // the anonymous name type: the bytes are ignored
  kExportedToken = 2,  // the exported-name type: the bytes are a token
  kRefused = 3,        // any other type: refused with BAD_NAME_TYPE (36)
};

// ClassifyNameType tells how Set reads a name of type, by value: the
// answer the import itself acts on. A null type is kText. Allocates nothing.
ORBI_NAME_EXPORT NameTypeKind ClassifyNameType(gss_OID type);

// What a name's text holds, as GetDatabasePath and Read see it.
struct TextLayout {
  bool anonymous = false;    // the name type is the anonymous type,
                             // ORBIGetOID(6)
  bool has_path = false;     // GetDatabasePath hands out a path
  bool has_entries = false;  // Read from a cursor of 0 hands out an entry
};

// DescribeText fills *layout from name's type and text under one hold of the
// name's lock, without copying anything: for callers that only need to know
// whether a name has a database path or entries (GetDatabasePath and Read
// would hand out copies). Its time grows with the length of the database
// path alone, which it scans for the line feed that ends it. Returns 0; 10
// (BAD_INPUT) for a null name or layout, layout then untouched.
ORBI_NAME_EXPORT OM_uint32 DescribeText(PLVORBIInternalName* name,
                                        TextLayout* layout);

}  // namespace orbi_name

#endif  // ORBI_NAME_RULES_H_
