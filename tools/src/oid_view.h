// What the tool shows of an OID: its forms and its OID table entry, why an
// OID text or its arcs are refused, and the header of a full DER encoding.
#ifndef ORBI_TOOL_OID_VIEW_H_
#define ORBI_TOOL_OID_VIEW_H_

#include <stddef.h>

#include <string>
#include <vector>

#include "holders.h"
#include "orbi_name/internal_oid.h"
#include "orbi_services/gss_types.h"

namespace orbi_tool {

// TableRole names what the OID table entry index stands for: its role in
// the table's list, or "reserved entry INDEX".
std::string TableRole(int index);

// DottedForm turns the text form "{1 2 840}" into "1.2.840".
std::string DottedForm(const std::string& text);

// TextForm gives the text form of value; false when no memory could be had.
[[nodiscard]] bool TextForm(const PLVORBIInternalOID& value, std::string* text);

// OidInfo is what the tool shows of an OID given as DER content octets.
struct OidInfo {
  bool decodes = false;
  std::string text;     // "{1 2 3}"
  std::string der;      // content octets in hex
  int index = -1;       // OID table entry, or -1
  std::string failure;  // why it does not decode
};

// DescribeOid reads oid for showing. Throws std::bad_alloc when the library
// or the tool runs out of memory, which is no fault of the OID.
OidInfo DescribeOid(gss_OID oid);

// OidLine gives "{1 2 3} = 1.2.3 (role)", or the failure.
std::string OidLine(const OidInfo& info);

// OidJson gives {"text", "dotted", "der", "table_entry", "role"}, or null for
// no OID.
std::string OidJson(const OidInfo& info);

// ReadOidText reads text with the library and, on refusal, sets error to the
// reason the library gives for it (orbi_name/internal/oid_rules.h); hex_hint
// adds how to give an OID whose only fault is a zero arc in hex.
[[nodiscard]] bool ReadOidText(const char* text, bool hex_hint,
                               PLVORBIInternalOID* value, OwnedOid* der,
                               std::string* error);

// The library reads OIDs as DER content octets; a full encoding, tag 06 and
// length octets in front, is what most tools print.
struct FullEncoding {
  size_t header = 0;  // tag and length octets
  size_t length = 0;  // content octets
};

// ReadFullEncoding reads the tag 06 and the DER length octets at the start
// of bytes and requires exactly the content octets they announce behind
// them. On failure error says which rule the bytes break and full is left
// as it was.
[[nodiscard]] bool ReadFullEncoding(const std::vector<unsigned char>& bytes,
                                    FullEncoding* full, std::string* error);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_OID_VIEW_H_
