// The exported name token of a name: Export.
#include <assert.h>
#include <stdint.h>
#include <stdlib.h>

#include "hints.h"
#include "library_token_codec.h"
#include "orbi_name/internal_name.h"
#include "scoped.h"

using orbi_name::internal::IsLibraryLayout;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MutexLock;
using orbi_name::internal::TokenSize;
using orbi_name::internal::WriteLibraryToken;
namespace status = orbi_name::status;

namespace {

constexpr char kExportText[] = "PLVORBIInternalName::Export()";

// The OID length fields of the token are two bytes wide.
constexpr uint32_t kOidLengthMask = 0xFFFF;

// ExportRefusal is Export's status when something it needs is missing: a
// name without a type outweighs one without a mechanism, which outweighs a
// missing token.
ORBI_COLD OM_uint32 ExportRefusal(gss_buffer_t token, gss_OID mech,
                                  gss_OID type) {
  if (type == nullptr) return status::BAD_NAME_TYPE;
  if (mech == nullptr) return status::NO_MECH;
  if (token == nullptr) return status::BAD_INPUT;
  return status::SUCCESS;
}

}  // namespace

OM_uint32 PLVORBIInternalName::Export(gss_buffer_t token) {
  ORBI_TRACE_SCOPE(kNameSource, kExportText);
  // One hold covers the tests, the measuring and the copying, so the token
  // shows one state of the name.
  MutexLock lock(mutex);
  if (token == nullptr || mechType == nullptr || nameType == nullptr) {
    return ExportRefusal(token, mechType, nameType);
  }

  // Every name holds the library's layout (the constructor writes the
  // constants and nothing changes them), so the token is measured once and
  // written straight through.
  assert(IsLibraryLayout(tokenIdSize, tokenId, mechOidLengthSize,
                         nameLengthSize, nameTypeOidLengthSize));
  // The OID length fields carry 16 bits; M and T are what they announce.
  const uint32_t m = mechType->length & kOidLengthMask;
  const uint32_t t = nameType->length & kOidLengthMask;
  const size_t total = TokenSize(m, nameLength, t);
  token->value = nullptr;
  token->length = 0;
  auto* block = static_cast<unsigned char*>(malloc(total));
  if (block == nullptr) return status::NO_MEMORY;
  const unsigned char* end =
      WriteLibraryToken(block, mechType->elements, m, nameValue, nameLength,
                        nameType->elements, t);
  // The token fills exactly what was measured.
  assert(end == block + total);
  (void)end;
  token->value = block;
  token->length = total;
  return status::SUCCESS;
}
