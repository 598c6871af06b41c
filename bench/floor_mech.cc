// orbi_floor_mech.so: the floor of glue_benchmark's rows. A module for MIT
// krb5's GSS-API glue that does the least a correct module must do for the
// name calls the benchmark makes, so that a row's /floor figure is the
// glue's own cost plus the allocations and copies any module pays, and the
// distance from /orbi to /floor is what the ORBI module adds.
//
// The glue loads it as it loads orbi_mech.so, under an OID of its own
// (ORBI_FLOOR_MECH_OID_BYTES, a line of the configuration file that the
// build writes beside glue_benchmark). What each entry point does:
//  - gss_import_name keeps the name's bytes in one block from malloc (a
//    length and the bytes); for an exported name token it checks the token's
//    header against its own and takes the name from behind it. Any other
//    type is taken as plain bytes: no check, no parse.
//  - gss_display_name, gss_duplicate_name and gss_export_name each hand out
//    one block from malloc; the token has the standard layout (04 01, the
//    DER-wrapped OID, a four-byte length, the name), the shape of ORBI's.
//  - gss_compare_name compares the bytes; gss_release_name frees the block.
//  - gss_inquire_name reports the two attributes ORBI reports for a name
//    with a database path and entries (their suffixes under the OID from
//    mech/name_attributes.def), found by looking for a line feed;
//    gss_get_name_attribute reads the entries (the lines after the first) one
//    value per call with RFC 6680's `more` index, each value a block from
//    malloc. The display form is left empty; the benchmark does not ask for it.
// No lock, no trace, no state: each name is read only after its import.
//
// Only the gss_* entry points are exported (hidden visibility otherwise);
// the module uses the GSS-API headers alone and links no glue.
#pragma GCC visibility push(default)
extern "C" {
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
}
#pragma GCC visibility pop

#include <errno.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#ifndef ORBI_FLOOR_MECH_OID_BYTES
#error \
    "ORBI_FLOOR_MECH_OID_BYTES (the module's OID as DER content bytes) is not set"
#endif
#ifndef ORBI_FLOOR_MECH_OID_DOTTED
#error "ORBI_FLOOR_MECH_OID_DOTTED (the module's OID as dotted text) is not set"
#endif

namespace {

constexpr unsigned char kMechBytes[] = {ORBI_FLOOR_MECH_OID_BYTES};
gss_OID_desc kMech = {sizeof(kMechBytes),
                      const_cast<unsigned char*>(kMechBytes)};

// GSS_C_NT_EXPORT_NAME, 1.3.6.1.5.6.4 (RFC 2743, section 4.7), compared by
// value: the glue hands over its own object, which the module cannot name.
constexpr unsigned char kExportNameType[] = {0x2B, 0x06, 0x01,
                                             0x05, 0x06, 0x04};

// The attributes ORBI has, under this module's OID: one URI per row of the
// module's list, kPathAttribute and kEntriesAttribute.
#define ORBI_ATTRIBUTE(Name, suffix, values) \
  constexpr char k##Name##Attribute[] =      \
      "urn:oid:" ORBI_FLOOR_MECH_OID_DOTTED suffix;
#include "mech/name_attributes.def"

// The token's bytes before the name's length: 04 01, M (two bytes), 06, the
// OID's length (short form) and its content octets.
constexpr size_t kHeaderSize = 6 + sizeof(kMechBytes);
static_assert(sizeof(kMechBytes) < 128, "the OID's length is one byte");

// A name: its length, then its bytes, in one block.
struct Name {
  size_t length;
  const unsigned char* bytes() const {
    return reinterpret_cast<const unsigned char*>(this + 1);
  }
  unsigned char* bytes() { return reinterpret_cast<unsigned char*>(this + 1); }
};

Name* NewName(const void* bytes, size_t length) {
  if (length > SIZE_MAX - sizeof(Name)) return nullptr;
  auto* name = static_cast<Name*>(malloc(sizeof(Name) + length));
  if (name == nullptr) return nullptr;
  name->length = length;
  if (length != 0) memcpy(name->bytes(), bytes, length);
  return name;
}

Name* FromHandle(gss_name_t name) { return reinterpret_cast<Name*>(name); }
gss_name_t ToHandle(Name* name) { return reinterpret_cast<gss_name_t>(name); }

// CopyOut hands out a copy of length bytes in *out (at least one byte is
// allocated, so an empty value is a block too).
bool CopyOut(const void* bytes, size_t length, gss_buffer_t out) {
  void* block = malloc(length == 0 ? 1 : length);
  if (block == nullptr) return false;
  if (length != 0) memcpy(block, bytes, length);
  out->length = length;
  out->value = block;
  return true;
}

void WriteHeader(unsigned char* out) {
  out[0] = 0x04;
  out[1] = 0x01;
  out[2] = static_cast<unsigned char>((2 + sizeof(kMechBytes)) >> 8);
  out[3] = static_cast<unsigned char>(2 + sizeof(kMechBytes));
  out[4] = 0x06;
  out[5] = static_cast<unsigned char>(sizeof(kMechBytes));
  memcpy(out + 6, kMechBytes, sizeof(kMechBytes));
}

// TokenName points *name at the name in token, or returns false when token
// is not this module's token of exactly its length.
bool TokenName(const gss_buffer_desc& token, const unsigned char** name,
               size_t* length) {
  if (token.value == nullptr || token.length < kHeaderSize + 4) return false;
  const auto* bytes = static_cast<const unsigned char*>(token.value);
  unsigned char header[kHeaderSize];
  WriteHeader(header);
  if (memcmp(bytes, header, kHeaderSize) != 0) return false;
  const unsigned char* n = bytes + kHeaderSize;
  const size_t count = (size_t{n[0]} << 24) | (size_t{n[1]} << 16) |
                       (size_t{n[2]} << 8) | size_t{n[3]};
  if (count != token.length - kHeaderSize - 4) return false;
  *name = n + 4;
  *length = count;
  return true;
}

// NextLine returns where the line after the one starting at from begins, or
// nullptr when the line at from is the last.
const unsigned char* NextLine(const unsigned char* from,
                              const unsigned char* end) {
  const void* feed = memchr(from, '\n', static_cast<size_t>(end - from));
  return feed == nullptr ? nullptr
                         : static_cast<const unsigned char*>(feed) + 1;
}

bool SameText(const gss_buffer_desc& buffer, const char* text, size_t length) {
  return buffer.length == length && buffer.value != nullptr &&
         memcmp(buffer.value, text, length) == 0;
}

OM_uint32 Unavailable(OM_uint32* minor) {
  *minor = 0;
  return GSS_S_UNAVAILABLE;
}

OM_uint32 NoMemory(OM_uint32* minor) {
  *minor = ENOMEM;
  return GSS_S_FAILURE;
}

}  // namespace

extern "C" {

OM_uint32 KRB5_CALLCONV gss_import_name(OM_uint32* minor_status,
                                        gss_buffer_t input_name_buffer,
                                        gss_OID input_name_type,
                                        gss_name_t* output_name) {
  *minor_status = 0;
  *output_name = GSS_C_NO_NAME;
  const void* bytes = input_name_buffer->value;
  size_t length = input_name_buffer->length;
  if (input_name_type != GSS_C_NO_OID &&
      input_name_type->length == sizeof(kExportNameType) &&
      memcmp(input_name_type->elements, kExportNameType,
             sizeof(kExportNameType)) == 0) {
    const unsigned char* name = nullptr;
    if (!TokenName(*input_name_buffer, &name, &length)) {
      return GSS_S_DEFECTIVE_TOKEN;
    }
    bytes = name;
  }
  Name* name = NewName(bytes, length);
  if (name == nullptr) return NoMemory(minor_status);
  *output_name = ToHandle(name);
  return GSS_S_COMPLETE;
}

OM_uint32 KRB5_CALLCONV gss_display_name(OM_uint32* minor_status,
                                         gss_name_t input_name,
                                         gss_buffer_t output_name_buffer,
                                         gss_OID* output_name_type) {
  *minor_status = 0;
  if (output_name_type != nullptr) *output_name_type = GSS_C_NO_OID;
  const Name* name = FromHandle(input_name);
  if (!CopyOut(name->bytes(), name->length, output_name_buffer)) {
    return NoMemory(minor_status);
  }
  return GSS_S_COMPLETE;
}

OM_uint32 KRB5_CALLCONV gss_compare_name(OM_uint32* minor_status,
                                         gss_name_t name1, gss_name_t name2,
                                         int* name_equal) {
  *minor_status = 0;
  const Name* a = FromHandle(name1);
  const Name* b = FromHandle(name2);
  *name_equal =
      a->length == b->length && memcmp(a->bytes(), b->bytes(), a->length) == 0;
  return GSS_S_COMPLETE;
}

OM_uint32 KRB5_CALLCONV gss_release_name(OM_uint32* minor_status,
                                         gss_name_t* input_name) {
  *minor_status = 0;
  free(FromHandle(*input_name));
  *input_name = GSS_C_NO_NAME;
  return GSS_S_COMPLETE;
}

OM_uint32 KRB5_CALLCONV gss_duplicate_name(OM_uint32* minor_status,
                                           const gss_name_t src_name,
                                           gss_name_t* dest_name) {
  *minor_status = 0;
  const Name* source = FromHandle(src_name);
  Name* copy = NewName(source->bytes(), source->length);
  *dest_name = ToHandle(copy);
  return copy == nullptr ? NoMemory(minor_status) : GSS_S_COMPLETE;
}

OM_uint32 KRB5_CALLCONV gss_export_name(OM_uint32* minor_status,
                                        const gss_name_t input_name,
                                        gss_buffer_t exported_name) {
  *minor_status = 0;
  exported_name->length = 0;
  exported_name->value = nullptr;
  const Name* name = FromHandle(input_name);
  if (name->length > 0xFFFFFFFFu) return NoMemory(minor_status);
  const size_t size = kHeaderSize + 4 + name->length;
  auto* token = static_cast<unsigned char*>(malloc(size));
  if (token == nullptr) return NoMemory(minor_status);
  WriteHeader(token);
  unsigned char* n = token + kHeaderSize;
  n[0] = static_cast<unsigned char>(name->length >> 24);
  n[1] = static_cast<unsigned char>(name->length >> 16);
  n[2] = static_cast<unsigned char>(name->length >> 8);
  n[3] = static_cast<unsigned char>(name->length);
  if (name->length != 0) memcpy(n + 4, name->bytes(), name->length);
  exported_name->length = size;
  exported_name->value = token;
  return GSS_S_COMPLETE;
}

OM_uint32 KRB5_CALLCONV gss_inquire_name(OM_uint32* minor_status,
                                         gss_name_t input_name, int* name_is_MN,
                                         gss_OID* MN_mech,
                                         gss_buffer_set_t* attrs) {
  *minor_status = 0;
  if (name_is_MN != nullptr) *name_is_MN = 1;
  if (MN_mech != nullptr) *MN_mech = &kMech;
  if (attrs == nullptr) return GSS_S_COMPLETE;
  *attrs = GSS_C_NO_BUFFER_SET;
  const Name* name = FromHandle(input_name);
  const unsigned char* end = name->bytes() + name->length;
  // A database path: a name that does not start with a line feed; entries:
  // a line after it.
  const bool has_path = name->length != 0 && name->bytes()[0] != '\n';
  const bool has_entries = has_path && NextLine(name->bytes(), end) != nullptr;
  auto* set =
      static_cast<gss_buffer_set_t>(malloc(sizeof(gss_buffer_set_desc)));
  if (set == nullptr) return NoMemory(minor_status);
  set->count = 0;
  set->elements =
      static_cast<gss_buffer_desc*>(malloc(2 * sizeof(gss_buffer_desc)));
  bool made = set->elements != nullptr;
  if (made && has_path) {
    made = CopyOut(kPathAttribute, sizeof(kPathAttribute) - 1,
                   &set->elements[set->count]);
    if (made) ++set->count;
  }
  if (made && has_entries) {
    made = CopyOut(kEntriesAttribute, sizeof(kEntriesAttribute) - 1,
                   &set->elements[set->count]);
    if (made) ++set->count;
  }
  if (!made) {
    for (size_t i = 0; i < set->count; ++i) free(set->elements[i].value);
    free(set->elements);
    free(set);
    return NoMemory(minor_status);
  }
  *attrs = set;
  return GSS_S_COMPLETE;
}

OM_uint32 KRB5_CALLCONV gss_get_name_attribute(
    OM_uint32* minor_status, gss_name_t input_name, gss_buffer_t attr,
    int* authenticated, int* complete, gss_buffer_t value,
    gss_buffer_t display_value, int* more) {
  *minor_status = 0;
  if (value != GSS_C_NO_BUFFER) *value = {0, nullptr};
  if (display_value != GSS_C_NO_BUFFER) *display_value = {0, nullptr};
  if (!SameText(*attr, kEntriesAttribute, sizeof(kEntriesAttribute) - 1) ||
      *more == 0 || *more < -1) {
    return Unavailable(minor_status);
  }
  const Name* name = FromHandle(input_name);
  const unsigned char* end = name->bytes() + name->length;
  if (name->length == 0 || name->bytes()[0] == '\n') {
    return Unavailable(minor_status);
  }
  // Entry i is line i + 1.
  const int index = *more == -1 ? 0 : *more;
  const unsigned char* entry = name->bytes();
  for (int i = 0; i <= index && entry != nullptr; ++i) {
    entry = NextLine(entry, end);
  }
  if (entry == nullptr) return Unavailable(minor_status);
  const unsigned char* next = NextLine(entry, end);
  const size_t length =
      static_cast<size_t>((next == nullptr ? end : next - 1) - entry);
  if (value != GSS_C_NO_BUFFER && !CopyOut(entry, length, value)) {
    return NoMemory(minor_status);
  }
  if (authenticated != nullptr) *authenticated = 0;
  if (complete != nullptr) *complete = 1;
  *more = next == nullptr ? 0 : index + 1;
  return GSS_S_COMPLETE;
}

}  // extern "C"
