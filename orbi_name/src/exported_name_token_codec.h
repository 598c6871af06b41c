// The exported name token's codec: the one place that writes and reads its
// layout (orbi_name/exported_name_token.h). Export, the import of a token and
// ParseExportedNameToken call it.
#ifndef ORBI_NAME_SRC_EXPORTED_NAME_TOKEN_CODEC_H_
#define ORBI_NAME_SRC_EXPORTED_NAME_TOKEN_CODEC_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "orbi_name/exported_name_token.h"
#include "short_bytes.h"

namespace orbi_name {
namespace internal {

// The widths of the fixed fields and the identifier. A name carries them as
// its layout constants; every name holds kTokenLayout.
struct TokenLayout {
  uint32_t token_id_size;
  uint32_t token_id;
  uint32_t mechanism_length_size;
  uint32_t name_length_size;
  uint32_t name_type_length_size;
};
inline constexpr TokenLayout kTokenLayout = {2, 0x0401, 2, 4, 2};

// ParseToken reads a token in the given layout; see ParseExportedNameToken.
[[nodiscard]] TokenField ParseToken(const TokenLayout& layout,
                                    const unsigned char* data, size_t length,
                                    TokenView* view, TokenRefusal* refusal);

// TokenSize is the length of a token with the given field lengths.
[[nodiscard]] inline size_t TokenSize(const TokenLayout& layout,
                                      uint32_t mechanism_length,
                                      uint32_t name_length,
                                      uint32_t name_type_length) {
  return size_t{layout.token_id_size} + layout.mechanism_length_size +
         mechanism_length + layout.name_length_size + name_length +
         layout.name_type_length_size + name_type_length;
}

// IsLibraryLayout is true for kTokenLayout, the layout every name holds.
[[nodiscard]] inline bool IsLibraryLayout(const TokenLayout& layout) {
  return layout.token_id_size == 2 && layout.token_id == 0x0401 &&
         layout.mechanism_length_size == 2 && layout.name_length_size == 4 &&
         layout.name_type_length_size == 2;
}

// WriteLibraryToken writes a token in kTokenLayout at out, straight
// through, and returns the end of what it wrote. REQUIRES: out holds
// TokenSize(kTokenLayout, m, n, t) bytes.
inline unsigned char* WriteLibraryToken(unsigned char* out,
                                        const void* mechanism, uint32_t m,
                                        const void* name, uint32_t n,
                                        const void* name_type, uint32_t t) {
  out[0] = 0x04;
  out[1] = 0x01;
  out[2] = static_cast<unsigned char>(m >> 8);
  out[3] = static_cast<unsigned char>(m);
  unsigned char* p = out + 4;
  CopyBytes(p, mechanism, m);
  p += m;
  p[0] = static_cast<unsigned char>(n >> 24);
  p[1] = static_cast<unsigned char>(n >> 16);
  p[2] = static_cast<unsigned char>(n >> 8);
  p[3] = static_cast<unsigned char>(n);
  p += 4;
  CopyBytes(p, name, n);
  p += n;
  p[0] = static_cast<unsigned char>(t >> 8);
  p[1] = static_cast<unsigned char>(t);
  p += 2;
  CopyBytes(p, name_type, t);
  return p + t;
}

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_EXPORTED_NAME_TOKEN_CODEC_H_
