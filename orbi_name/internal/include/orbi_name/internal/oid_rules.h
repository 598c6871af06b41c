// The OID value's rules as answers: a text read by the rules of the OID text
// forms, exactly as PLVORBIInternalOID::set(text) reads it (set runs the
// same code), with the reason for a refusal; and the reason why arcs have no
// DER content octets, the rule of PLVORBIInternalOID::get(gss_OID&). For
// callers that say why an input was refused (the tool) instead of restating
// the rules.
//
// The text forms: a text that starts with '{' holds arcs divided by single
// blanks up to a closing '}' ("{1 2 840 113549}"); any other text holds arcs
// divided by single dots ("1.2.840.113549"). Each arc is a run of decimal
// digits, leading zeros allowed, worth 1 to 4294967295.
//
// A text is read in two steps, so that the caller can allocate room for its
// arcs in between: MeasureOidText judges the layout and counts the arcs,
// ReadOidTextArcs reads them.
//
// Not installed: the project's own code (the tool) includes it and links
// the internal library (orbi_name_internal) that holds these functions.
//
// Thread safety: the functions keep no state, take no lock, allocate nothing
// and write no trace record; any thread may call them.
#ifndef ORBI_NAME_INTERNAL_OID_RULES_H_
#define ORBI_NAME_INTERNAL_OID_RULES_H_

#include <stddef.h>
#include <stdint.h>

namespace orbi_name {

// The rules of the text forms, in the order they are checked; kNone where a
// text breaks none.
enum class OidTextFault {
  kNone = 0,
  kNullText,       // no text: a null pointer
  kUnclosedBrace,  // it starts with '{' and does not end with a '}' of its own
  kBadCharacter,   // a character that is neither a digit nor the separator
  kTooManyArcs,    // more than 4294967295 arcs
  kEmptyArc,       // an arc without digits: an empty text or pair of braces,
                   // a separator at either end, two separators in a row
  kZeroArc,        // an arc worth 0
  kArcTooLarge,    // an arc above 4294967295
};

// Why a text was refused: the rule, and where the text breaks it.
struct OidTextRefusal {
  OidTextFault fault = OidTextFault::kNone;
  // The form's separator, ' ' in braces and '.' otherwise; set for every
  // fault but kNullText.
  char separator = '.';
  // kBadCharacter: the offset of the character in the text. kEmptyArc,
  // kZeroArc, kArcTooLarge: the offset where the arc starts (for an empty
  // arc, where its digits would stand). kUnclosedBrace: the text's length.
  size_t offset = 0;
  // kEmptyArc, kZeroArc, kArcTooLarge: the arc's number, counting from 1.
  // kTooManyArcs: the number of arcs.
  uint64_t arc = 0;
  // kZeroArc: true when zeros are all that is wrong with the arcs, so that
  // they name an OID that only its DER content octets can give; the arcs
  // were then all read, zeros included.
  bool only_zero_arcs = false;
};

// A text whose layout MeasureOidText accepted; the pointers point into it.
struct OidTextLayout {
  const char* text = nullptr;   // the text measured
  const char* begin = nullptr;  // the arcs' first character (behind a '{')
  const char* end = nullptr;    // where the arcs end: at the closing '}' or
                                // at the terminating NUL
  char separator = '.';         // ' ' in braces, '.' otherwise
  uint64_t arc_count = 0;       // the number of separators plus one
};

// MeasureOidText judges the layout of the NUL-terminated text: a text that
// starts with '{' ends with a '}' of its own, and the arcs between them (or
// the whole of any other text) hold only digits and the form's separator,
// for at most 4294967295 arcs. Returns kNone and fills *layout; or returns
// the first rule broken (kNullText, kUnclosedBrace, kBadCharacter,
// kTooManyArcs), describes it in *refusal when refusal is not null and
// leaves *layout untouched. Whether each arc is well formed is for
// ReadOidTextArcs to say. REQUIRES: layout is not null.
OidTextFault MeasureOidText(const char* text, OidTextLayout* layout,
                            OidTextRefusal* refusal);

// ReadOidTextArcs reads the arcs of a text that MeasureOidText accepted,
// left to right, into arcs, which has room for layout.arc_count of them.
// Returns kNone when every arc has digits and is worth 1 to 4294967295;
// else the rule that the first wrong arc breaks (kEmptyArc, kZeroArc,
// kArcTooLarge), described in *refusal when refusal is not null. On a
// refusal arcs holds unspecified values, except with only_zero_arcs (which
// is worked out only when refusal is not null): then it holds every arc.
// PLVORBIInternalOID::set(text) accepts a text exactly when both steps
// return kNone, and then holds these arcs. REQUIRES: MeasureOidText
// returned kNone for layout, and arcs is not null.
OidTextFault ReadOidTextArcs(const OidTextLayout& layout, uint32_t* arcs,
                             OidTextRefusal* refusal);

// The rules that keep arcs from having DER content octets, in the order
// they are checked; kNone where arcs break none.
enum class OidArcsFault {
  kNone = 0,
  kTooFewArcs,        // fewer than two arcs
  kFirstArcAbove2,    // the first arc is above 2
  kSecondArcAbove39,  // the second arc is 40 or more under a first of 0 or 1
  kTooLong,           // more arcs or content octets than a 32-bit length
                      // counts
};

// CheckOidArcs tells whether the count arcs have DER content octets: kNone
// when they do, else the first rule they break. PLVORBIInternalOID's
// get(gss_OID&) refuses a value with BAD_OID (38) exactly when this is not
// kNone for its arcs. A null arcs reads as no arcs.
OidArcsFault CheckOidArcs(const uint32_t* arcs, size_t count);

}  // namespace orbi_name

#endif  // ORBI_NAME_INTERNAL_OID_RULES_H_
