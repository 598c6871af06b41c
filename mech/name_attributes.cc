#include "name_attributes.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "orbi_name/status.h"
#include "translate.h"

#ifndef ORBI_MECH_OID_DOTTED
#error "ORBI_MECH_OID_DOTTED (the mechanism OID as dotted text) is not set"
#endif

// The index of the last entry that *more can lead to: INT_MAX, the largest
// *more. A test build sets a small one to reach the refusal behind it with a
// short name.
#ifndef ORBI_MECH_LAST_REACHABLE_ENTRY
#define ORBI_MECH_LAST_REACHABLE_ENTRY INT_MAX
#endif

namespace orbi_mech {
namespace {

namespace status = orbi_name::status;

constexpr int kLastReachableEntry = ORBI_MECH_LAST_REACHABLE_ENTRY;
static_assert(kLastReachableEntry > 0 && kLastReachableEntry <= INT_MAX,
              "an entry index that *more can carry");

// A value read for GetAttribute, and the *more that follows it (0 after the
// last). The bytes are the name's record's, not a copy.
struct Found {
  gss_buffer_desc value = {0, nullptr};
  int next = 0;
};

// A reader sets *found to the value that more designates (-1 the first) in
// layout, or refuses with the major status and *minor.
using ValueReader = OM_uint32 (*)(OM_uint32* minor, const NameLayout& layout,
                                  int more, Found* found);

// A name has an attribute when Present says so of its layout.
using Presence = bool (*)(const NameLayout& layout);

struct AttributeRow {
  const char* uri;  // ORBI_ATTRIBUTE_URI(suffix): urn:oid:M and the suffix
  size_t uri_length;
  Presence present;
  ValueReader read;
};

// Every attribute's URI is the mechanism's OID as a URN and a suffix under
// it, joined when the module is compiled, so that listing an attribute takes
// one copy of the whole URI.
#define ORBI_ATTRIBUTE_URI(suffix) "urn:oid:" ORBI_MECH_OID_DOTTED suffix
#define ORBI_ATTRIBUTE_ROW(suffix) \
  ORBI_ATTRIBUTE_URI(suffix), sizeof(ORBI_ATTRIBUTE_URI(suffix)) - 1

OM_uint32 NoSuchValue(OM_uint32* minor) {
  return Refuse<minor::NO_SUCH_ATTRIBUTE>(minor);
}

bool HasPath(const NameLayout& layout) { return layout.has_path(); }

bool HasEntries(const NameLayout& layout) { return layout.entry_count() != 0; }

OM_uint32 ReadPath(OM_uint32* minor, const NameLayout& layout, int more,
                   Found* found) {
  if (more != -1 || !layout.has_path()) return NoSuchValue(minor);
  found->value = layout.path();
  found->next = 0;
  return GSS_S_COMPLETE;
}

OM_uint32 ReadEntries(OM_uint32* minor, const NameLayout& layout, int more,
                      Found* found) {
  // GetAttribute has refused 0 and everything below -1.
  const auto index = static_cast<uint32_t>(more == -1 ? 0 : more);
  const uint32_t count = layout.entry_count();
  if (index >= count) return NoSuchValue(minor);
  const bool last = index == count - 1;
  // The next index must fit the int that carries it.
  if (!last && index >= static_cast<uint32_t>(kLastReachableEntry)) {
    return Refuse<minor::VALUE_OUT_OF_REACH>(minor);
  }
  found->value = layout.entry(index);
  found->next = last ? 0 : static_cast<int>(index) + 1;
  return GSS_S_COMPLETE;
}

// The name attributes, one row of name_attributes.def each, in the order
// gss_inquire_name lists them. Every row is read-only: a name never changes,
// so there is nothing to write, and ChangeAttribute refuses every change.
constexpr AttributeRow kAttributes[] = {
#define ORBI_ATTRIBUTE(Name, suffix, values) \
  {ORBI_ATTRIBUTE_ROW(suffix), Has##Name, Read##Name},
#include "name_attributes.def"
};
constexpr size_t kAttributeCount = sizeof(kAttributes) / sizeof(kAttributes[0]);

// Every URI starts with the mechanism's OID as a URN.
constexpr char kUriPrefix[] = ORBI_ATTRIBUTE_URI("");
constexpr size_t kUriPrefixLength = sizeof(kUriPrefix) - 1;

const AttributeRow* Find(const gss_buffer_desc& attr) {
  // The shared prefix once, then each row's short suffix: every compare has
  // a length known when the module is compiled, so none is a call.
  if (attr.value == nullptr || attr.length < kUriPrefixLength ||
      memcmp(attr.value, kUriPrefix, kUriPrefixLength) != 0) {
    return nullptr;
  }
  const char* suffix = static_cast<const char*>(attr.value) + kUriPrefixLength;
  for (const AttributeRow& row : kAttributes) {
    if (attr.length == row.uri_length &&
        memcmp(suffix, row.uri + kUriPrefixLength,
               row.uri_length - kUriPrefixLength) == 0) {
      return &row;
    }
  }
  return nullptr;
}

// CopyValue writes a copy of value, with a NUL behind it, into a new block
// in *out.
bool CopyValue(const gss_buffer_desc& value, gss_buffer_t out) {
  auto* copy = static_cast<char*>(malloc(value.length + 1));
  if (copy == nullptr) return false;
  if (value.length != 0) memcpy(copy, value.value, value.length);
  copy[value.length] = '\0';
  *out = {value.length, copy};
  return true;
}

// Printable writes value's display form into a new block in *display.
bool Printable(const gss_buffer_desc& value, gss_buffer_t display) {
  const auto* bytes = static_cast<const unsigned char*>(value.value);
  size_t size = 0;
  for (size_t i = 0; i < value.length; ++i) {
    const unsigned char c = bytes[i];
    size += c == '\\' ? 2 : (c >= 0x20 && c <= 0x7e) ? 1 : 4;
  }
  auto* text = static_cast<char*>(malloc(size + 1));
  if (text == nullptr) return false;
  constexpr char kHex[] = "0123456789abcdef";
  char* out = text;
  for (size_t i = 0; i < value.length; ++i) {
    const unsigned char c = bytes[i];
    if (c == '\\') {
      *out++ = '\\';
      *out++ = '\\';
    } else if (c >= 0x20 && c <= 0x7e) {
      *out++ = static_cast<char>(c);
    } else {
      *out++ = '\\';
      *out++ = 'x';
      *out++ = kHex[c >> 4];
      *out++ = kHex[c & 0xF];
    }
  }
  *out = '\0';
  display->length = size;
  display->value = text;
  return true;
}

void FreeSet(gss_buffer_set_t set) {
  for (size_t i = 0; i < set->count; ++i) free(set->elements[i].value);
  free(set->elements);
  free(set);
}

// NameLayoutOf sets *layout to name's layout, or reports why not.
OM_uint32 NameLayoutOf(OM_uint32* minor, NameRecord* name,
                       const NameLayout** layout) {
  const OM_uint32 got = name->Layout(layout);
  if (got == status::SUCCESS) return GSS_S_COMPLETE;
  if (got == status::NO_MEMORY) return NoMemory(minor);
  return Refuse<minor::UNEXPECTED>(minor);
}

}  // namespace

OM_uint32 InquireAttributes(OM_uint32* minor, NameRecord* name,
                            gss_buffer_set_t* attrs) {
  const NameLayout* layout = nullptr;
  const OM_uint32 major = NameLayoutOf(minor, name, &layout);
  if (major != GSS_S_COMPLETE) return major;
  auto* set =
      static_cast<gss_buffer_set_t>(malloc(sizeof(gss_buffer_set_desc)));
  if (set == nullptr) return NoMemory(minor);
  set->count = 0;
  set->elements = static_cast<gss_buffer_desc*>(
      malloc(kAttributeCount * sizeof(gss_buffer_desc)));
  if (set->elements == nullptr) {
    FreeSet(set);
    return NoMemory(minor);
  }
  for (const AttributeRow& row : kAttributes) {
    if (!row.present(*layout)) continue;
    auto* uri = static_cast<char*>(malloc(row.uri_length + 1));
    if (uri == nullptr) {
      FreeSet(set);
      return NoMemory(minor);
    }
    memcpy(uri, row.uri, row.uri_length + 1);
    set->elements[set->count++] = {row.uri_length, uri};
  }
  *attrs = set;
  return GSS_S_COMPLETE;
}

OM_uint32 GetAttribute(OM_uint32* minor, NameRecord* name,
                       const gss_buffer_desc& attr, int* authenticated,
                       int* complete, gss_buffer_t value,
                       gss_buffer_t display_value, int* more) {
  const AttributeRow* row = Find(attr);
  // -1 asks for the first value; 0 follows the last.
  if (row == nullptr || *more == 0 || *more < -1) return NoSuchValue(minor);
  const NameLayout* layout = nullptr;
  OM_uint32 major = NameLayoutOf(minor, name, &layout);
  if (major != GSS_S_COMPLETE) return major;
  Found found;
  major = row->read(minor, *layout, *more, &found);
  if (major != GSS_S_COMPLETE) return major;
  gss_buffer_desc copy = {0, nullptr};
  if (value != GSS_C_NO_BUFFER && !CopyValue(found.value, &copy)) {
    return NoMemory(minor);
  }
  if (display_value != GSS_C_NO_BUFFER &&
      !Printable(found.value, display_value)) {
    free(copy.value);
    return NoMemory(minor);
  }
  if (value != GSS_C_NO_BUFFER) *value = copy;
  if (authenticated != nullptr) *authenticated = 0;
  if (complete != nullptr) *complete = 1;
  *more = found.next;
  return GSS_S_COMPLETE;
}

OM_uint32 ChangeAttribute(OM_uint32* minor, const gss_buffer_desc& attr) {
  const AttributeRow* row = Find(attr);
  if (row == nullptr) return NoSuchValue(minor);
  return Refuse<minor::READ_ONLY_ATTRIBUTE>(minor);
}

}  // namespace orbi_mech
