// The public answers of orbi_name/rules.h, each from the code that applies
// the rule.
#include "orbi_name/rules.h"

#include "orbi_name/status.h"
#include "short_bytes.h"
#include "table_oids.h"

namespace orbi_name {

OM_uint32 CheckMechanism(gss_OID mech) {
  if (mech == nullptr) return status::BAD_INPUT;
  return internal::CheckMechanism(mech);
}

bool KeepsText(const void* bytes, size_t length) {
  if (length == 0) return true;
  // Where the import ends the text (text_block.h's TextEnd, for any length).
  const auto* first = static_cast<const unsigned char*>(bytes);
  for (size_t i = internal::FirstNul(first, length); i < length; ++i) {
    if (first[i] != 0) return false;
  }
  return true;
}

}  // namespace orbi_name
