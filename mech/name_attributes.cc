#include "name_attributes.h"

#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "orbi_services/oid_table.h"
#include "translate.h"

#ifndef ORBI_MECH_OID_DOTTED
#error "ORBI_MECH_OID_DOTTED (the mechanism OID as dotted text) is not set"
#endif

namespace orbi_mech {

const char kDatabasePathAttribute[] = "urn:oid:" ORBI_MECH_OID_DOTTED ".2.1";
const char kEntriesAttribute[] = "urn:oid:" ORBI_MECH_OID_DOTTED ".2.2";

namespace {

namespace status = orbi_name::status;

enum class Attribute { kOther, kDatabasePath, kEntries };

Attribute Find(const gss_buffer_desc& attr) {
  const auto is = [&attr](const char* name) {
    const size_t length = strlen(name);
    return attr.length == length && attr.value != nullptr &&
           memcmp(attr.value, name, length) == 0;
  };
  if (is(kDatabasePathAttribute)) return Attribute::kDatabasePath;
  if (is(kEntriesAttribute)) return Attribute::kEntries;
  return Attribute::kOther;
}

// Block owns a block that the library handed out.
struct Block {
  gss_buffer_desc buffer = {0, nullptr};
  Block() = default;
  Block(const Block&) = delete;
  Block& operator=(const Block&) = delete;
  ~Block() { free(buffer.value); }
  // Release hands the block over as a value without its terminating NUL,
  // which the library counts in the length.
  void ReleaseAsValue(gss_buffer_t value) {
    value->length = buffer.length == 0 ? 0 : buffer.length - 1;
    value->value = buffer.value;
    buffer = {0, nullptr};
  }
};

// ReadEntry reads the entry at index (0 for the first) into entry and tells
// through *last whether it is the last one. Returns the library's status:
// END_OF_LIST when the name has no entry at index.
OM_uint32 ReadEntry(PLVORBIInternalName* name, unsigned long index,
                    Block* entry, bool* last) {
  unsigned long cursor = 0;
  for (unsigned long i = 0;; ++i) {
    Block block;
    const OM_uint32 read = name->Read(&block.buffer, cursor);
    if (read != status::SUCCESS) return read;
    if (i == index) {
      entry->buffer = block.buffer;
      block.buffer = {0, nullptr};
      *last = cursor == ~0ul;
      return status::SUCCESS;
    }
    if (cursor == ~0ul) return status::END_OF_LIST;
  }
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

// AddName appends a copy of the attribute name text to set, whose elements
// have room for it.
bool AddName(gss_buffer_set_t set, const char* text) {
  const size_t length = strlen(text);
  void* copy = malloc(length + 1);
  if (copy == nullptr) return false;
  memcpy(copy, text, length + 1);
  set->elements[set->count].length = length;
  set->elements[set->count].value = copy;
  ++set->count;
  return true;
}

void FreeSet(gss_buffer_set_t set) {
  for (size_t i = 0; i < set->count; ++i) free(set->elements[i].value);
  free(set->elements);
  free(set);
}

// DatabasePath reads name's database path into path: the library's
// GetDatabasePath, except that an anonymous name has none. Its text is the
// sentinel that makes it anonymous, not a path that identifies anybody.
OM_uint32 DatabasePath(PLVORBIInternalName* name, Block* path) {
  if (name->GetNameType() == ORBIGetOID(kORBIAnonymousNameTypeIndex)) {
    return status::BAD_INPUT;
  }
  return name->GetDatabasePath(&path->buffer);
}

}  // namespace

OM_uint32 InquireAttributes(OM_uint32* minor, PLVORBIInternalName* name,
                            gss_buffer_set_t* attrs) {
  Block path;
  const OM_uint32 has_path = DatabasePath(name, &path);
  if (has_path == status::NO_MEMORY) return NoMemory(minor);
  bool has_entries = false;
  if (has_path == status::SUCCESS) {
    Block first;
    bool last = false;
    const OM_uint32 read = ReadEntry(name, 0, &first, &last);
    if (read == status::NO_MEMORY) return NoMemory(minor);
    has_entries = read == status::SUCCESS;
  }
  auto* set =
      static_cast<gss_buffer_set_t>(malloc(sizeof(gss_buffer_set_desc)));
  if (set == nullptr) return NoMemory(minor);
  set->count = 0;
  set->elements =
      static_cast<gss_buffer_desc*>(calloc(2, sizeof(gss_buffer_desc)));
  if (set->elements == nullptr ||
      (has_path == status::SUCCESS && !AddName(set, kDatabasePathAttribute)) ||
      (has_entries && !AddName(set, kEntriesAttribute))) {
    FreeSet(set);
    return NoMemory(minor);
  }
  *attrs = set;
  return GSS_S_COMPLETE;
}

OM_uint32 GetAttribute(OM_uint32* minor, PLVORBIInternalName* name,
                       const gss_buffer_desc& attr, int* authenticated,
                       int* complete, gss_buffer_t value,
                       gss_buffer_t display_value, int* more) {
  const Attribute which = Find(attr);
  // -1 asks for the first value; a positive value is the index that the
  // previous call left for the next one. 0 follows the last value.
  if (which == Attribute::kOther || *more == 0 || *more < -1) {
    return Fail(minor, minor::NO_SUCH_ATTRIBUTE, GSS_S_UNAVAILABLE);
  }
  const unsigned long index =
      *more == -1 ? 0 : static_cast<unsigned long>(*more);
  Block found;
  bool last = true;
  OM_uint32 got = status::END_OF_LIST;
  if (which == Attribute::kDatabasePath) {
    // The path is one value; GetDatabasePath reports BAD_INPUT for a name
    // without one.
    if (index == 0) {
      got = DatabasePath(name, &found);
      if (got == status::BAD_INPUT) got = status::END_OF_LIST;
    }
  } else {
    // Entries belong to a database path: a text that starts with a line
    // feed has neither.
    Block path;
    got = DatabasePath(name, &path);
    if (got == status::BAD_INPUT) got = status::END_OF_LIST;
    if (got == status::SUCCESS) got = ReadEntry(name, index, &found, &last);
  }
  if (got == status::NO_MEMORY) return NoMemory(minor);
  if (got != status::SUCCESS) {
    return Fail(minor, minor::NO_SUCH_ATTRIBUTE, GSS_S_UNAVAILABLE);
  }
  // The next index must fit the int that carries it.
  if (!last && index >= static_cast<unsigned long>(INT_MAX)) {
    return Fail(minor, minor::UNEXPECTED, GSS_S_FAILURE);
  }
  gss_buffer_desc bytes = found.buffer;
  if (bytes.length != 0) --bytes.length;
  if (display_value != GSS_C_NO_BUFFER && !Printable(bytes, display_value)) {
    return NoMemory(minor);
  }
  if (value != GSS_C_NO_BUFFER) found.ReleaseAsValue(value);
  if (authenticated != nullptr) *authenticated = 0;
  if (complete != nullptr) *complete = 1;
  *more = last ? 0 : static_cast<int>(index + 1);
  return GSS_S_COMPLETE;
}

OM_uint32 RefuseChange(OM_uint32* minor, const gss_buffer_desc& attr) {
  if (Find(attr) == Attribute::kOther) {
    return Fail(minor, minor::NO_SUCH_ATTRIBUTE, GSS_S_UNAVAILABLE);
  }
  return Fail(minor, minor::READ_ONLY_ATTRIBUTE, GSS_S_UNAUTHORIZED);
}

}  // namespace orbi_mech
