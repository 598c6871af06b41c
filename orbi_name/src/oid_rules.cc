// The public answers of orbi_name/internal/oid_rules.h: the rules of
// oid_grammar.h, which PLVORBIInternalOID runs too, and the description of a
// refusal.
#include "orbi_name/internal/oid_rules.h"

#include <string.h>

#include "hints.h"
#include "oid_grammar.h"

namespace orbi_name {
namespace {

// DescribeArc describes a fault of the arc that stop lies in or ends: its
// number is the count of separators before stop plus one, and it starts
// behind the last of them.
ORBI_COLD void DescribeArc(const OidTextLayout& layout, const char* stop,
                           OidTextFault fault, OidTextRefusal* refusal) {
  uint64_t number = 1;
  const char* start = layout.begin;
  for (const char* p = layout.begin; p < stop; ++p) {
    if (*p == layout.separator) {
      ++number;
      start = p + 1;
    }
  }
  *refusal = OidTextRefusal{};
  refusal->fault = fault;
  refusal->separator = layout.separator;
  refusal->offset = static_cast<size_t>(start - layout.text);
  refusal->arc = number;
}

}  // namespace

OidTextFault MeasureOidText(const char* text, OidTextLayout* layout,
                            OidTextRefusal* refusal) {
  OidTextLayout measured;
  const char* stop = nullptr;
  const OidTextFault fault = internal::MeasureText(text, &measured, &stop);
  if (fault == OidTextFault::kNone) {
    *layout = measured;
    return fault;
  }
  if (refusal == nullptr) return fault;
  *refusal = OidTextRefusal{};
  refusal->fault = fault;
  refusal->separator = measured.separator;
  switch (fault) {
    case OidTextFault::kUnclosedBrace:
      refusal->offset = strlen(text);
      break;
    case OidTextFault::kBadCharacter:
      refusal->offset = static_cast<size_t>(stop - text);
      break;
    case OidTextFault::kTooManyArcs:
      refusal->arc = measured.arc_count;
      break;
    default:  // kNullText: nothing more to say
      refusal->separator = '.';
      break;
  }
  return fault;
}

OidTextFault ReadOidTextArcs(const OidTextLayout& layout, uint32_t* arcs,
                             OidTextRefusal* refusal) {
  const char* stop = nullptr;
  const OidTextFault fault = internal::ScanArcs<false>(layout, arcs, &stop);
  if (fault == OidTextFault::kNone || refusal == nullptr) return fault;
  DescribeArc(layout, stop, fault, refusal);
  if (fault == OidTextFault::kZeroArc) {
    // Read again with zeros taken as arcs: whatever stops that is another
    // rule broken.
    const char* other = nullptr;
    refusal->only_zero_arcs =
        internal::ScanArcs<true>(layout, arcs, &other) == OidTextFault::kNone;
  }
  return fault;
}

OidArcsFault CheckOidArcs(const uint32_t* arcs, size_t count) {
  size_t length = 0;
  return internal::CheckArcs(arcs, count, &length);
}

}  // namespace orbi_name
