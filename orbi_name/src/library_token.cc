#include "der/bytes.h"
#include "library_token_codec.h"
#include "orbi_name/exported_name_token.h"

namespace orbi_name {
namespace internal {

using orbi::der::ByteReader;

TokenField ParseToken(const unsigned char* data, size_t length, TokenView* view,
                      TokenRefusal* refusal) {
  if (data == nullptr) length = 0;
  ByteReader reader(data, length);
  size_t at = 0;  // offset of the field being read
  auto refuse = [&](TokenField field, uint32_t found) {
    if (refusal != nullptr) {
      refusal->field = field;
      refusal->offset = at;
      refusal->left = length - at;
      refusal->found = found;
    }
    return field;
  };
  auto next = [&] { at = length - reader.left(); };

  TokenView fields;
  if (!reader.ReadU16(&fields.token_id)) {
    return refuse(TokenField::kIdentifier, 0);
  }
  if (fields.token_id != kLibraryTokenId) {
    return refuse(TokenField::kIdentifier, fields.token_id);
  }
  next();
  if (!reader.ReadU16(&fields.mechanism_length)) {
    return refuse(TokenField::kMechanismLength, 0);
  }
  next();
  if (!reader.ReadBytes(fields.mechanism_length, &fields.mechanism)) {
    return refuse(TokenField::kMechanism, fields.mechanism_length);
  }
  next();
  if (!reader.ReadU32(&fields.name_length)) {
    return refuse(TokenField::kNameLength, 0);
  }
  next();
  if (!reader.ReadBytes(fields.name_length, &fields.name)) {
    return refuse(TokenField::kName, fields.name_length);
  }
  // A token that ends after the name carries no name type; otherwise what
  // follows must be exactly one length field and the OID it announces.
  if (reader.left() > 0) {
    next();
    if (!reader.ReadU16(&fields.name_type_length)) {
      return refuse(TokenField::kNameTypeLength, 0);
    }
    next();
    if (!reader.ReadBytes(fields.name_type_length, &fields.name_type)) {
      return refuse(TokenField::kNameType, fields.name_type_length);
    }
    fields.has_name_type = true;
    next();
    if (reader.left() != 0) return refuse(TokenField::kTrailing, 0);
  }
  *view = fields;
  return TokenField::kNone;
}

}  // namespace internal

TokenField ParseExportedNameToken(const void* token, size_t length,
                                  TokenView* view, TokenRefusal* refusal) {
  TokenView ignored;
  return internal::ParseToken(static_cast<const unsigned char*>(token), length,
                              view != nullptr ? view : &ignored, refusal);
}

const char* TokenFieldName(TokenField field) {
  switch (field) {
    case TokenField::kNone:
      return "";
    case TokenField::kIdentifier:
      return "token identifier";
    case TokenField::kMechanismLength:
      return "mechanism OID length";
    case TokenField::kMechanism:
      return "mechanism OID";
    case TokenField::kNameLength:
      return "name length";
    case TokenField::kName:
      return "name";
    case TokenField::kNameTypeLength:
      return "name type OID length";
    case TokenField::kNameType:
      return "name type OID";
    case TokenField::kTrailing:
      return "bytes after the name type OID";
  }
  return "";
}

}  // namespace orbi_name
