// What the ORBI mechanism is, as the module describes it to the glue and to
// applications: its OID, the name types it takes, its RFC 5587 attributes,
// its SASL names (RFC 5801) and the texts of its minor statuses.
//
// The functions below take arguments the entry point has checked (outputs
// that are there and emptied, a mechanism OID that is this one). Each
// returns the major status and sets *minor (minor_status.h); on failure
// every output is left empty. Sets and buffers handed out are in the form
// the loading glue releases (glue.h, malloc blocks).
//
// Thread safety: the functions keep no state; the tables are constant.
#ifndef ORBI_MECH_MECHANISM_H_
#define ORBI_MECH_MECHANISM_H_

#include <gssapi/gssapi.h>

namespace orbi_mech {

// Mechanism returns the mechanism's OID: the OID table's own object
// (ORBIGetOID(kORBIMechanismIndex)), which lives as long as the process.
gss_OID Mechanism();

// NameTypes hands out the name types gss_import_name takes: the default
// name type, the exported-name type, the anonymous type and, under a glue
// that hands over an untyped text under a type of its own, that type
// (glue.h).
[[nodiscard]] OM_uint32 NameTypes(OM_uint32* minor, gss_OID_set* name_types);

// MechAttrs hands out, for each output that is not null, the mechanism's
// own RFC 5587 attributes (concrete, never a default mechanism) and the 27
// attributes of RFC 5587 section 3.4 that the module knows.
[[nodiscard]] OM_uint32 MechAttrs(OM_uint32* minor, gss_OID_set* mech_attrs,
                                  gss_OID_set* known_mech_attrs);

// SaslNames hands out, for each output that is not null, the mechanism's
// GS2 name (sasl_name.h), its name and its description.
[[nodiscard]] OM_uint32 SaslNames(OM_uint32* minor, gss_buffer_t sasl_mech_name,
                                  gss_buffer_t mech_name,
                                  gss_buffer_t mech_description);

// StatusText hands out the text of a minor status of the module,
// "ORBI mechanism: MESSAGE (NAME, status N)"; GSS_S_BAD_STATUS (minor 0)
// for a value that is none.
[[nodiscard]] OM_uint32 StatusText(OM_uint32* minor, OM_uint32 value,
                                   gss_buffer_t status_string);

// IsOwnOid is true for an object of the OID table, which the module hands
// out and which must never be freed.
[[nodiscard]] bool IsOwnOid(gss_OID oid);

}  // namespace orbi_mech

#endif  // ORBI_MECH_MECHANISM_H_
