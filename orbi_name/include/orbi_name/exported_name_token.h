// The library's exported name token, as PLVORBIInternalName::Export writes
// it and Set reads it under the exported-name type, read back field by
// field: for callers that show or check a token without importing it.
//
//   04 01 | M (2 bytes) | mechanism OID (M bytes) | N (4 bytes) |
//   name (N bytes) | T (2 bytes) | name type OID (T bytes)
//
// All integers are big-endian; the name type fields may be missing
// altogether (a token that ends after the name). The OIDs are content octets
// as a gss_OID holds them, without a DER tag and length. This is not the
// token of RFC 2743, section 3.2, that the GSS-API module writes (with the
// mechanism OID DER-wrapped and no name type).
//
// Thread safety: the functions keep no state.
#ifndef ORBI_NAME_EXPORTED_NAME_TOKEN_H_
#define ORBI_NAME_EXPORTED_NAME_TOKEN_H_

#include <stddef.h>
#include <stdint.h>

#include "orbi_name/export.h"

namespace orbi_name {

// The fields of a token, in their order; kNone where no field is wrong.
enum class TokenField {
  kNone = 0,
  kIdentifier,
  kMechanismLength,
  kMechanism,
  kNameLength,
  kName,
  kNameTypeLength,
  kNameType,
  kTrailing,  // bytes behind the name type OID
};

// A token's fields; the pointers point into the token's bytes.
struct TokenView {
  uint32_t token_id = 0;
  const unsigned char* mechanism = nullptr;
  uint32_t mechanism_length = 0;
  const unsigned char* name = nullptr;
  uint32_t name_length = 0;
  bool has_name_type = false;
  const unsigned char* name_type = nullptr;
  uint32_t name_type_length = 0;
};

// Why a token was refused: the first wrong field, where it starts, and what
// stood there.
struct TokenRefusal {
  TokenField field = TokenField::kNone;
  size_t offset = 0;   // offset of the wrong field in the token
  size_t left = 0;     // bytes of the token from that offset on
  uint32_t found = 0;  // kIdentifier: the identifier read (when complete);
                       // kMechanism, kName, kNameType: the length that the
                       // field before announced
};

// ParseExportedNameToken splits the length bytes at token into *view and
// returns TokenField::kNone; or returns the first field that is wrong (cut
// off, not the identifier 04 01, longer than the bytes left, or followed by
// bytes) and describes it in *refusal when refusal is not null. It judges
// the layout only: whether the mechanism and name type are OIDs the library
// takes is for the import to say. *view is written only on kNone; a null
// view is allowed. A null token reads as no bytes.
ORBI_NAME_EXPORT TokenField ParseExportedNameToken(const void* token,
                                                   size_t length,
                                                   TokenView* view,
                                                   TokenRefusal* refusal);

// TokenFieldName names a field for people ("mechanism OID length"); "" for
// kNone.
ORBI_NAME_EXPORT const char* TokenFieldName(TokenField field);

}  // namespace orbi_name

#endif  // ORBI_NAME_EXPORTED_NAME_TOKEN_H_
