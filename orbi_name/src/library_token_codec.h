// The library's token codec: the one place that writes and reads its layout
// (orbi_name/internal/library_token.h). Export, the import of a token and
// ParseExportedNameToken call it.
#ifndef ORBI_NAME_SRC_LIBRARY_TOKEN_CODEC_H_
#define ORBI_NAME_SRC_LIBRARY_TOKEN_CODEC_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "der/bytes.h"
#include "orbi_name/internal/library_token.h"
#include "short_bytes.h"

namespace orbi_name {
namespace internal {

// ParseToken reads a token; see ParseExportedNameToken.
[[nodiscard]] TokenField ParseToken(const unsigned char* data, size_t length,
                                    TokenView* view, TokenRefusal* refusal);

// TokenSize is the length of a token with the given field lengths.
[[nodiscard]] inline size_t TokenSize(uint32_t mechanism_length,
                                      uint32_t name_length,
                                      uint32_t name_type_length) {
  return kLibraryTokenIdWidth + kLibraryTokenOidLengthWidth + mechanism_length +
         kLibraryTokenNameLengthWidth + name_length +
         kLibraryTokenOidLengthWidth + name_type_length;
}

// IsLibraryLayout is true when a name's layout constants (tokenIdSize,
// tokenId, mechOidLengthSize, nameLengthSize, nameTypeOidLengthSize) are
// the layout this codec reads and writes. The constructor writes them and
// nothing changes them, so every name holds it.
[[nodiscard]] inline bool IsLibraryLayout(uint32_t token_id_size,
                                          uint32_t token_id,
                                          uint32_t mechanism_length_size,
                                          uint32_t name_length_size,
                                          uint32_t name_type_length_size) {
  return token_id_size == kLibraryTokenIdWidth && token_id == kLibraryTokenId &&
         mechanism_length_size == kLibraryTokenOidLengthWidth &&
         name_length_size == kLibraryTokenNameLengthWidth &&
         name_type_length_size == kLibraryTokenOidLengthWidth;
}

static_assert(kLibraryTokenIdWidth == 2 && kLibraryTokenOidLengthWidth == 2 &&
                  kLibraryTokenNameLengthWidth == 4,
              "the writer and the reader use 16- and 32-bit fields");

// WriteLibraryToken writes a token at out, straight through, and returns
// the end of what it wrote. REQUIRES: out holds TokenSize(m, n, t) bytes.
inline unsigned char* WriteLibraryToken(unsigned char* out,
                                        const void* mechanism, uint32_t m,
                                        const void* name, uint32_t n,
                                        const void* name_type, uint32_t t) {
  // Each field is stored by der/bytes.h and the write goes on behind it.
  const auto put16 = [](unsigned char* at, uint32_t value) {
    orbi::der::StoreU16(at, value);
    return at + 2;
  };
  const auto put32 = [](unsigned char* at, uint32_t value) {
    orbi::der::StoreU32(at, value);
    return at + 4;
  };
  unsigned char* p = put16(out, kLibraryTokenId);
  p = put16(p, m);
  CopyBytes(p, mechanism, m);
  p = put32(p + m, n);
  CopyBytes(p, name, n);
  p = put16(p + n, t);
  CopyBytes(p, name_type, t);
  return p + t;
}

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_LIBRARY_TOKEN_CODEC_H_
