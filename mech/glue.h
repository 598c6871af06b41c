// Where the two GSS-API mechanism glues that load the module differ, MIT
// krb5's and Heimdal's: what the shared objects ask of the file of each glue.
//
// orbi_mech.so (for MIT's glue) and orbi_mech_heimdal.so (for Heimdal's) are
// linked from the same objects, the entry points of orbi_mech.cc and the
// files beside it, plus one file of their glue's: mit_glue.cc or
// heimdal_glue.cc, which each define every function below. Nothing else is
// declared here: a glue's file reaches the name logic through names.h. They are
// two modules, not one that serves both, because the glues disagree on who owns
// the bytes of the OIDs in a set the module hands out: MIT's
// gss_release_oid_set frees each OID's bytes, Heimdal's only the set and its
// array. A module cannot tell which glue loaded it without guessing, and any
// guess that is wrong leaks or frees memory that is not the glue's. With one
// file per glue, what Heimdal needs leaves orbi_mech.so as it is.
//
// Exported name tokens are not among the differences: both glues read the
// header of a token imported under GSS_C_NT_EXPORT_NAME, take the
// identifiers 04 01 and 04 02 alike, and hand the whole token on (MIT's under
// the type its caller gave, Heimdal's under the exported-name type), so both
// modules read either kind of token under either token type (names.h).
//
// Thread safety: the functions keep no state; any thread may call them.
#ifndef ORBI_MECH_GLUE_H_
#define ORBI_MECH_GLUE_H_

#include <gssapi/gssapi.h>
#include <stddef.h>

namespace orbi_mech {

// NewOidSet hands out in *out a set holding the count OIDs at oids, in the
// form the glue's gss_release_oid_set releases. The set and its array of
// descriptors are blocks from malloc under both glues; the OIDs' bytes are a
// malloc copy each under MIT's glue, and under Heimdal's the bytes given,
// which must therefore last as long as the process (the OID table's, or a
// static array). Returns GSS_S_COMPLETE, or GSS_S_FAILURE with the library's
// NO_MEMORY and *out unchanged when memory runs out.
[[nodiscard]] OM_uint32 NewOidSet(OM_uint32* minor, const gss_OID_desc* oids,
                                  size_t count, gss_OID_set* out);

// FreeOidSet releases a set that NewOidSet handed out, as the glue's
// gss_release_oid_set does. Ignores a null set.
void FreeOidSet(gss_OID_set set);

// UntypedNameType returns the name type under which the glue hands the
// module a text that the application imported without a type, or null when
// the glue hands it on without one. gss_import_name reads a text of that
// type as one without a type, and gss_inquire_names_for_mech lists the type.
gss_OID UntypedNameType();

}  // namespace orbi_mech

#endif  // ORBI_MECH_GLUE_H_
