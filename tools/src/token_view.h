// The fields of an exported name token as the tool shows them, and why a
// token is refused.
#ifndef ORBI_TOOL_TOKEN_VIEW_H_
#define ORBI_TOOL_TOKEN_VIEW_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "orbi_services/gss_types.h"

namespace orbi_tool {

// The fields of the library's exported name token
// (orbi_name/internal/library_token.h) as the tool shows them, pointing into
// the token's bytes. The name type fields may be missing altogether.
struct InspectedToken {
  gss_OID_desc mech = {0, nullptr};
  const unsigned char* name = nullptr;
  uint32_t name_length = 0;
  bool has_type = false;
  gss_OID_desc type = {0, nullptr};
};

// IdentifierHex is the library token's identifier in hex, "0401".
std::string IdentifierHex();

// InspectToken splits token into its fields with the library's token
// reader. On failure error names the field that is wrong and why.
[[nodiscard]] bool InspectToken(const std::vector<unsigned char>& token,
                                InspectedToken* fields, std::string* error);

// ImportRefusalText explains why the library's import refused fields' token
// with status.
std::string ImportRefusalText(const InspectedToken& fields, OM_uint32 status);

// DecodeTokenInput turns the bytes of standard input or a file into a token:
// hex when they look like it, else the bytes themselves. On failure error
// says why the hex does not read.
[[nodiscard]] bool DecodeTokenInput(std::vector<unsigned char>* bytes,
                                    std::string* error);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_TOKEN_VIEW_H_
