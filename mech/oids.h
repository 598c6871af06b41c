// The OIDs the module compares or hands out that the OID table does not
// hold, each with its dotted text beside its DER content octets; the
// table's own OIDs are its rows (kORBIOIDRoles, orbi_services/oid_table.h).
// tests/mech/mech_oids_test.cc checks every one against OpenSSL's encoding
// of its dotted text.
//
// Thread safety: constants only.
#ifndef ORBI_MECH_OIDS_H_
#define ORBI_MECH_OIDS_H_

#include "orbi_services/oid_table.h"

namespace orbi_mech {

// KnownOid is one OID the module knows: its dotted text and its content
// octets.
struct KnownOid {
  const char* dotted;
  ORBIOIDOctets der;
};

// GSS_C_NT_COMPOSITE_EXPORT (RFC 6680): the name type of a composite
// exported name token. The library reads no composite token, so the module
// recognises the type itself (names.cc).
constexpr KnownOid kCompositeExportType = {"1.3.6.1.5.6.6",
                                           "\x2B\x06\x01\x05\x06\x06"};

// The arc of the mechanism attributes (RFC 5587, section 3.4): attribute N
// is 1.3.6.1.5.5.13.N, for N from 1 (GSS_C_MA_MECH_CONCRETE) to 27
// (GSS_C_MA_CTX_TRANS) (mechanism.cc).
constexpr KnownOid kMechAttrArc = {"1.3.6.1.5.5.13",
                                   "\x2B\x06\x01\x05\x05\x0D"};

// Every OID above, for the test that checks them.
constexpr KnownOid kKnownOids[] = {kCompositeExportType, kMechAttrArc};

}  // namespace orbi_mech

#endif  // ORBI_MECH_OIDS_H_
