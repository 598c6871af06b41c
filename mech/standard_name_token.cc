#include "standard_name_token.h"

#include <assert.h>
#include <string.h>

#include "der/bytes.h"

namespace orbi_mech {
namespace {

constexpr unsigned char kTokenId[2] = {0x04, 0x01};
constexpr unsigned char kCompositeTokenId[2] = {0x04, 0x02};
constexpr uint32_t kOidTag = 0x06;
constexpr size_t kMechFieldMax = 0xFFFF;            // M is two bytes
constexpr size_t kNameFieldMax = 0xFFFFFFFF;        // N is four bytes
constexpr size_t kAttributesFieldMax = 0xFFFFFFFF;  // A is four bytes
constexpr size_t kFixedSize = sizeof(kTokenId) + 2 + 4;

// The most length octets of a DER length that the reader takes: a
// two-byte M field holds no longer content.
constexpr size_t kMaxDerLengthOctets = 2;

// DerLengthSize is the number of bytes of the shortest DER length of a
// content of length bytes, for the lengths a two-byte M can hold.
size_t DerLengthSize(size_t length) {
  if (length < 0x80) return 1;
  if (length <= 0xFF) return 2;
  return 3;
}

// WriteDerLength writes length in its shortest DER form.
bool WriteDerLength(orbi::der::ByteWriter& out, size_t length) {
  const size_t size = DerLengthSize(length);
  if (size == 1) return out.WriteU8(static_cast<uint32_t>(length));
  return out.WriteU8(static_cast<uint32_t>(0x80 | (size - 1))) &&
         out.WriteBigEndian(size - 1, length);
}

// WrappedOidSize is the size of the DER-wrapped OID (tag, length, content),
// or 0 when it does not fit the M field.
size_t WrappedOidSize(size_t mech_length) {
  if (mech_length == 0 || mech_length > kMechFieldMax) return 0;
  const size_t wrapped = 1 + DerLengthSize(mech_length) + mech_length;
  return wrapped <= kMechFieldMax ? wrapped : 0;
}

// The layout's variants: the identifier, and whether A and the attribute
// part follow the name.
struct Layout {
  const unsigned char* id;
  bool composite;
};
constexpr Layout kStandard = {kTokenId, false};
constexpr Layout kComposite = {kCompositeTokenId, true};

size_t TokenSize(const Layout& layout, size_t mech_length, size_t name_length,
                 size_t attributes_length) {
  const size_t wrapped = WrappedOidSize(mech_length);
  if (wrapped == 0 || name_length > kNameFieldMax) return 0;
  if (!layout.composite && attributes_length != 0) return 0;
  if (attributes_length > kAttributesFieldMax) return 0;
  // kFixedSize + wrapped + 4 is at most 65547; the sums with the lengths
  // are checked against wrapping in size_t.
  const size_t head = kFixedSize + wrapped + (layout.composite ? 4 : 0);
  if (name_length > SIZE_MAX - head) return 0;
  const size_t with_name = head + name_length;
  if (attributes_length > SIZE_MAX - with_name) return 0;
  return with_name + attributes_length;
}

bool WriteToken(const Layout& layout, const unsigned char* mech,
                size_t mech_length, const unsigned char* name,
                size_t name_length, const unsigned char* attributes,
                size_t attributes_length, unsigned char* out, size_t size) {
  const size_t expected =
      TokenSize(layout, mech_length, name_length, attributes_length);
  if (expected == 0 || size != expected) return false;
  // The sizes were checked against the fields' widths above.
  orbi::der::ByteWriter writer(out, size);
  writer.WriteBytes(layout.id, sizeof(kTokenId));
  writer.WriteU16(static_cast<uint32_t>(WrappedOidSize(mech_length)));
  writer.WriteU8(kOidTag);
  WriteDerLength(writer, mech_length);
  writer.WriteBytes(mech, mech_length);
  writer.WriteU32(static_cast<uint32_t>(name_length));
  writer.WriteBytes(name, name_length);
  if (layout.composite) {
    writer.WriteU32(static_cast<uint32_t>(attributes_length));
    writer.WriteBytes(attributes, attributes_length);
  }
  // The measured size and the writes follow the same layout; a difference
  // is a fault in this file.
  assert(writer.ok() && writer.left() == 0);
  return writer.ok() && writer.left() == 0;
}

bool ParseToken(const Layout& layout, const unsigned char* data, size_t length,
                TokenFields* fields) {
  if (data == nullptr) return false;
  orbi::der::ByteReader token(data, length);
  const unsigned char* id = nullptr;
  uint32_t wrapped_length = 0;
  const unsigned char* wrapped = nullptr;
  if (!token.ReadBytes(sizeof(kTokenId), &id) ||
      memcmp(id, layout.id, sizeof(kTokenId)) != 0 ||
      !token.ReadU16(&wrapped_length) ||
      !token.ReadBytes(wrapped_length, &wrapped)) {
    return false;
  }
  // The DER-wrapped OID must fill M exactly.
  orbi::der::ByteReader oid(wrapped, wrapped_length);
  size_t mech_length = 0;
  const unsigned char* mech = nullptr;
  if (orbi::der::ReadDerHeader(oid, kOidTag, kMaxDerLengthOctets,
                               &mech_length) !=
          orbi::der::DerHeaderFault::kNone ||
      mech_length == 0 || !oid.ReadBytes(mech_length, &mech) ||
      oid.left() != 0) {
    return false;
  }
  uint32_t name_length = 0;
  const unsigned char* name = nullptr;
  if (!token.ReadU32(&name_length) || !token.ReadBytes(name_length, &name)) {
    return false;
  }
  uint32_t attributes_length = 0;
  const unsigned char* attributes = nullptr;
  if (layout.composite && (!token.ReadU32(&attributes_length) ||
                           !token.ReadBytes(attributes_length, &attributes))) {
    return false;
  }
  if (token.left() != 0) return false;
  fields->mech = mech;
  fields->mech_length = mech_length;
  fields->name = name;
  fields->name_length = name_length;
  fields->attributes = attributes;
  fields->attributes_length = attributes_length;
  return true;
}

}  // namespace

size_t StandardTokenSize(size_t mech_length, size_t name_length) {
  return TokenSize(kStandard, mech_length, name_length, 0);
}

bool WriteStandardToken(const unsigned char* mech, size_t mech_length,
                        const unsigned char* name, size_t name_length,
                        unsigned char* out, size_t size) {
  return WriteToken(kStandard, mech, mech_length, name, name_length, nullptr, 0,
                    out, size);
}

bool ParseStandardToken(const unsigned char* data, size_t length,
                        TokenFields* fields) {
  return ParseToken(kStandard, data, length, fields);
}

size_t CompositeTokenSize(size_t mech_length, size_t name_length,
                          size_t attributes_length) {
  return TokenSize(kComposite, mech_length, name_length, attributes_length);
}

bool WriteCompositeToken(const unsigned char* mech, size_t mech_length,
                         const unsigned char* name, size_t name_length,
                         const unsigned char* attributes,
                         size_t attributes_length, unsigned char* out,
                         size_t size) {
  return WriteToken(kComposite, mech, mech_length, name, name_length,
                    attributes, attributes_length, out, size);
}

bool ParseCompositeToken(const unsigned char* data, size_t length,
                         TokenFields* fields) {
  return ParseToken(kComposite, data, length, fields);
}

}  // namespace orbi_mech
