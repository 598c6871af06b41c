// The module's names: what the name entry points of both modules
// (orbi_mech.cc, and heimdal_glue.cc's gss_canonicalize_name) do once their
// arguments are checked. Each name the module hands out is a NameRecord
// (name_record.h) from new, whose library name is bound to the mechanism
// (ORBIGetOID(kORBIMechanismIndex)).
//
// The functions below take arguments the entry point has checked: names that
// the module made, outputs that are there (and emptied by Enter), inputs
// that can be read. Each returns the major status and sets *minor (the
// library's status where a library call decided, else minor_status.h); on
// failure an output is left as the entry point emptied it. Buffers handed
// out are blocks from malloc, released by the glue with free.
//
// Thread safety: the functions keep no state. A name is never changed after
// ImportName or DuplicateName made it, and its record answers reads without
// a lock (name_record.h), so one name may be used from several threads at
// once.
#ifndef ORBI_MECH_NAMES_H_
#define ORBI_MECH_NAMES_H_

#include <gssapi/gssapi.h>

#include "name_record.h"

namespace orbi_mech {

// ImportName makes a name of input read under type: a text (no type, the
// default name type, or the type under which the glue hands over an untyped
// text, glue.h), the anonymous name (the bytes are ignored), an exported
// name token or an exported composite name token, under either
// GSS_C_NT_EXPORT_NAME or GSS_C_NT_COMPOSITE_EXPORT (RFC 6680): both glues
// hand either kind of token on under the exported-name type, and MIT's under
// the type its caller gave. Every other type is
// refused with GSS_S_BAD_NAMETYPE and the minor BAD_NAME_TYPE. A malformed
// token gives GSS_S_DEFECTIVE_TOKEN (MALFORMED_TOKEN); a composite token with a
// non-empty attribute part GSS_S_DEFECTIVE_TOKEN (ATTRIBUTES_DISAGREE), since
// a name's attributes are all read from its text (see ExportCompositeName);
// another mechanism's token GSS_S_BAD_MECH; a text or token name with bytes
// behind a NUL GSS_S_BAD_NAME (NAME_HAS_NUL). On success *output is the new
// name; else it is untouched and nothing is left behind.
[[nodiscard]] OM_uint32 ImportName(OM_uint32* minor,
                                   const gss_buffer_desc& input, gss_OID type,
                                   gss_name_t* output);

// DisplayName hands out the name's text in *text and, when type is not null,
// its name type in *type: the OID table's own object, which lives as long as
// the process (RFC 2744 has the caller treat it as read-only).
[[nodiscard]] OM_uint32 DisplayName(OM_uint32* minor, NameRecord* name,
                                    gss_buffer_t text, gss_OID* type);

// CompareNames sets *equal to 1 when the two names have the same bytes, which
// is when their exported tokens are the same, else 0. An anonymous name
// equals no name, itself included.
[[nodiscard]] OM_uint32 CompareNames(OM_uint32* minor, NameRecord* name1,
                                     NameRecord* name2, int* equal);

// ExportName writes the name's exported name token (04 01,
// standard_name_token.h) into *token.
[[nodiscard]] OM_uint32 ExportName(OM_uint32* minor, NameRecord* name,
                                   gss_buffer_t token);

// ExportCompositeName writes the name's exported composite name token (04
// 02, standard_name_token.h) into *token: the standard token's fields and,
// behind the name, an attribute part of no bytes (A = 0). Every attribute of
// a name (name_attributes.h) is read from its text, which the token already
// carries; a second copy of them would add nothing a reader could not get
// from the name, and a reader would have to check it against the name. So
// ImportName reads the token back to a name equal to this one, with the same
// attributes, and refuses a token whose attribute part is not empty.
[[nodiscard]] OM_uint32 ExportCompositeName(OM_uint32* minor, NameRecord* name,
                                            gss_buffer_t token);

// DuplicateName hands out in *output a new name equal to source, bound to the
// mechanism as every name of the module is.
[[nodiscard]] OM_uint32 DuplicateName(OM_uint32* minor, NameRecord* source,
                                      gss_name_t* output);

// ReleaseName deletes a name the module made and sets *name to
// GSS_C_NO_NAME; a null *name is left as it is.
void ReleaseName(gss_name_t* name);

}  // namespace orbi_mech

#endif  // ORBI_MECH_NAMES_H_
