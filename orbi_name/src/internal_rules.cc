// The answers of orbi_name/internal/rules.h, each from the code that applies
// the rule. Compiled into the library and again into orbi_name_internal for
// the project's module and tool; exported by neither.
#include "orbi_name/internal/rules.h"
#include "table_oids.h"

namespace orbi_name {

int FindTableEntry(gss_OID oid) { return internal::FindTableIndex(oid); }

NameTypeKind ClassifyNameType(gss_OID type) {
  return internal::ClassifyNameType(type);
}

}  // namespace orbi_name
