#include "table_oids.h"

#include <assert.h>
#include <string.h>

#include "der/oid.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"
#include "short_bytes.h"

namespace orbi_name {
namespace internal {

namespace {

// SameBytes is true when oid holds exactly the content octets of table_oid.
// The table's objects are valid encodings, so equal bytes mean equal OIDs;
// this settles the common case without decoding anything.
[[nodiscard]] bool SameBytes(gss_OID oid, gss_OID table_oid) {
  return oid->length == table_oid->length && oid->elements != nullptr &&
         EqualBytes(oid->elements, table_oid->elements, oid->length);
}

}  // namespace

const TableOids kTableOids = {ORBIGetOID(kORBIExportedNameTypeIndex),
                              ORBIGetOID(kORBIDefaultNameTypeIndex),
                              ORBIGetOID(kORBIAnonymousNameTypeIndex),
                              ORBIGetOID(kORBIMechanismIndex)};

bool MatchesTableOid(gss_OID oid, gss_OID table_oid) {
  if (oid == nullptr) return false;
  if (oid == table_oid || SameBytes(oid, table_oid)) return true;
  return PLVORBIInternalOID::OIDChecker(oid, table_oid) != 0;
}

OM_uint32 CheckMechanism(gss_OID mech) {
  assert(mech != nullptr);
  gss_OID own = Oids().mechanism;
  if (mech == own || SameBytes(mech, own)) return status::SUCCESS;
  // DER is canonical: valid content octets other than the mechanism's are
  // another OID.
  if (mech->elements == nullptr ||
      !orbi::der::IsValidOidContent(
          static_cast<const unsigned char*>(mech->elements), mech->length)) {
    return status::INVALID_MECH;
  }
  return status::MECH_NOT_SUPPORTED;
}

int FindTableIndex(gss_OID oid) {
  if (oid == nullptr) return -1;
  // The table's own objects are known by their address.
  const int own = ORBIOIDTableIndex(oid);
  if (own >= 0) return own;
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    if (MatchesTableOid(oid, ORBIGetOID(i))) return i;
  }
  return -1;
}

gss_OID FindTableOid(gss_OID oid) {
  const int index = FindTableIndex(oid);
  return index < 0 ? nullptr : ORBIGetOID(index);
}

NameTypeKind ClassifyNameType(gss_OID type) {
  if (type == nullptr) return NameTypeKind::kText;
  const TableOids& oids = Oids();
  const struct {
    gss_OID type;
    NameTypeKind kind;
  } kAccepted[] = {
      {oids.default_type, NameTypeKind::kText},
      {oids.exported_type, NameTypeKind::kExportedToken},
      {oids.anonymous_type, NameTypeKind::kAnonymous},
  };
  for (const auto& accepted : kAccepted) {
    if (MatchesTableOid(type, accepted.type)) return accepted.kind;
  }
  return NameTypeKind::kRefused;
}

}  // namespace internal
}  // namespace orbi_name
