// The public answers of orbi_name/rules.h, each from the code that applies
// the rule.
#include "orbi_name/rules.h"

#include <string.h>

#include "orbi_name/status.h"
#include "table_oids.h"

namespace orbi_name {

OM_uint32 CheckMechanism(gss_OID mech) {
  if (mech == nullptr) return status::BAD_INPUT;
  return internal::CheckMechanism(mech);
}

bool KeepsText(const void* bytes, size_t length) {
  if (length == 0) return true;
  const auto* first = static_cast<const unsigned char*>(bytes);
  const void* nul = memchr(first, '\0', length);
  if (nul == nullptr) return true;
  for (auto* p = static_cast<const unsigned char*>(nul); p < first + length;
       ++p) {
    if (*p != 0) return false;
  }
  return true;
}

}  // namespace orbi_name
