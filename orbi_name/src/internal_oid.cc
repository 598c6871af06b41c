// The OID value: its text, ASN.1 and gss_OID forms, comparison, the OID
// checks that the name operations use, and the algorithm codes.
//
// Arcs are 32-bit. Two values are equal when their text forms are the same
// string; the unsigned text form is injective, so comparing the arcs gives the
// same answer without building either text. OIDChecker compares validated DER
// content octets for the same reason: DER is canonical, so two valid
// encodings are equal exactly when their arcs are.
#include "orbi_name/internal_oid.h"

#include <assert.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <new>

#include "der/oid.h"
#include "oid_grammar.h"
#include "orbi_services/oid_table.h"
#include "short_bytes.h"

namespace status = orbi_name::status;

namespace {

using orbi::der::kMaxArc;
// Longest decimal form of a 32-bit arc.
constexpr size_t kMaxArcDigits = 10;

// FitsSize is true when count items of item_size bytes, plus a few bytes of
// framing, can be measured in a size_t. Always true where size_t is 64-bit;
// kept so that the arithmetic stays checked on narrower platforms.
[[nodiscard]] constexpr bool FitsSize(uint64_t count, uint64_t item_size) {
  return count <= (static_cast<uint64_t>(SIZE_MAX) - 2) / item_size;
}

// Arcs handed to an ASN.1 object through a stack array up to this count.
constexpr uint32_t kStackArcs = 32;

constexpr unsigned int kNoCode = 7936;  // 0x1F00

// The OID that ConvertFromTSToOID hands out for codes 0 and 256: a record of
// the library's own, so that GetMatchingOIDFromTable does not take it for
// the table's object, holding the OID of table entry kORBIAlgorithm256Index
// (DES-EDE3-CBC). Its content octets are that entry's row, a string literal,
// so a zero byte follows them and elements can also be read as a terminated
// string. Record and octets are constants in read-only storage: a caller's
// write through the pointer faults instead of changing the OID for the
// process. Without the row the constant evaluation below fails.
constexpr ORBIOIDRole kDesEde3CbcRow = *ORBIOIDRowOf(kORBIAlgorithm256Index);
static_assert(!ORBIOIDIsUnderArc(kDesEde3CbcRow),
              "entry kORBIAlgorithm256Index is a whole OID of its own");
constexpr gss_OID_desc kDesEde3CbcRecord = {
    kDesEde3CbcRow.der.length, const_cast<char*>(kDesEde3CbcRow.der.bytes)};

// Number of decimal digits of value.
[[nodiscard]] size_t DecimalDigits(uint32_t value) {
  size_t digits = 1;
  while (value >= 10) {
    value /= 10;
    ++digits;
  }
  return digits;
}

// Writes value in decimal at out (room for kMaxArcDigits); returns the count.
[[nodiscard]] size_t FormatUnsigned(uint32_t value, char* out) {
  const size_t digits = DecimalDigits(value);
  char* p = out + digits;
  do {
    *--p = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  return digits;
}

// Gives object the count arcs with set_value(unsigned long*, unsigned int).
// Returns set_value's result: 0 encodable, 1 no memory (also when the arcs
// could not be widened for want of memory), 2 stored but not encodable.
[[nodiscard]] int GiveArcs(PLVASNObjectID& object, const uint32_t* arcs,
                           uint32_t count) {
  if (count == 0)
    return object.set_value(static_cast<unsigned long*>(nullptr), 0);
  unsigned long stack[kStackArcs];
  unsigned long* wide = stack;
  if (count > kStackArcs) {
    if (!FitsSize(count, sizeof(unsigned long))) return 1;
    wide = static_cast<unsigned long*>(malloc(sizeof(unsigned long) * count));
    if (wide == nullptr) return 1;
  }
  for (uint32_t i = 0; i < count; ++i) wide[i] = arcs[i];
  const int result = object.set_value(wide, count);
  if (wide != stack) free(wide);
  return result;
}

}  // namespace

PLVORBIInternalOID::PLVORBIInternalOID() : arcCount(0), arcs(nullptr) {}

PLVORBIInternalOID::~PLVORBIInternalOID() { Clean(); }

OM_uint32 PLVORBIInternalOID::Clean() {
  free(arcs);
  arcs = nullptr;
  arcCount = 0;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalOID::set(const char* text) {
  // The rules of orbi_name/internal/oid_rules.h: the layout first, which counts
  // the arcs, then the arcs, read into a new block so that a rejected arc
  // leaves the value as it was.
  orbi_name::OidTextLayout layout;
  const char* stop = nullptr;
  if (orbi_name::internal::MeasureText(text, &layout, &stop) !=
          orbi_name::OidTextFault::kNone ||
      layout.arc_count > SIZE_MAX / sizeof(uint32_t)) {
    return status::BAD_OID;
  }
  const uint64_t count = layout.arc_count;
  auto* block = static_cast<uint32_t*>(malloc(sizeof(uint32_t) * count));
  if (block == nullptr) return status::NO_MEMORY;
  if (orbi_name::internal::ScanArcs<false>(layout, block, &stop) !=
      orbi_name::OidTextFault::kNone) {
    free(block);
    return status::BAD_OID;
  }
  free(arcs);
  arcs = block;
  arcCount = static_cast<uint32_t>(count);
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalOID::get(char*& text) const {
  text = nullptr;
  // "{" + arcs divided by blanks + "}": one character per arc besides its
  // digits, plus one; an empty value is "}".
  if (!FitsSize(arcCount, kMaxArcDigits + 1)) return status::NO_MEMORY;
  size_t length = arcCount == 0 ? 1 : static_cast<size_t>(arcCount) + 1;
  for (uint32_t i = 0; i < arcCount; ++i) length += DecimalDigits(arcs[i]);
  auto* out = static_cast<char*>(malloc(length + 1));
  if (out == nullptr) return status::NO_MEMORY;
  char* p = out;
  if (arcCount == 0) {
    *p++ = '}';
  } else {
    *p++ = '{';
    for (uint32_t i = 0; i < arcCount; ++i) {
      p += FormatUnsigned(arcs[i], p);
      *p++ = i + 1 < arcCount ? ' ' : '}';
    }
  }
  *p = '\0';
  text = out;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalOID::set(const PLVASNObjectID* value) {
  Clean();
  if (value == nullptr) return status::BAD_OID;
  unsigned long* source = nullptr;
  unsigned int count = 0;
  static_cast<void>(value->get_value(source, count));
  if (count == 0 || source == nullptr) return status::SUCCESS;
  for (unsigned int i = 0; i < count; ++i) {
    if (source[i] > kMaxArc) return status::BAD_OID;
  }
  if (!FitsSize(count, sizeof(uint32_t))) return status::NO_MEMORY;
  auto* block = static_cast<uint32_t*>(malloc(sizeof(uint32_t) * count));
  if (block == nullptr) return status::NO_MEMORY;
  for (unsigned int i = 0; i < count; ++i) {
    block[i] = static_cast<uint32_t>(source[i]);
  }
  arcs = block;
  arcCount = count;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalOID::get(PLVASNObjectID*& value) const {
  value = nullptr;
  auto* object = new (std::nothrow) PLVASNObjectID(0);
  if (object == nullptr) return status::NO_MEMORY;
  if (GiveArcs(*object, arcs, arcCount) == 1) {
    delete object;
    return status::NO_MEMORY;
  }
  value = object;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalOID::writeTo(PLVASNObjectID& value) const {
  // Arcs that cannot be encoded are still handed over (result 2); only a
  // failure for want of memory is reported.
  return GiveArcs(value, arcs, arcCount) == 1 ? status::NO_MEMORY
                                              : status::SUCCESS;
}

OM_uint32 PLVORBIInternalOID::set(const gss_OID oid) {
  if (oid == nullptr || oid->elements == nullptr) return status::BAD_OID;
  const auto* bytes = static_cast<const unsigned char*>(oid->elements);
  // Validated and counted first, then decoded straight into the one block
  // the arcs need.
  uint64_t count = 0;
  if (!orbi::der::IsValidOidContent(bytes, oid->length, &count)) {
    return status::BAD_OID;
  }
  auto* block = static_cast<uint32_t*>(
      malloc(sizeof(uint32_t) * static_cast<size_t>(count)));
  if (block == nullptr) {
    Clean();
    return status::NO_MEMORY;
  }
  orbi::der::DecodeOidContent(bytes, oid->length, block);
  free(arcs);
  arcs = block;
  arcCount = static_cast<uint32_t>(count);
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalOID::get(gss_OID& oid) const {
  oid = nullptr;
  // The content octets are measured (the rules of
  // orbi_name/internal/oid_rules.h), then written straight into their block,
  // with the zero byte behind them.
  size_t length = 0;
  if (orbi_name::internal::CheckArcs(arcs, arcCount, &length) !=
      orbi_name::OidArcsFault::kNone) {
    return status::BAD_OID;
  }
  auto* desc = static_cast<gss_OID>(malloc(sizeof(gss_OID_desc)));
  if (desc == nullptr) return status::NO_MEMORY;
  auto* elements = static_cast<unsigned char*>(malloc(length + 1));
  if (elements == nullptr) {
    free(desc);
    return status::NO_MEMORY;
  }
  const unsigned char* end = orbi::der::PutOidContent(arcs, arcCount, elements);
  assert(end == elements + length);
  (void)end;
  elements[length] = 0;
  desc->length = static_cast<OM_uint32>(length);
  desc->elements = elements;
  oid = desc;
  return status::SUCCESS;
}

int PLVORBIInternalOID::isEqual(const PLVORBIInternalOID* other) const {
  if (other == nullptr) return 0;
  if (other == this) return 1;
  if (arcCount != other->arcCount) return 0;
  if (arcCount == 0) return 1;
  return memcmp(arcs, other->arcs, sizeof(uint32_t) * arcCount) == 0 ? 1 : 0;
}

int PLVORBIInternalOID::isEqual(const char* text) const {
  PLVORBIInternalOID temporary;
  static_cast<void>(temporary.set(text));
  return isEqual(&temporary);
}

int PLVORBIInternalOID::isEqual(const PLVASNObjectID* value) const {
  PLVORBIInternalOID temporary;
  static_cast<void>(temporary.set(value));
  return isEqual(&temporary);
}

int PLVORBIInternalOID::isEqual(const gss_OID oid) const {
  PLVORBIInternalOID temporary;
  static_cast<void>(temporary.set(oid));
  return isEqual(&temporary);
}

int PLVORBIInternalOID::OIDChecker(gss_OID a, gss_OID b) {
  if (a == nullptr || b == nullptr) return 0;
  if (a == b) return 1;
  // Two valid encodings are the same OID exactly when their bytes are the
  // same, and an a or b that does not decode gives 0: so different bytes are
  // 0 whatever their validity, and equal bytes are 1 exactly when a decodes.
  if (a->elements == nullptr || b->elements == nullptr) return 0;
  if (a->length != b->length) return 0;
  const auto* a_bytes = static_cast<const unsigned char*>(a->elements);
  if (!orbi_name::internal::EqualBytes(a_bytes, b->elements, a->length)) {
    return 0;
  }
  return orbi::der::IsValidOidContent(a_bytes, a->length) ? 1 : 0;
}

gss_OID PLVORBIInternalOID::GetMatchingOIDFromTable(const gss_OID oid) const {
  // Every entry is asked for, matched or not.
  bool found = false;
  for (int index = 0; index < kORBIOIDTableSize; ++index) {
    if (ORBIGetOID(index) == oid) found = true;
  }
  return found && oid != nullptr ? oid : nullptr;
}

OM_uint32 PLVORBIInternalOID::ConvertFromOIDToTS(gss_OID oid,
                                                 unsigned int* code) {
  if (code == nullptr) return status::NO_ALGORITHM_CODE;
  *code = kNoCode;
  if (oid != nullptr) {
    if (OIDChecker(oid, ORBIGetOID(kORBIAlgorithm256Index)) != 0) {
      *code = 256;
    } else if (OIDChecker(oid, ORBIGetOID(kORBIAlgorithm512Index)) != 0) {
      *code = 512;
    } else if (OIDChecker(oid, ORBIGetOID(kORBIAlgorithm768Index)) != 0) {
      *code = 768;
    }
  }
  return *code == kNoCode ? status::NO_ALGORITHM_CODE : status::SUCCESS;
}

OM_uint32 PLVORBIInternalOID::ConvertFromTSToOID(unsigned int code,
                                                 gss_OID* oid,
                                                 unsigned int* secondValue) {
  if (oid == nullptr || secondValue == nullptr) {
    return status::NO_ALGORITHM_CODE;
  }
  *oid = nullptr;
  *secondValue = 0;
  switch (code) {
    case 0:
    case 256:
      // The C type points at a writable record; this one is read-only, and
      // the contract has the caller leave it as it is.
      *oid = const_cast<gss_OID>(&kDesEde3CbcRecord);
      *secondValue = 64;
      return status::SUCCESS;
    case 512:
      *oid = ORBIGetOID(kORBIAlgorithm512Index);
      *secondValue = 64;
      return status::SUCCESS;
    case 768:
      *oid = ORBIGetOID(kORBIAlgorithm768Index);
      *secondValue = 40;
      return status::SUCCESS;
    default:
      return status::NO_ALGORITHM_CODE;
  }
}
