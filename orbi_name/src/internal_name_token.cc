// The exported name token of a name: Export.
#include <assert.h>
#include <stdint.h>
#include <stdlib.h>

#include "orbi_name/internal_name.h"
#include "scoped.h"
#include "token.h"

using orbi_name::internal::IsStandardLayout;
using orbi_name::internal::kNameSource;
using orbi_name::internal::kTokenLayout;
using orbi_name::internal::MutexLock;
using orbi_name::internal::TokenSize;
using orbi_name::internal::WriteStandardToken;
namespace status = orbi_name::status;

namespace {

constexpr char kExportText[] = "PLVORBIInternalName::Export()";

// The OID length fields of the token are two bytes wide.
constexpr uint32_t kOidLengthMask = 0xFFFF;

}  // namespace

OM_uint32 PLVORBIInternalName::Export(gss_buffer_t token) {
  ORBI_TRACE_SCOPE(kNameSource, kExportText);
  OM_uint32 result = status::SUCCESS;
  if (token == nullptr) result = status::BAD_INPUT;
  // One hold covers the tests, the measuring and the copying, so the token
  // shows one state of the name.
  MutexLock lock(mutex);
  if (mechType == nullptr) result = status::NO_MECH;
  if (nameType == nullptr) result = status::BAD_NAME_TYPE;
  if (result != status::SUCCESS) return result;

  // Every name holds the standard layout (the constructor writes the
  // constants and nothing changes them), so the token is measured once and
  // written straight through.
  assert(IsStandardLayout({tokenIdSize, tokenId, mechOidLengthSize,
                           nameLengthSize, nameTypeOidLengthSize}));
  // The OID length fields carry 16 bits; M and T are what they announce.
  const uint32_t m = mechType->length & kOidLengthMask;
  const uint32_t t = nameType->length & kOidLengthMask;
  const size_t total = TokenSize(kTokenLayout, m, nameLength, t);
  token->value = nullptr;
  token->length = 0;
  auto* block = static_cast<unsigned char*>(malloc(total));
  if (block == nullptr) return status::NO_MEMORY;
  const unsigned char* end =
      WriteStandardToken(block, mechType->elements, m, nameValue, nameLength,
                         nameType->elements, t);
  // The token fills exactly what was measured.
  assert(end == block + total);
  (void)end;
  token->value = block;
  token->length = total;
  return status::SUCCESS;
}
