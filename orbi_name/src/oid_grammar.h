// The rules of orbi_name/internal/oid_rules.h, inline: PLVORBIInternalOID's
// set(text) and get(gss_OID&) run them on their hot paths, and the public
// answers of oid_rules.cc run them and describe a refusal. One copy of each
// rule, so a refusal's reason is always the one the value stopped at.
#ifndef ORBI_NAME_SRC_OID_GRAMMAR_H_
#define ORBI_NAME_SRC_OID_GRAMMAR_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "der/oid.h"
#include "hints.h"
#include "orbi_name/internal/oid_rules.h"

namespace orbi_name {
namespace internal {

// MeasureText is MeasureOidText without the description of a refusal. It
// fills *layout as far as it gets, so that a refusal can be described from
// it, and on kBadCharacter sets *stop to the character.
ORBI_ALWAYS_INLINE OidTextFault MeasureText(const char* text,
                                            OidTextLayout* layout,
                                            const char** stop) {
  if (text == nullptr) return OidTextFault::kNullText;
  const char* begin = text;
  const char* end = text + strlen(text);
  char separator = '.';
  if (*text == '{') {
    begin = text + 1;
    separator = ' ';
  }
  layout->text = text;
  layout->begin = begin;
  layout->end = end;
  layout->separator = separator;
  if (separator == ' ') {
    if (begin == end || end[-1] != '}') return OidTextFault::kUnclosedBrace;
    layout->end = --end;
  }
  // Only digits and separators; the count of arcs is the count of
  // separators plus one.
  uint64_t count = 1;
  for (const char* p = begin; p < end; ++p) {
    if (*p >= '0' && *p <= '9') continue;
    if (*p != separator) {
      *stop = p;
      return OidTextFault::kBadCharacter;
    }
    ++count;
  }
  layout->arc_count = count;
  if (count > orbi::der::kMaxArcCount) return OidTextFault::kTooManyArcs;
  return OidTextFault::kNone;
}

// ScanArcs is ReadOidTextArcs without the description of a refusal: it
// stops at the first wrong arc and sets *stop to where it noticed (the
// separator or end behind an empty or zero arc, the digit that takes an arc
// above 4294967295). With kReadZeros an arc worth 0 is read as it is, which
// only the description of a refusal asks for.
template <bool kReadZeros>
ORBI_ALWAYS_INLINE OidTextFault ScanArcs(const OidTextLayout& layout,
                                         uint32_t* arcs, const char** stop) {
  const char* const begin = layout.begin;
  const char* const end = layout.end;
  const char separator = layout.separator;
  uint64_t index = 0;
  uint64_t value = 0;
  for (const char* p = begin;; ++p) {
    if (p == end || *p == separator) {
      // A piece worth 0 is an arc of zeros or an empty piece.
      if (value == 0) {
        if (p == begin || p[-1] == separator) {
          *stop = p;
          return OidTextFault::kEmptyArc;
        }
        if (!kReadZeros) {
          *stop = p;
          return OidTextFault::kZeroArc;
        }
      }
      arcs[index++] = static_cast<uint32_t>(value);
      value = 0;
      if (p == end) return OidTextFault::kNone;
      continue;
    }
    value = value * 10 + static_cast<uint64_t>(*p - '0');
    if (value > orbi::der::kMaxArc) {
      *stop = p;
      return OidTextFault::kArcTooLarge;
    }
  }
}

// ArcsFaultOf turns the DER module's reason into the public one; off the
// hot path, which only tests for kNone.
ORBI_COLD inline OidArcsFault ArcsFaultOf(orbi::der::ArcsFault fault) {
  using orbi::der::ArcsFault;
  switch (fault) {
    case ArcsFault::kNone:
      return OidArcsFault::kNone;
    case ArcsFault::kTooFewArcs:
      return OidArcsFault::kTooFewArcs;
    case ArcsFault::kFirstArcAbove2:
      return OidArcsFault::kFirstArcAbove2;
    case ArcsFault::kSecondArcAbove39:
      return OidArcsFault::kSecondArcAbove39;
    case ArcsFault::kTooManyArcs:
    case ArcsFault::kArcAbove32Bits:  // not for 32-bit arcs
      return OidArcsFault::kTooLong;
  }
  return OidArcsFault::kTooLong;
}

// CheckArcs is CheckOidArcs; on kNone it also sets *length to the length of
// the content octets.
ORBI_ALWAYS_INLINE OidArcsFault CheckArcs(const uint32_t* arcs, size_t count,
                                          size_t* length) {
  const orbi::der::ArcsFault fault = orbi::der::FindOidArcsFault(arcs, count);
  if (fault != orbi::der::ArcsFault::kNone) return ArcsFaultOf(fault);
  const size_t measured = orbi::der::EncodedOidLength(arcs, count);
  // The length must fit the 32-bit gss_OID length.
  if (measured > 0xFFFFFFFFu) return OidArcsFault::kTooLong;
  *length = measured;
  return OidArcsFault::kNone;
}

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_OID_GRAMMAR_H_
