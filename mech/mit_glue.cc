// Where orbi_mech.so, the module for MIT krb5's glue, meets its glue
// (glue.h): the form of an OID set, and untyped names.
#include <stdlib.h>
#include <string.h>

#include "glue.h"
#include "translate.h"

namespace orbi_mech {

// MIT's gss_release_oid_set frees each OID's bytes, then the array and the
// set, all with free; so each OID's bytes are a block of their own.
void FreeOidSet(gss_OID_set set) {
  if (set == GSS_C_NO_OID_SET) return;
  if (set->elements != nullptr) {
    for (size_t i = 0; i < set->count; ++i) free(set->elements[i].elements);
  }
  free(set->elements);
  free(set);
}

OM_uint32 NewOidSet(OM_uint32* minor, const gss_OID_desc* oids, size_t count,
                    gss_OID_set* out) {
  auto* set = static_cast<gss_OID_set>(malloc(sizeof(gss_OID_set_desc)));
  if (set == nullptr) return NoMemory(minor);
  set->count = 0;
  set->elements = static_cast<gss_OID>(calloc(count, sizeof(gss_OID_desc)));
  if (set->elements == nullptr) {
    FreeOidSet(set);
    return NoMemory(minor);
  }
  for (size_t i = 0; i < count; ++i) {
    void* bytes = malloc(oids[i].length);
    if (bytes == nullptr) {
      FreeOidSet(set);
      return NoMemory(minor);
    }
    memcpy(bytes, oids[i].elements, oids[i].length);
    set->elements[i].length = oids[i].length;
    set->elements[i].elements = bytes;
    set->count = i + 1;
  }
  *out = set;
  return GSS_S_COMPLETE;
}

// MIT's glue keeps the type of a text imported without one as null and hands
// the module null.
gss_OID UntypedNameType() { return GSS_C_NO_OID; }

}  // namespace orbi_mech
