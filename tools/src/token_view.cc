#include "token_view.h"

#include <utility>

#include "byte_text.h"
#include "holders.h"
#include "oid_view.h"
#include "orbi_name/internal/library_token.h"
#include "orbi_name/internal/rules.h"
#include "orbi_name/status.h"

namespace orbi_tool {

std::string IdentifierHex() {
  const unsigned char id[] = {
      static_cast<unsigned char>(orbi_name::kLibraryTokenId >> 8),
      static_cast<unsigned char>(orbi_name::kLibraryTokenId)};
  static_assert(sizeof(id) == orbi_name::kLibraryTokenIdWidth);
  return Hex(id, sizeof(id));
}

bool InspectToken(const std::vector<unsigned char>& token,
                  InspectedToken* fields, std::string* error) {
  using orbi_name::TokenField;
  orbi_name::TokenView view;
  orbi_name::TokenRefusal refusal;
  const TokenField wrong = orbi_name::ParseExportedNameToken(
      token.data(), token.size(), &view, &refusal);
  if (wrong != TokenField::kNone) {
    const std::string field = orbi_name::TokenFieldName(wrong);
    const std::string at = std::to_string(refusal.offset);
    const std::string left = std::to_string(refusal.left);
    switch (wrong) {
      case TokenField::kIdentifier:
        *error = refusal.left < orbi_name::kLibraryTokenIdWidth
                     ? field + ": the token has " +
                           std::to_string(token.size()) +
                           " bytes, the identifier needs " +
                           std::to_string(orbi_name::kLibraryTokenIdWidth)
                     : field + ": " + IdentifierHex() + " expected, found " +
                           Hex(token.data(), orbi_name::kLibraryTokenIdWidth);
        break;
      case TokenField::kMechanismLength:
      case TokenField::kNameTypeLength:
        *error = field + ": the token ends at offset " + at + ", inside the " +
                 std::to_string(orbi_name::kLibraryTokenOidLengthWidth) +
                 "-byte field";
        break;
      case TokenField::kNameLength:
        *error = field + ": the token ends at offset " + at + ", inside the " +
                 std::to_string(orbi_name::kLibraryTokenNameLengthWidth) +
                 "-byte field";
        break;
      case TokenField::kMechanism:
      case TokenField::kName:
      case TokenField::kNameType:
        *error = field + ": the length field gives " +
                 std::to_string(refusal.found) + " bytes, " + left +
                 " are left";
        break;
      case TokenField::kTrailing:
        *error =
            "name type OID: " + left + " bytes follow the end of the token";
        break;
      case TokenField::kNone:
        break;
    }
    return false;
  }
  fields->mech = {view.mechanism_length,
                  const_cast<unsigned char*>(view.mechanism)};
  fields->name = view.name;
  fields->name_length = view.name_length;
  fields->has_type = view.has_name_type;
  if (view.has_name_type) {
    fields->type = {view.name_type_length,
                    const_cast<unsigned char*>(view.name_type)};
  }
  return true;
}

std::string ImportRefusalText(const InspectedToken& fields, OM_uint32 status) {
  namespace s = orbi_name::status;
  if (status == s::MECH_NOT_SUPPORTED) {
    return "mechanism OID: not the library's mechanism: " + StatusText(status);
  }
  if (status == s::INVALID_MECH) {
    return "mechanism OID: the library cannot read it: " + StatusText(status);
  }
  if (status == s::BAD_NAME_TYPE && fields.has_type &&
      orbi_name::FindTableEntry(const_cast<gss_OID>(&fields.type)) < 0) {
    return "name type OID: not in the OID table: " + StatusText(status);
  }
  return "the library refuses the token: " + StatusText(status);
}

bool DecodeTokenInput(std::vector<unsigned char>* bytes, std::string* error) {
  if (!LooksLikeHex(*bytes)) return true;
  std::vector<unsigned char> token;
  if (!ParseHex(reinterpret_cast<const char*>(bytes->data()), bytes->size(),
                &token, error)) {
    *error = "HEX: " + *error;
    return false;
  }
  *bytes = std::move(token);
  return true;
}

}  // namespace orbi_tool
