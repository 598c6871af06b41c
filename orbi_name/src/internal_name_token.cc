// The exported name token of a name: Export.
#include <assert.h>
#include <stdint.h>
#include <stdlib.h>

#include "orbi_name/internal_name.h"
#include "scoped.h"
#include "token.h"

using orbi_name::TokenView;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MutexLock;
using orbi_name::internal::TokenLayout;
using orbi_name::internal::TokenSize;
using orbi_name::internal::WriteToken;
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

  // The OID length fields carry 16 bits; M and T are what they announce.
  TokenView view;
  view.mechanism = static_cast<const unsigned char*>(mechType->elements);
  view.mechanism_length = mechType->length & kOidLengthMask;
  view.name = reinterpret_cast<const unsigned char*>(nameValue);
  view.name_length = nameLength;
  view.name_type = static_cast<const unsigned char*>(nameType->elements);
  view.name_type_length = nameType->length & kOidLengthMask;
  const TokenLayout layout = {tokenIdSize, tokenId, mechOidLengthSize,
                              nameLengthSize, nameTypeOidLengthSize};
  const size_t total = TokenSize(layout, view.mechanism_length,
                                 view.name_length, view.name_type_length);
  token->value = nullptr;
  token->length = 0;
  auto* block = static_cast<unsigned char*>(malloc(total));
  if (block == nullptr) return status::NO_MEMORY;
  // The token fills exactly what was measured; anything else is a fault in
  // the codec, not a shortage of memory.
  const bool written = WriteToken(layout, view, block, total);
  assert(written);
  if (!written) {
    free(block);
    return status::NO_MEMORY;
  }
  token->value = block;
  token->length = total;
  return status::SUCCESS;
}
