#include "oid_view.h"

#include <stdint.h>

#include <memory>
#include <new>

#include "byte_text.h"
#include "der/bytes.h"
#include "json.h"
#include "orbi_name/internal/oid_rules.h"
#include "orbi_name/internal/rules.h"
#include "orbi_name/status.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"

namespace orbi_tool {

namespace {

// TextArcs is what the library's text rules make of an OID text.
struct TextArcs {
  orbi_name::OidTextFault fault = orbi_name::OidTextFault::kNone;
  orbi_name::OidTextRefusal refusal;
  // Every arc when fault is kNone, or kZeroArc with refusal.only_zero_arcs.
  std::vector<uint32_t> arcs;
};

TextArcs ReadTextArcs(const char* text) {
  TextArcs result;
  orbi_name::OidTextLayout layout;
  result.fault = orbi_name::MeasureOidText(text, &layout, &result.refusal);
  if (result.fault != orbi_name::OidTextFault::kNone) return result;
  // At most one arc per two characters of the text: no overflow here.
  result.arcs.resize(static_cast<size_t>(layout.arc_count));
  result.fault =
      orbi_name::ReadOidTextArcs(layout, result.arcs.data(), &result.refusal);
  return result;
}

// TextFaultReason says in words why the library refused text, as refusal
// describes it; status is the library's answer, for a fault with no words.
std::string TextFaultReason(const char* text,
                            const orbi_name::OidTextRefusal& refusal,
                            OM_uint32 status) {
  using orbi_name::OidTextFault;
  const std::string arc = "arc " + std::to_string(refusal.arc);
  switch (refusal.fault) {
    case OidTextFault::kUnclosedBrace:
      return "a text that starts with '{' must end with '}'";
    case OidTextFault::kBadCharacter:
      return "'" +
             Escape(
                 reinterpret_cast<const unsigned char*>(text) + refusal.offset,
                 1) +
             "' at offset " + std::to_string(refusal.offset) +
             " is neither a digit nor " +
             (refusal.separator == ' ' ? "a blank" : "a dot");
    case OidTextFault::kTooManyArcs:
      return "too many arcs";
    case OidTextFault::kEmptyArc:
      return arc + " is empty (offset " + std::to_string(refusal.offset) + ")";
    case OidTextFault::kZeroArc:
      return arc + " is 0, and the text forms take no zero arc";
    case OidTextFault::kArcTooLarge:
      return arc + " is above 4294967295";
    case OidTextFault::kNullText:
    case OidTextFault::kNone:
      break;
  }
  return StatusText(status);
}

// ArcsFaultReason says in words why the arcs of an accepted text have no DER
// content octets; status is the library's answer, for a fault with no words.
std::string ArcsFaultReason(const std::vector<uint32_t>& arcs,
                            OM_uint32 status) {
  using orbi_name::OidArcsFault;
  switch (orbi_name::CheckOidArcs(arcs.data(), arcs.size())) {
    case OidArcsFault::kTooFewArcs:
      return "it has " + std::to_string(arcs.size()) +
             " arc, and an OID needs at least two";
    case OidArcsFault::kFirstArcAbove2:
      return "the first arc is " + std::to_string(arcs[0]) +
             ", and it must be at most 2";
    case OidArcsFault::kSecondArcAbove39:
      return "the second arc is " + std::to_string(arcs[1]) +
             ", and under a first arc of 0 or 1 it must be below 40";
    case OidArcsFault::kTooLong:
    case OidArcsFault::kNone:
      break;
  }
  return StatusText(status);
}

// ZeroArcHex gives the hex content octets of arcs, written by the ASN.1
// service, or "" when they cannot be encoded.
std::string ZeroArcHex(const std::vector<uint32_t>& arcs) {
  if (!FitsLength<unsigned int>(arcs.size())) return "";
  std::vector<unsigned long> values(arcs.begin(), arcs.end());
  PLVASNObjectID object;
  if (object.set_value(values.data(),
                       static_cast<unsigned int>(values.size())) != 0) {
    return "";
  }
  PLVASNBuffer buffer;
  if (object.get_value(buffer) != 0 || buffer.data == nullptr) return "";
  return Hex(buffer.data, buffer.length);
}

}  // namespace

std::string TableRole(int index) {
  const char* role = ORBIOIDRoleOf(index);
  return role != nullptr ? role : "reserved entry " + std::to_string(index);
}

std::string DottedForm(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '{' || c == '}') continue;
    out += c == ' ' ? '.' : c;
  }
  return out;
}

bool TextForm(const PLVORBIInternalOID& value, std::string* text) {
  char* raw = nullptr;
  if (value.get(raw) != orbi_name::status::SUCCESS || raw == nullptr) {
    return false;
  }
  std::unique_ptr<char, FreeDeleter> holder(raw);
  *text = raw;
  return true;
}

OidInfo DescribeOid(gss_OID oid) {
  OidInfo info;
  if (oid == nullptr) {
    info.failure = "none";
    return info;
  }
  info.der = Hex(static_cast<const unsigned char*>(oid->elements), oid->length);
  PLVORBIInternalOID value;
  const OM_uint32 status = value.set(oid);
  // A shortage is no property of the OID: it ends the command (Main).
  if (status == orbi_name::status::NO_MEMORY) throw std::bad_alloc();
  if (status != orbi_name::status::SUCCESS) {
    info.failure =
        oid->length == 0
            ? "no bytes: an empty OID does not decode: " + StatusText(status)
            : "bytes " + info.der + " do not decode: " + StatusText(status);
    return info;
  }
  if (!TextForm(value, &info.text)) throw std::bad_alloc();
  info.decodes = true;
  info.index = orbi_name::FindTableEntry(oid);
  return info;
}

std::string OidLine(const OidInfo& info) {
  if (!info.decodes) return info.failure;
  return info.text + " = " + DottedForm(info.text) +
         (info.index < 0 ? " (not in the OID table)"
                         : " (" + TableRole(info.index) + ")");
}

std::string OidJson(const OidInfo& info) {
  if (!info.decodes) return "null";
  JsonObject out;
  out.Add("text", JsonString(info.text));
  out.Add("dotted", JsonString(DottedForm(info.text)));
  out.Add("der", JsonString(info.der));
  out.Add("table_entry",
          info.index < 0 ? std::string("null") : std::to_string(info.index));
  out.Add("role", info.index < 0 ? std::string("null")
                                 : JsonString(TableRole(info.index)));
  return out.Text();
}

bool ReadOidText(const char* text, bool hex_hint, PLVORBIInternalOID* value,
                 OwnedOid* der, std::string* error) {
  const std::string quoted = "'" + Escape(std::string(text)) + "'";
  OM_uint32 status = value->set(text);
  if (status == orbi_name::status::NO_MEMORY) {
    *error = quoted + " cannot be read: " + StatusText(status);
    return false;
  }
  if (status != orbi_name::status::SUCCESS) {
    const TextArcs read = ReadTextArcs(text);
    *error = quoted + " is not an OID text: " +
             TextFaultReason(text, read.refusal, status);
    if (read.fault == orbi_name::OidTextFault::kZeroArc &&
        read.refusal.only_zero_arcs && hex_hint) {
      const std::string hex = ZeroArcHex(read.arcs);
      *error += "; give such an OID as hex DER content octets";
      // Content octets that start with 06 would be read as a full encoding.
      if (!hex.empty()) {
        *error += std::string(" (here ") +
                  (hex.compare(0, 2, "06") == 0 ? "--content " : "") + hex +
                  ")";
      }
    }
    return false;
  }
  status = value->get(der->ref());
  if (status != orbi_name::status::SUCCESS) {
    std::string reason = StatusText(status);
    if (status == orbi_name::status::BAD_OID) {
      // set accepted the text, so the text rules read the value's arcs.
      const TextArcs read = ReadTextArcs(text);
      if (read.fault == orbi_name::OidTextFault::kNone) {
        reason = ArcsFaultReason(read.arcs, status);
      }
    }
    *error = quoted + " has no DER encoding: " + reason;
    return false;
  }
  return true;
}

bool ReadFullEncoding(const std::vector<unsigned char>& bytes,
                      FullEncoding* full, std::string* error) {
  using orbi::der::DerHeaderFault;
  orbi::der::ByteReader in(bytes.data(), bytes.size());
  size_t length = 0;
  switch (orbi::der::ReadDerHeader(in, 0x06, sizeof(size_t), &length)) {
    case DerHeaderFault::kNone:
      break;
    case DerHeaderFault::kWrongTag:
      *error = "the tag " + Hex(bytes.data(), 1) + " is not 06, that of an OID";
      return false;
    case DerHeaderFault::kNoTag:
    case DerHeaderFault::kNoLength:
      *error = "the length octets are missing";
      return false;
    case DerHeaderFault::kIndefiniteLength:
      *error = "the length octet 80 is the indefinite form, which DER forbids";
      return false;
    case DerHeaderFault::kLengthTruncated:
      *error = "the length octets end early";
      return false;
    case DerHeaderFault::kLengthLeadingZero:
      *error = "the length octets start with a zero, which DER forbids";
      return false;
    case DerHeaderFault::kLengthTooWide:
      *error = "the length is beyond any input";
      return false;
    case DerHeaderFault::kLengthNotMinimal: {
      // A long form without a leading zero stays below 128 only with one
      // length octet, the value itself.
      *error = "the long form gives " + std::to_string(bytes[2]) +
               ", which DER writes in one octet";
      return false;
    }
  }
  const size_t header = bytes.size() - in.left();
  if (in.left() != length) {
    *error = "the length octets give " + std::to_string(length) +
             " content octets and " + std::to_string(in.left()) + " follow";
    return false;
  }
  full->header = header;
  full->length = length;
  return true;
}

}  // namespace orbi_tool
