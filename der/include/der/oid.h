// The DER rules for OID content octets (the bytes of an OBJECT IDENTIFIER
// after its tag and length), in one place for the ASN.1 stand-in, the OID
// value and its text rules, the name library's checks of a caller's OID
// against the OID table, and the module's fuzz target.
//
// Content octets are valid when they are not empty, every subidentifier is
// minimal (does not start with 0x80), the last byte ends a subidentifier, and
// every arc fits 32 bits. The first subidentifier carries two arcs,
// 40 * first + second with first at most 2, so it may reach 4294967295 + 80;
// a valid encoding has at most 2^32 - 1 arcs. DER is canonical: two valid
// encodings are the same OID exactly when their bytes are the same.
#ifndef ORBI_DER_OID_H_
#define ORBI_DER_OID_H_

#include <stddef.h>
#include <stdint.h>

// The DER module is compiled into each library and program that uses it
// and is none of their interfaces: nothing of it, template instantiations
// included, is exported from a shared library.
#pragma GCC visibility push(hidden)

namespace orbi {
namespace der {

inline constexpr uint64_t kMaxArc = 0xFFFFFFFFu;
inline constexpr uint64_t kMaxFirstSubidentifier = kMaxArc + 80;
inline constexpr uint64_t kMaxArcCount = 0xFFFFFFFFu;
// Longest base-128 form of a subidentifier: 4294967375 needs 5 bytes.
inline constexpr size_t kMaxSubidentifierBytes = 5;

// ValidateOidContentFully is IsValidOidContent without its quick path: it
// decodes every subidentifier and checks it against the limits. Only
// IsValidOidContent calls it, and the test that the two agree.
[[nodiscard]] bool ValidateOidContentFully(const unsigned char* bytes,
                                           size_t length, uint64_t* arc_count);

// IsValidOidContent returns true when the length bytes are valid content
// octets, and then sets *arc_count (when not null) to the number of arcs.
// Reads nothing outside the bytes and allocates nothing. Inline, with a
// quick path: it is on the way of every OID comparison and of every gss_OID
// read into an OID value. Subidentifiers of at most four bytes (28 bits)
// stay below every limit, so for them only the structural rules are
// checked, and the arcs are counted on the way; anything else goes to
// ValidateOidContentFully.
[[nodiscard]] inline bool IsValidOidContent(const unsigned char* bytes,
                                            size_t length,
                                            uint64_t* arc_count = nullptr) {
  if (bytes == nullptr || length == 0 || length >= kMaxArcCount) {
    return ValidateOidContentFully(bytes, length, arc_count);
  }
  if ((bytes[length - 1] & 0x80) != 0) return false;
  uint64_t arcs = 1;     // the first subidentifier holds two arcs
  unsigned int run = 0;  // continuation bytes in the current subidentifier
  for (size_t i = 0; i < length; ++i) {
    const unsigned char byte = bytes[i];
    if ((byte & 0x80) == 0) {
      ++arcs;
      run = 0;
      continue;
    }
    if (run == 0 && byte == 0x80) return false;  // not minimal
    if (++run >= 4) return ValidateOidContentFully(bytes, length, arc_count);
  }
  if (arc_count != nullptr) *arc_count = arcs;
  return true;
}

// DecodeOidContent writes the arcs of content octets to arcs.
// REQUIRES: IsValidOidContent accepted the bytes, and arcs holds room for
// the count it gave; the rules are not checked again.
template <typename Arc>
void DecodeOidContent(const unsigned char* bytes, size_t length, Arc* arcs) {
  size_t arc = 0;
  uint64_t value = 0;
  for (size_t i = 0; i < length; ++i) {
    value = (value << 7) | (bytes[i] & 0x7F);
    if ((bytes[i] & 0x80) != 0) continue;
    if (arc == 0) {
      const uint64_t first = value < 40 ? 0 : value < 80 ? 1 : 2;
      arcs[0] = static_cast<Arc>(first);
      arcs[1] = static_cast<Arc>(value - 40 * first);
      arc = 2;
    } else {
      arcs[arc++] = static_cast<Arc>(value);
    }
    value = 0;
  }
}

// ArcsFault names the rule that keeps arcs from having content octets, in
// the order FindOidArcsFault checks them; kNone where they break none.
enum class ArcsFault {
  kNone = 0,
  kTooFewArcs,        // fewer than two arcs (or no arcs array)
  kTooManyArcs,       // more than kMaxArcCount arcs
  kFirstArcAbove2,    // the first arc is above 2
  kSecondArcAbove39,  // the second arc is 40 or more under a first of 0 or 1
  kArcAbove32Bits,    // an arc above 4294967295
};

// FindOidArcsFault returns the first rule that the count arcs break, or
// kNone when they form an OID that has content octets: at least two arcs,
// the first at most 2, the second below 40 under a first of 0 or 1, every
// arc at most 4294967295.
template <typename Arc>
[[nodiscard]] ArcsFault FindOidArcsFault(const Arc* arcs, size_t count) {
  if (arcs == nullptr || count < 2) return ArcsFault::kTooFewArcs;
  if (count > kMaxArcCount) return ArcsFault::kTooManyArcs;
  if (arcs[0] > 2) return ArcsFault::kFirstArcAbove2;
  if (arcs[0] < 2 && arcs[1] >= 40) return ArcsFault::kSecondArcAbove39;
  for (size_t i = 0; i < count; ++i) {
    if (static_cast<uint64_t>(arcs[i]) > kMaxArc) {
      return ArcsFault::kArcAbove32Bits;
    }
  }
  return ArcsFault::kNone;
}

// OidArcsEncodable is true when the count arcs break none of the rules of
// FindOidArcsFault.
template <typename Arc>
[[nodiscard]] bool OidArcsEncodable(const Arc* arcs, size_t count) {
  return FindOidArcsFault(arcs, count) == ArcsFault::kNone;
}

// SubidentifierLength is the number of base-128 bytes of value.
[[nodiscard]] inline size_t SubidentifierLength(uint64_t value) {
  size_t n = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++n;
  }
  return n;
}

// PutSubidentifier writes value in base 128, most significant group first,
// at out and returns the end of what it wrote. REQUIRES: out holds
// SubidentifierLength(value) bytes.
inline unsigned char* PutSubidentifier(unsigned char* out, uint64_t value) {
  for (size_t i = SubidentifierLength(value) - 1; i > 0; --i) {
    *out++ = static_cast<unsigned char>(0x80 | ((value >> (7 * i)) & 0x7F));
  }
  *out = static_cast<unsigned char>(value & 0x7F);
  return out + 1;
}

// EncodedOidLength is the length of the content octets of encodable arcs.
template <typename Arc>
[[nodiscard]] size_t EncodedOidLength(const Arc* arcs, size_t count) {
  size_t length =
      SubidentifierLength(40 * static_cast<uint64_t>(arcs[0]) + arcs[1]);
  for (size_t i = 2; i < count; ++i) length += SubidentifierLength(arcs[i]);
  return length;
}

// PutOidContent writes the content octets of encodable arcs (see
// OidArcsEncodable) at out, straight through, and returns the end of what
// it wrote. REQUIRES: out holds EncodedOidLength(arcs, count) bytes.
template <typename Arc>
unsigned char* PutOidContent(const Arc* arcs, size_t count,
                             unsigned char* out) {
  out = PutSubidentifier(out, 40 * static_cast<uint64_t>(arcs[0]) + arcs[1]);
  for (size_t i = 2; i < count; ++i) out = PutSubidentifier(out, arcs[i]);
  return out;
}

}  // namespace der
}  // namespace orbi

#pragma GCC visibility pop

#endif  // ORBI_DER_OID_H_
