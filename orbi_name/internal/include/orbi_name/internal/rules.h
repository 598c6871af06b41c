// The library's rules that only the project's own code asks about: which
// OID table entry an OID is, and how the import reads a name of a given
// type. The GSS-API module and the tool ask here instead of restating a
// rule; orbi_name/rules.h holds the answers that applications may ask too.
//
// Not installed: the project's own code includes it and links the internal
// library (orbi_name_internal) that holds these functions.
//
// Thread safety: the functions keep no state, take no lock and write no
// trace record; any thread may call them.
#ifndef ORBI_NAME_INTERNAL_RULES_H_
#define ORBI_NAME_INTERNAL_RULES_H_

#include "orbi_name/rules.h"
#include "orbi_services/gss_types.h"

namespace orbi_name {

// FindTableEntry returns the index of the OID table entry (ORBIGetOID) that
// holds the same OID as oid, by value: the table's own object or any copy of
// its content octets. Returns -1 for a null oid, null elements, bytes that
// are no OID and an OID the table does not hold. Allocates nothing.
int FindTableEntry(gss_OID oid);

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
NameTypeKind ClassifyNameType(gss_OID type);

}  // namespace orbi_name

#endif  // ORBI_NAME_INTERNAL_RULES_H_
