// The module's name entry points (mech/orbi_mech.cc) called directly, as
// MIT's glue calls them: gss_import_name on arbitrary bytes under the name
// type that the first input byte picks (none, the default type, anonymous,
// exported name, RFC 6680's composite export, or one the mechanism does not
// take), and on an accepted name gss_display_name, gss_compare_name,
// gss_export_name and gss_export_name_composite and both tokens read back
// under both token types, the name attributes (gss_inquire_name and every
// value of each attribute, gss_get_name_attribute), gss_duplicate_name and
// gss_release_name. The module exports no
// gss_canonicalize_name (MIT's glue binds a name by importing it again), so
// the displayed text imported under the displayed type stands in for it.
//
// Invariants:
//  - An import writes every output: a refusal leaves GSS_C_NO_NAME and the
//    status pair the module gives for that case; an acceptance, minor 0.
//  - A text (no type, or the default type) is refused with GSS_S_BAD_NAME /
//    NAME_HAS_NUL exactly when a byte other than NUL follows a NUL; an
//    accepted one displays byte for byte as given, zeros behind its NUL
//    included, under the default type, or the anonymous type when it is the
//    library's anonymous sentinel.
//  - A token, under either token type, is refused with GSS_S_DEFECTIVE_TOKEN
//    exactly when both the standard and the composite token reader refuse
//    it (LIBRARY_TOKEN when it is a token of the library's own layout for
//    the build's mechanism, else MALFORMED_TOKEN), with GSS_S_BAD_MECH when
//    its OID is not the build's mechanism (FOREIGN_TOKEN, or INVALID_MECH for
//    bytes of no OID), and for bytes behind a NUL as a text is; a composite
//    token with an attribute part is then refused with GSS_S_DEFECTIVE_TOKEN /
//    ATTRIBUTES_DISAGREE. An accepted token displays its name bytes and
//    exports again byte for byte, in its own kind.
//  - A name's composite token is its standard token with the identifier
//    04 02 and an empty attribute part, and reads back under either token
//    type to a name that exports both tokens again.
//  - A name's attributes are its text's lines: a name that is not anonymous
//    and whose text (up to its first NUL) is not empty and starts with no
//    line feed lists the path and, when the text holds a line feed, the
//    entries; the path's one value and the entries' values, read in order
//    with `more`, joined by line feeds give that text back.
//  - The anonymous type takes any bytes; any other type is refused with
//    GSS_S_BAD_NAMETYPE / BAD_NAME_TYPE whatever the bytes.
//  - An anonymous name equals no name, itself included; every other name
//    equals itself, its duplicate and its token read back, and no text one
//    byte shorter or with another first byte.
//  - A name's token carries the build's mechanism and the displayed bytes,
//    reads back to a name that displays and exports the same, and so does
//    the duplicate after the original is released.
//  - Buffers handed out are malloc blocks, released with free as the glue
//    releases them; names are released with gss_release_name, which resets
//    the handle. LeakSanitizer finds anything left behind.
//
// The build's OIDs come from orbi_build_oids.h, so the target follows the
// configured OID arc; the exported-name and anonymous types are RFC 2743's
// (1.3.6.1.5.6.4 and 1.3.6.1.5.6.3), the host-based service type
// 1.3.6.1.5.6.2, the composite export type RFC 6680's 1.3.6.1.5.6.6.
extern "C" {
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
}
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "../mech/minor_status.h"
#include "../mech/standard_name_token.h"
#include "der/oid.h"
#include "fuzz_check.h"
#include "orbi_build_oids.h"
#include "orbi_name/internal/library_token.h"
#include "orbi_name/status.h"

namespace {

namespace status = orbi_name::status;
namespace minor = orbi_mech::minor;

const std::string kMechOid(ORBI_MECH_OID_DER, ORBI_MECH_OID_DER_LENGTH);
const std::string kDefaultType(ORBI_DEFAULT_NAME_TYPE_DER,
                               ORBI_DEFAULT_NAME_TYPE_DER_LENGTH);
const std::string kExportType("\x2b\x06\x01\x05\x06\x04", 6);
const std::string kAnonymousType("\x2b\x06\x01\x05\x06\x03", 6);
const std::string kHostBasedType("\x2b\x06\x01\x05\x06\x02", 6);
const std::string kCompositeType("\x2b\x06\x01\x05\x06\x06", 6);
// The name attributes' URIs, one per row of the module's list:
// kPathAttribute and kEntriesAttribute.
#define ORBI_ATTRIBUTE(Name, suffix, values) \
  const std::string k##Name##Attribute = "urn:oid:" ORBI_MECH_OID_TEXT suffix;
#include "../mech/name_attributes.def"
// Every attribute of the list, in its order.
const std::vector<std::string> kAttributes = {
#define ORBI_ATTRIBUTE(Name, suffix, values) \
  "urn:oid:" ORBI_MECH_OID_TEXT suffix,
#include "../mech/name_attributes.def"
};

// The text that the library reads as the anonymous name (its contract in
// orbi_name/internal_name.h).
constexpr char kAnonymousSentinel[] = "!@#$%&:ORBI-ANONYMOUS:!@#$%&";

// A value that no call may leave in an output it writes.
constexpr OM_uint32 kJunkMinor = 0x5a5a5a5a;
const gss_name_t kJunkName = reinterpret_cast<gss_name_t>(0x5a5a5a5a);

// How the module reads the bytes under a name type.
enum class Kind { kText, kAnonymous, kToken, kRefusedType };

struct TypeChoice {
  bool none;  // GSS_C_NO_OID
  std::string oid;
  Kind kind;
};

// The name types the first byte picks from. Types the mechanism does not
// take include near misses of its own, which only a comparison by value
// tells apart.
std::string Changed(std::string oid) {
  oid.back() = static_cast<char>(oid.back() ^ 0x02);
  return oid;
}
const TypeChoice kChoices[] = {
    {true, "", Kind::kText},
    {false, kDefaultType, Kind::kText},
    {false, kAnonymousType, Kind::kAnonymous},
    {false, kExportType, Kind::kToken},
    {false, kHostBasedType, Kind::kRefusedType},
    {false, kMechOid, Kind::kRefusedType},
    {false, kDefaultType + '\x01', Kind::kRefusedType},
    {false, Changed(kDefaultType), Kind::kRefusedType},
    {false, "", Kind::kRefusedType},  // an OID of no bytes
    {false, kCompositeType, Kind::kToken},
    // One arc past the composite type (Changed would make it the
    // exported-name type, 1.3.6.1.5.6.4).
    {false, std::string("\x2b\x06\x01\x05\x06\x07", 6), Kind::kRefusedType},
};
constexpr size_t kChoiceCount = sizeof(kChoices) / sizeof(kChoices[0]);

// An OID in a block of exactly its size, at another address than any the
// module knows: the glue hands the module its own copies.
class OidCopy {
 public:
  explicit OidCopy(const std::string& bytes)
      : bytes_(bytes.empty() ? nullptr : new unsigned char[bytes.size()]) {
    if (bytes_ != nullptr) memcpy(bytes_.get(), bytes.data(), bytes.size());
    oid_ = {static_cast<OM_uint32>(bytes.size()), bytes_.get()};
  }
  gss_OID get() { return &oid_; }

 private:
  std::unique_ptr<unsigned char[]> bytes_;
  gss_OID_desc oid_;
};

std::string StringOf(const gss_buffer_desc& buffer) {
  return std::string(static_cast<const char*>(buffer.value), buffer.length);
}

// REQUIRES: oid is not GSS_C_NO_OID.
std::string OidBytes(gss_OID oid) {
  return std::string(static_cast<const char*>(oid->elements), oid->length);
}

bool SameOid(gss_OID oid, const std::string& bytes) {
  return oid != GSS_C_NO_OID && oid->length == bytes.size() &&
         memcmp(oid->elements, bytes.data(), bytes.size()) == 0;
}

// KeptAsGiven is the rule for a text: no byte other than NUL behind a NUL.
bool KeptAsGiven(const std::string& text) {
  const size_t nul = text.find('\0');
  return nul == std::string::npos ||
         text.find_first_not_of('\0', nul) == std::string::npos;
}

// The outcome the module owes an import.
struct Outcome {
  OM_uint32 major;
  OM_uint32 minor;
};

Outcome Expected(Kind kind, const std::string& bytes) {
  constexpr Outcome kAccepted = {GSS_S_COMPLETE, 0};
  constexpr Outcome kHasNul = {GSS_S_BAD_NAME, minor::NAME_HAS_NUL};
  switch (kind) {
    case Kind::kText:
      return KeptAsGiven(bytes) ? kAccepted : kHasNul;
    case Kind::kAnonymous:
      return kAccepted;
    case Kind::kRefusedType:
      return {GSS_S_BAD_NAMETYPE, status::BAD_NAME_TYPE};
    case Kind::kToken:
      break;
  }
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  orbi_mech::TokenFields fields;
  if (!orbi_mech::ParseStandardToken(data, bytes.size(), &fields) &&
      !orbi_mech::ParseCompositeToken(data, bytes.size(), &fields)) {
    // A token in the library's own layout for this mechanism is named as
    // such; anything else is malformed.
    orbi_name::TokenView view;
    const bool library_layout =
        orbi_name::ParseExportedNameToken(data, bytes.size(), &view, nullptr) ==
            orbi_name::TokenField::kNone &&
        std::string(reinterpret_cast<const char*>(view.mechanism),
                    view.mechanism_length) == kMechOid;
    return {GSS_S_DEFECTIVE_TOKEN,
            library_layout ? minor::LIBRARY_TOKEN : minor::MALFORMED_TOKEN};
  }
  // DER is canonical: other content octets are another mechanism's OID,
  // or no OID at all (the library's INVALID_MECH).
  if (std::string(reinterpret_cast<const char*>(fields.mech),
                  fields.mech_length) != kMechOid) {
    return {GSS_S_BAD_MECH,
            orbi::der::IsValidOidContent(fields.mech, fields.mech_length)
                ? minor::FOREIGN_TOKEN
                : status::INVALID_MECH};
  }
  if (!KeptAsGiven(std::string(reinterpret_cast<const char*>(fields.name),
                               fields.name_length))) {
    return kHasNul;
  }
  return fields.attributes_length == 0
             ? kAccepted
             : Outcome{GSS_S_DEFECTIVE_TOKEN, minor::ATTRIBUTES_DISAGREE};
}

// Import calls the module's gss_import_name and checks that it writes both
// outputs; a refusal leaves no name.
OM_uint32 Import(const std::string& bytes, gss_OID type, gss_name_t* name,
                 OM_uint32* minor_status) {
  // An exact-size block, so that a read past the end is caught; an empty
  // one is still a readable pointer.
  std::unique_ptr<char[]> copy(new char[bytes.size()]);
  memcpy(copy.get(), bytes.data(), bytes.size());
  gss_buffer_desc input = {bytes.size(), copy.get()};
  *minor_status = kJunkMinor;
  *name = kJunkName;
  const OM_uint32 major = gss_import_name(minor_status, &input, type, name);
  FUZZ_CHECK(*minor_status != kJunkMinor && *name != kJunkName);
  FUZZ_CHECK((major == GSS_S_COMPLETE) == (*name != GSS_C_NO_NAME));
  if (major == GSS_S_COMPLETE) FUZZ_CHECK(*minor_status == 0);
  return major;
}

void Release(gss_name_t* name) {
  OM_uint32 minor_status = kJunkMinor;
  FUZZ_CHECK(gss_release_name(&minor_status, name) == GSS_S_COMPLETE);
  FUZZ_CHECK(minor_status == 0 && *name == GSS_C_NO_NAME);
}

struct Shown {
  std::string text;
  gss_OID type;
};

Shown Display(gss_name_t name) {
  OM_uint32 minor_status = kJunkMinor;
  gss_buffer_desc buffer = {0, nullptr};
  gss_OID type = GSS_C_NO_OID;
  FUZZ_CHECK(gss_display_name(&minor_status, name, &buffer, &type) ==
             GSS_S_COMPLETE);
  FUZZ_CHECK(minor_status == 0 && buffer.value != nullptr);
  Shown shown = {StringOf(buffer), type};
  free(buffer.value);
  return shown;
}

std::string ExportComposite(gss_name_t name) {
  OM_uint32 minor_status = kJunkMinor;
  gss_buffer_desc token = {0, nullptr};
  FUZZ_CHECK(gss_export_name_composite(&minor_status, name, &token) ==
             GSS_S_COMPLETE);
  FUZZ_CHECK(minor_status == 0 && token.value != nullptr);
  std::string bytes = StringOf(token);
  free(token.value);
  return bytes;
}

std::string Export(gss_name_t name) {
  OM_uint32 minor_status = kJunkMinor;
  gss_buffer_desc token = {0, nullptr};
  FUZZ_CHECK(gss_export_name(&minor_status, name, &token) == GSS_S_COMPLETE);
  FUZZ_CHECK(minor_status == 0 && token.value != nullptr);
  std::string bytes = StringOf(token);
  free(token.value);
  return bytes;
}

int Compare(gss_name_t a, gss_name_t b) {
  OM_uint32 minor_status = kJunkMinor;
  int equal = -1;
  FUZZ_CHECK(gss_compare_name(&minor_status, a, b, &equal) == GSS_S_COMPLETE);
  FUZZ_CHECK(minor_status == 0 && (equal == 0 || equal == 1));
  return equal;
}

// Values reads every value of attr with RFC 6680's `more`, checking the
// outputs of each call; false when the name has no value of it.
bool Values(gss_name_t name, const std::string& attr,
            std::vector<std::string>* values) {
  gss_buffer_desc attr_buffer = {attr.size(), const_cast<char*>(attr.data())};
  int more = -1;
  do {
    OM_uint32 minor_status = kJunkMinor;
    int authenticated = -1;
    int complete = -1;
    gss_buffer_desc value = {0, nullptr};
    gss_buffer_desc display = {0, nullptr};
    const int asked = more;
    const OM_uint32 major = gss_get_name_attribute(
        &minor_status, name, &attr_buffer, &authenticated, &complete, &value,
        &display, &more);
    if (major != GSS_S_COMPLETE) {
      FUZZ_CHECK(major == GSS_S_UNAVAILABLE && values->empty());
      FUZZ_CHECK(minor_status == minor::NO_SUCH_ATTRIBUTE && more == asked);
      FUZZ_CHECK(value.value == nullptr && display.value == nullptr);
      return false;
    }
    FUZZ_CHECK(minor_status == 0 && authenticated == 0 && complete == 1);
    FUZZ_CHECK(value.value != nullptr && display.value != nullptr);
    FUZZ_CHECK(static_cast<const char*>(value.value)[value.length] == '\0');
    values->push_back(StringOf(value));
    free(value.value);
    free(display.value);
    // Every *more handed out is the index of the next value, or 0.
    FUZZ_CHECK(more == 0 || more == static_cast<int>(values->size()));
  } while (more != 0);
  return true;
}

// CheckAttributes reads every attribute of name and checks them against its
// text (see the invariants above).
void CheckAttributes(gss_name_t name, const Shown& shown, bool anonymous) {
  const std::string text(shown.text.c_str());  // up to the first NUL
  const bool has_path = !anonymous && !text.empty() && text[0] != '\n';
  const bool has_entries = has_path && text.find('\n') != std::string::npos;
  std::vector<std::string> listed;
  OM_uint32 minor_status = kJunkMinor;
  gss_buffer_set_t attrs = GSS_C_NO_BUFFER_SET;
  FUZZ_CHECK(gss_inquire_name(&minor_status, name, nullptr, nullptr, &attrs) ==
             GSS_S_COMPLETE);
  FUZZ_CHECK(minor_status == 0 && attrs != GSS_C_NO_BUFFER_SET);
  // Released as the glue's gss_release_buffer_set releases it.
  for (size_t i = 0; i < attrs->count; ++i) {
    listed.push_back(StringOf(attrs->elements[i]));
    free(attrs->elements[i].value);
  }
  free(attrs->elements);
  free(attrs);
  // A name lists attributes of the module's list alone, each once and in the
  // list's order; the path and the entries exactly where the text has them
  // (another attribute's presence is its own rule).
  size_t next = 0;
  for (const std::string& attr : listed) {
    while (next < kAttributes.size() && kAttributes[next] != attr) ++next;
    FUZZ_CHECK(next < kAttributes.size());
    ++next;
  }
  const auto lists = [&](const std::string& attr) {
    return std::find(listed.begin(), listed.end(), attr) != listed.end();
  };
  FUZZ_CHECK(lists(kPathAttribute) == has_path);
  FUZZ_CHECK(lists(kEntriesAttribute) == has_entries);
  std::vector<std::string> path;
  std::vector<std::string> entries;
  FUZZ_CHECK(Values(name, kPathAttribute, &path) == has_path);
  FUZZ_CHECK(Values(name, kEntriesAttribute, &entries) == has_entries);
  if (!has_path) return;
  FUZZ_CHECK(path.size() == 1);
  std::string joined = path[0];
  for (const std::string& entry : entries) joined += "\n" + entry;
  FUZZ_CHECK(joined == text);
}

// CheckName runs every reading operation on a name that the import of
// bytes under kind accepted, and releases it.
void CheckName(gss_name_t name, Kind kind, const std::string& bytes) {
  const Shown shown = Display(name);
  FUZZ_CHECK(SameOid(shown.type, kDefaultType) ||
             SameOid(shown.type, kAnonymousType));
  const bool anonymous = SameOid(shown.type, kAnonymousType);
  if (kind == Kind::kAnonymous) {
    FUZZ_CHECK(anonymous);
  } else {
    // A token's name is read as a text: the sentinel is anonymous there too.
    FUZZ_CHECK(anonymous ==
               (std::string(shown.text.c_str()) == kAnonymousSentinel));
  }
  if (kind == Kind::kText) FUZZ_CHECK(shown.text == bytes);
  FUZZ_CHECK(Compare(name, name) == !anonymous);

  const std::string token = Export(name);
  orbi_mech::TokenFields fields;
  FUZZ_CHECK(orbi_mech::ParseStandardToken(
      reinterpret_cast<const unsigned char*>(token.data()), token.size(),
      &fields));
  FUZZ_CHECK(std::string(reinterpret_cast<const char*>(fields.mech),
                         fields.mech_length) == kMechOid);
  FUZZ_CHECK(std::string(reinterpret_cast<const char*>(fields.name),
                         fields.name_length) == shown.text);
  const std::string composite = ExportComposite(name);
  FUZZ_CHECK(composite == std::string("\x04\x02", 2) + token.substr(2) +
                              std::string(4, '\0'));
  if (kind == Kind::kToken) FUZZ_CHECK(token == bytes || composite == bytes);
  CheckAttributes(name, shown, anonymous);

  OM_uint32 minor_status = 0;
  OidCopy export_type(kExportType);
  OidCopy composite_type(kCompositeType);
  for (gss_OID token_type : {export_type.get(), composite_type.get()}) {
    for (const std::string& written : {token, composite}) {
      gss_name_t back = GSS_C_NO_NAME;
      FUZZ_CHECK(Import(written, token_type, &back, &minor_status) ==
                 GSS_S_COMPLETE);
      const Shown shown_back = Display(back);
      FUZZ_CHECK(shown_back.text == shown.text &&
                 SameOid(shown_back.type, OidBytes(shown.type)));
      FUZZ_CHECK(Compare(name, back) == !anonymous);
      FUZZ_CHECK(Compare(back, name) == !anonymous);
      FUZZ_CHECK(Export(back) == token && ExportComposite(back) == composite);
      Release(&back);
    }
  }

  // The displayed text under the displayed type is the same name. The
  // anonymous type ignores the bytes, so it is left out.
  if (!anonymous) {
    OidCopy shown_type(kDefaultType);
    gss_name_t again = GSS_C_NO_NAME;
    FUZZ_CHECK(Import(shown.text, shown_type.get(), &again, &minor_status) ==
               GSS_S_COMPLETE);
    FUZZ_CHECK(Compare(name, again) == 1);
    FUZZ_CHECK(Export(again) == token);
    Release(&again);
    // Texts one byte apart are other names: the text without its last byte
    // (shorter, even when that byte is a zero behind a NUL), and the text
    // with another first byte. Both are still texts the module keeps.
    if (!shown.text.empty()) {
      std::string changed = shown.text;
      if (changed[0] != '\0') {
        changed[0] = static_cast<char>(changed[0] ^ (changed[0] == 1 ? 2 : 1));
      }
      for (const std::string& other :
           {shown.text.substr(0, shown.text.size() - 1), changed}) {
        if (other == shown.text) continue;  // a NUL first has no other form
        FUZZ_CHECK(Import(other, GSS_C_NO_OID, &again, &minor_status) ==
                   GSS_S_COMPLETE);
        FUZZ_CHECK(Compare(name, again) == 0 && Compare(again, name) == 0);
        Release(&again);
      }
    }
  }

  gss_name_t copy = kJunkName;
  minor_status = kJunkMinor;
  FUZZ_CHECK(gss_duplicate_name(&minor_status, name, &copy) == GSS_S_COMPLETE);
  FUZZ_CHECK(minor_status == 0 && copy != GSS_C_NO_NAME && copy != name);
  FUZZ_CHECK(Compare(name, copy) == !anonymous);
  // The copy is a name of its own: it outlives the original.
  Release(&name);
  const Shown shown_copy = Display(copy);
  FUZZ_CHECK(shown_copy.text == shown.text &&
             SameOid(shown_copy.type, OidBytes(shown.type)));
  FUZZ_CHECK(Export(copy) == token);
  Release(&copy);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const TypeChoice& choice = kChoices[data[0] % kChoiceCount];
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  OidCopy type(choice.oid);

  OM_uint32 minor_status = 0;
  gss_name_t name = GSS_C_NO_NAME;
  const OM_uint32 major = Import(bytes, choice.none ? GSS_C_NO_OID : type.get(),
                                 &name, &minor_status);
  const Outcome expected = Expected(choice.kind, bytes);
  FUZZ_CHECK(major == expected.major);
  FUZZ_CHECK(minor_status == expected.minor);
  if (major == GSS_S_COMPLETE) CheckName(name, choice.kind, bytes);
  return 0;
}
