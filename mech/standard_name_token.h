// The standard exported name token (RFC 2743, section 3.2), the
// mechanism-independent form that the module writes for gss_export_name and
// reads back in gss_import_name:
//
//   04 01 | M (2 bytes) | 06 | DER length | mechanism OID content |
//   N (4 bytes) | name (N bytes)
//
// M counts the DER-wrapped OID (tag, length and content octets); the
// integers are big-endian; nothing follows the name.
//
// The exported composite name token (RFC 6680, section 7.8, which leaves
// the layout to the mechanism) is laid out as MIT krb5's mechanism lays out
// its own, and MIT's and Heimdal's glues read its header as the standard
// token's:
//
//   04 02 | M | 06 | DER length | mechanism OID content | N | name |
//   A (4 bytes) | attributes (A bytes)
//
// The attribute part is the mechanism's to define; what this module writes
// there is said in names.h (ExportCompositeName). This is the one place that
// knows both layouts: the writers and readers below serve every caller in
// the module.
//
// The library's own PLVORBIInternalName::Export writes a different layout
// (orbi_name/internal/library_token.h: the OID without its DER tag and length,
// and the name type behind the name) for its own callers; the two are not
// interchangeable.
//
// Thread safety: the functions keep no state.
#ifndef ORBI_MECH_STANDARD_NAME_TOKEN_H_
#define ORBI_MECH_STANDARD_NAME_TOKEN_H_

#include <stddef.h>
#include <stdint.h>

namespace orbi_mech {

// The fields of a token, pointing into the token's bytes.
struct TokenFields {
  const unsigned char* mech = nullptr;  // DER content octets of the OID
  size_t mech_length = 0;
  const unsigned char* name = nullptr;
  size_t name_length = 0;
  // A composite token's attribute part (null and 0 for a standard token).
  const unsigned char* attributes = nullptr;
  size_t attributes_length = 0;
};

// StandardTokenSize returns the size of the token for a mechanism OID of
// mech_length content octets and a name of name_length bytes, or 0 when
// such a token cannot be written: an empty OID, a DER-wrapped OID longer than
// the two-byte M field holds, or a name longer than the four-byte N field
// holds.
[[nodiscard]] size_t StandardTokenSize(size_t mech_length, size_t name_length);

// WriteStandardToken writes the token into out, which has exactly
// StandardTokenSize(mech_length, name_length) bytes. Returns true when
// it wrote exactly size bytes; false, with out's contents unspecified, when
// size is not that size (0 included).
[[nodiscard]] bool WriteStandardToken(const unsigned char* mech,
                                      size_t mech_length,
                                      const unsigned char* name,
                                      size_t name_length, unsigned char* out,
                                      size_t size);

// ParseStandardToken splits the length bytes at data into their fields.
// Returns true and fills *fields when the bytes are exactly one token:
// identifier 04 01, M naming exactly the DER-wrapped OID, tag 06, a DER
// length in its shortest form (short form below 128, else 81 or 82 and the
// length) that fills the rest of M, at least one content octet, and N naming
// exactly the bytes that remain. Returns false, with *fields untouched, for
// any other bytes: a wrong identifier or tag, any truncation, a length that
// disagrees with the bytes, a long or indefinite DER length, trailing bytes.
// The OID's content octets are not judged here.
[[nodiscard]] bool ParseStandardToken(const unsigned char* data, size_t length,
                                      TokenFields* fields);

// CompositeTokenSize returns the size of the composite token for a
// mechanism OID of mech_length content octets, a name of name_length bytes
// and an attribute part of attributes_length bytes, or 0 when such a token
// cannot be written (as StandardTokenSize, and for an attribute part longer
// than the four-byte A field holds).
[[nodiscard]] size_t CompositeTokenSize(size_t mech_length, size_t name_length,
                                        size_t attributes_length);

// WriteCompositeToken writes the composite token into out, which has exactly
// CompositeTokenSize(mech_length, name_length, attributes_length) bytes.
// Returns true when it wrote exactly size bytes; false, with out's contents
// unspecified, when size is not that size (0 included).
[[nodiscard]] bool WriteCompositeToken(
    const unsigned char* mech, size_t mech_length, const unsigned char* name,
    size_t name_length, const unsigned char* attributes,
    size_t attributes_length, unsigned char* out, size_t size);

// ParseCompositeToken splits the length bytes at data into their fields, as
// ParseStandardToken does, for a token with the identifier 04 02 and,
// behind the name, A naming exactly the bytes that remain. Returns false,
// with *fields untouched, for any other bytes (a standard token included).
[[nodiscard]] bool ParseCompositeToken(const unsigned char* data, size_t length,
                                       TokenFields* fields);

}  // namespace orbi_mech

#endif  // ORBI_MECH_STANDARD_NAME_TOKEN_H_
