// The OID table's entries that the name operations use, and how a caller's
// OID is matched against them.
#ifndef ORBI_NAME_SRC_TABLE_OIDS_H_
#define ORBI_NAME_SRC_TABLE_OIDS_H_

#include "orbi_name/internal/rules.h"
#include "orbi_services/gss_types.h"

namespace orbi_name {
namespace internal {

// The table's objects that names store. ORBIGetOID hands out the same
// object for an index for the life of the process, so each is asked for
// once.
struct TableOids {
  gss_OID exported_type;
  gss_OID default_type;
  gss_OID anonymous_type;
  gss_OID mechanism;
};
// Resolved when the library is loaded (the table's library is loaded and
// its constant table in place before), so a use is one load.
extern const TableOids kTableOids;
[[nodiscard]] inline const TableOids& Oids() { return kTableOids; }

// MatchesTableOid is true when oid is table_oid by value (OIDChecker's
// answer); the table's own pointer and a byte-for-byte copy are recognised
// without validating the bytes. A null oid matches nothing.
[[nodiscard]] bool MatchesTableOid(gss_OID oid, gss_OID table_oid);

// CheckMechanism returns SUCCESS when mech is the library's mechanism by
// value, INVALID_MECH when its bytes do not decode and MECH_NOT_SUPPORTED
// when it is another OID. Allocates
// nothing, so a shortage of memory cannot pass for an unreadable mechanism.
// REQUIRES: mech is not null.
[[nodiscard]] OM_uint32 CheckMechanism(gss_OID mech);

// FindTableOid returns the table's own object holding the same OID as oid,
// or null when the table holds none. The table's entries are distinct OIDs.
[[nodiscard]] gss_OID FindTableOid(gss_OID oid);

// FindTableIndex is FindTableOid's entry as its index, or -1.
[[nodiscard]] int FindTableIndex(gss_OID oid);

// ClassifyNameType tells how Set reads a name of type (rules.h); a null
// type is read as a text.
[[nodiscard]] NameTypeKind ClassifyNameType(gss_OID type);

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_TABLE_OIDS_H_
