#include "name_attributes.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "orbi_name/rules.h"
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

// Block owns a block that the library handed out.
struct Block {
  gss_buffer_desc buffer = {0, nullptr};
  Block() = default;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  // Most blocks are handed over before the end of the scope: no call then.
  ~Block() {
    if (buffer.value != nullptr) free(buffer.value);
  }
  // The value the block holds: the library counts the terminating NUL in
  // the length, a value does not.
  gss_buffer_desc Value() const {
    return {buffer.length == 0 ? 0 : buffer.length - 1, buffer.value};
  }
  // ReleaseAsValue hands the block over as Value().
  void ReleaseAsValue(gss_buffer_t value) {
    *value = Value();
    buffer = {0, nullptr};
  }
};

// A value read for GetAttribute, and the *more that follows it (0 after the
// last).
struct Found {
  Block value;
  int next = 0;
};

// A reader hands out in *found the value that more designates (-1 the
// first), or refuses with the major status and *minor.
using ValueReader = OM_uint32 (*)(OM_uint32* minor, PLVORBIInternalName* name,
                                  int more, Found* found);

// A name has an attribute when Present says so of its text's layout.
using Presence = bool (*)(const orbi_name::TextLayout& layout);

struct AttributeRow {
  const char* uri;  // ORBI_ATTRIBUTE_URI(".2.1") is urn:oid:M.2.1
  size_t uri_length;
  Presence present;
  ValueReader read;
  bool read_only;
};

// Every attribute's URI is the mechanism's OID as a URN and a suffix under
// it, joined when the module is compiled, so that listing an attribute takes
// one copy of the whole URI.
#define ORBI_ATTRIBUTE_URI(suffix) "urn:oid:" ORBI_MECH_OID_DOTTED suffix
#define ORBI_ATTRIBUTE_ROW(suffix) \
  ORBI_ATTRIBUTE_URI(suffix), sizeof(ORBI_ATTRIBUTE_URI(suffix)) - 1

OM_uint32 NoSuchValue(OM_uint32* minor) {
  return Fail(minor, minor::NO_SUCH_ATTRIBUTE, GSS_S_UNAVAILABLE);
}

// Only a name with a database path has attributes; the anonymous name's
// text is the sentinel that makes it anonymous, not a path that identifies
// anybody.
bool HasPath(const orbi_name::TextLayout& layout) {
  return layout.has_path && !layout.anonymous;
}

bool HasEntries(const orbi_name::TextLayout& layout) {
  return HasPath(layout) && layout.has_entries;
}

// Describe reads the layout of name's text (no copy, one lock); BAD_INPUT
// only for a null name, which the entry points never pass.
OM_uint32 Describe(PLVORBIInternalName* name, orbi_name::TextLayout* layout) {
  return orbi_name::DescribeText(name, layout);
}

OM_uint32 ReadPath(OM_uint32* minor, PLVORBIInternalName* name, int more,
                   Found* found) {
  orbi_name::TextLayout layout;
  if (more != -1 || Describe(name, &layout) != status::SUCCESS ||
      !HasPath(layout)) {
    return NoSuchValue(minor);
  }
  const OM_uint32 got = name->GetDatabasePath(&found->value.buffer);
  if (got == status::NO_MEMORY) return NoMemory(minor);
  if (got != status::SUCCESS) return NoSuchValue(minor);
  found->next = 0;
  return GSS_S_COMPLETE;
}

// Where a thread's reading of a name's entries stands: the *more it handed
// out for name and the library's cursor of that entry. A few slots, so that
// a thread reading several names at once keeps each one's place.
struct EntryPlace {
  const PLVORBIInternalName* name;
  int more;
  unsigned long cursor;
};
struct EntryPlaces {
  static constexpr unsigned kCount = 4;
  EntryPlace slots[kCount];
  unsigned next;  // the slot a new reading takes: the oldest

  EntryPlace* Find(const PLVORBIInternalName* name, int more) {
    for (EntryPlace& place : slots) {
      if (place.name == name && place.more == more) return &place;
    }
    return nullptr;
  }
  // Keep remembers that more leads to cursor on name, in the slot of the
  // previous place of the same reading, or else in the oldest one.
  void Keep(EntryPlace* previous, const PLVORBIInternalName* name, int more,
            unsigned long cursor) {
    EntryPlace* place = previous;
    if (place == nullptr) {
      place = &slots[next];
      next = (next + 1) % kCount;
    }
    *place = {name, more, cursor};
  }
};
// Zero-initialised (constant initialisation: no guard, no constructor).
thread_local EntryPlaces t_places;

// ThreadPlaces is the calling thread's places, looked up once per call: left
// to itself the compiler looks the thread-local block up again for every
// slot it compares.
[[gnu::noinline]] EntryPlaces& ThreadPlaces() { return t_places; }

// WalkTo sets *cursor to the library's cursor of the entry at index (at
// least 1) by reading the entries before it. END_OF_LIST when the name has
// no entry at index.
OM_uint32 WalkTo(PLVORBIInternalName* name, int index, unsigned long* cursor) {
  unsigned long walk = 0;
  for (int i = 0; i < index; ++i) {
    Block skipped;
    const OM_uint32 read = name->Read(&skipped.buffer, walk);
    if (read != status::SUCCESS) return read;
    if (walk == ~0ul) return status::END_OF_LIST;
  }
  *cursor = walk;
  return status::SUCCESS;
}

OM_uint32 ReadEntries(OM_uint32* minor, PLVORBIInternalName* name, int more,
                      Found* found) {
  const int index = more == -1 ? 0 : more;
  unsigned long cursor = 0;
  EntryPlaces& places = ThreadPlaces();
  EntryPlace* place = index == 0 ? nullptr : places.Find(name, more);
  OM_uint32 got = status::SUCCESS;
  if (place != nullptr) {
    // The cursor handed out with this *more: the library checks that it is
    // one of this name's current text. Where it is not (the name was
    // released and another one took its address), the walk answers.
    cursor = place->cursor;
    got = name->Read(&found->value.buffer, cursor);
    if (got == status::BAD_INPUT) place = nullptr;
  }
  if (place == nullptr) {
    // Entries belong to a database path: a text that starts with a line
    // feed has entries for the library but none as an attribute.
    orbi_name::TextLayout layout;
    if (Describe(name, &layout) != status::SUCCESS || !HasEntries(layout)) {
      return NoSuchValue(minor);
    }
    cursor = 0;
    got = index == 0 ? status::SUCCESS : WalkTo(name, index, &cursor);
    if (got == status::SUCCESS) got = name->Read(&found->value.buffer, cursor);
  }
  if (got == status::NO_MEMORY) return NoMemory(minor);
  if (got != status::SUCCESS) return NoSuchValue(minor);
  const bool last = cursor == ~0ul;
  if (last) {
    found->next = 0;
    return GSS_S_COMPLETE;
  }
  // The next index must fit the int that carries it.
  if (index >= kLastReachableEntry) {
    return Fail(minor, minor::VALUE_OUT_OF_REACH, GSS_S_UNAVAILABLE);
  }
  found->next = index + 1;
  places.Keep(place, name, found->next, cursor);
  return GSS_S_COMPLETE;
}

// The name attributes, in the order gss_inquire_name lists them. Every row
// is read-only: a name never changes, so there is nothing to write.
constexpr AttributeRow kAttributes[] = {
    {ORBI_ATTRIBUTE_ROW(".2.1"), HasPath, ReadPath, true},
    {ORBI_ATTRIBUTE_ROW(".2.2"), HasEntries, ReadEntries, true},
};
constexpr size_t kAttributeCount = sizeof(kAttributes) / sizeof(kAttributes[0]);

constexpr bool EveryRowIsReadOnly() {
  for (const AttributeRow& row : kAttributes) {
    if (!row.read_only) return false;
  }
  return true;
}
// ChangeAttribute has no writer to call: a writable row would need one.
static_assert(EveryRowIsReadOnly(), "every name attribute is read-only");

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

}  // namespace

OM_uint32 InquireAttributes(OM_uint32* minor, PLVORBIInternalName* name,
                            gss_buffer_set_t* attrs) {
  orbi_name::TextLayout layout;
  if (Describe(name, &layout) != status::SUCCESS) {
    return Fail(minor, minor::UNEXPECTED, GSS_S_FAILURE);
  }
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
    if (!row.present(layout)) continue;
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

OM_uint32 GetAttribute(OM_uint32* minor, PLVORBIInternalName* name,
                       const gss_buffer_desc& attr, int* authenticated,
                       int* complete, gss_buffer_t value,
                       gss_buffer_t display_value, int* more) {
  const AttributeRow* row = Find(attr);
  // -1 asks for the first value; 0 follows the last.
  if (row == nullptr || *more == 0 || *more < -1) return NoSuchValue(minor);
  Found found;
  const OM_uint32 major = row->read(minor, name, *more, &found);
  if (major != GSS_S_COMPLETE) return major;
  if (display_value != GSS_C_NO_BUFFER &&
      !Printable(found.value.Value(), display_value)) {
    return NoMemory(minor);
  }
  if (value != GSS_C_NO_BUFFER) found.value.ReleaseAsValue(value);
  if (authenticated != nullptr) *authenticated = 0;
  if (complete != nullptr) *complete = 1;
  *more = found.next;
  return GSS_S_COMPLETE;
}

OM_uint32 ChangeAttribute(OM_uint32* minor, const gss_buffer_desc& attr) {
  const AttributeRow* row = Find(attr);
  if (row == nullptr) return NoSuchValue(minor);
  return Fail(minor, minor::READ_ONLY_ATTRIBUTE, GSS_S_UNAUTHORIZED);
}

}  // namespace orbi_mech
