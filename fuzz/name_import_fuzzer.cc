// Exported name tokens read back: Set with the exported-name type on
// arbitrary bytes.
//
// Invariants: a refused token gives 36, 23 or 24 and leaves the name as it
// was; an accepted token gives the name the mechanism, the token's name bytes
// and length, and the table's own name type; it re-exports byte for byte
// (a token that ends after the name carries no name type and exports nothing).
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "fuzz_check.h"
#include "orbi_name/internal/library_token.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"

namespace {

namespace status = orbi_name::status;

std::string Bytes(const gss_buffer_desc& b) {
  return std::string(static_cast<const char*>(b.value), b.length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<unsigned char> bytes;
  bytes.reserve(size > 0 ? size : 1);
  bytes.assign(data, data + size);
  gss_buffer_desc token = {size, bytes.data()};

  PLVORBIInternalName name;
  char old_text[] = "old";
  FUZZ_CHECK(name.ChangeExternalName(old_text) == status::SUCCESS);
  PLVORBIInternalName before;
  before = name;

  const OM_uint32 result =
      name.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &token);
  // The layout as the token reader sees it: a token it refuses is refused
  // with 36 whatever its mechanism.
  orbi_name::TokenView view;
  const orbi_name::TokenField wrong =
      orbi_name::ParseExportedNameToken(data, size, &view, nullptr);
  if (wrong != orbi_name::TokenField::kNone) {
    FUZZ_CHECK(result == status::BAD_NAME_TYPE);
  }
  if (result != status::SUCCESS) {
    FUZZ_CHECK(result == status::BAD_NAME_TYPE ||
               result == status::INVALID_MECH ||
               result == status::MECH_NOT_SUPPORTED);
    FUZZ_CHECK(name == before);
    return 0;
  }

  FUZZ_CHECK(wrong == orbi_name::TokenField::kNone);
  const size_t n = view.name_length;
  FUZZ_CHECK(view.mechanism_length == ORBIGetOID(kORBIMechanismIndex)->length &&
             memcmp(view.mechanism, ORBIGetOID(kORBIMechanismIndex)->elements,
                    view.mechanism_length) == 0);

  gss_buffer_desc shown = {0, nullptr};
  gss_OID type = reinterpret_cast<gss_OID>(1);
  FUZZ_CHECK(name.Display(&shown, &type) == status::SUCCESS);
  FUZZ_CHECK(Bytes(shown) ==
             std::string(reinterpret_cast<const char*>(view.name), n));
  FUZZ_CHECK(static_cast<char*>(shown.value)[n] == '\0');
  free(shown.value);

  gss_buffer_desc again = {0, nullptr};
  const OM_uint32 exported = name.Export(&again);
  if (!view.has_name_type) {
    FUZZ_CHECK(type == nullptr);
    FUZZ_CHECK(exported == status::BAD_NAME_TYPE);
    return 0;
  }
  bool from_table = false;
  for (int i = 0; i < kORBIOIDTableSize; ++i)
    from_table |= type == ORBIGetOID(i);
  FUZZ_CHECK(from_table);
  FUZZ_CHECK(exported == status::SUCCESS);
  FUZZ_CHECK(again.length == size && memcmp(again.value, data, size) == 0);
  free(again.value);
  return 0;
}
