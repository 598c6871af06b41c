// Display and canonicalization of a name.
#include <stdlib.h>
#include <string.h>

#include "hints.h"
#include "orbi_name/internal_name.h"
#include "scoped.h"
#include "short_bytes.h"
#include "table_oids.h"

using orbi_name::internal::CheckMechanism;
using orbi_name::internal::CopyBytes;
using orbi_name::internal::kNameSource;
using orbi_name::internal::MatchesTableOid;
using orbi_name::internal::MutexLock;
using orbi_name::internal::Oids;
namespace status = orbi_name::status;

namespace {

constexpr char kDisplayText[] =
    "PLVORBIInternalName::Display(gss_buffer_t, gss_OID*)";
constexpr char kCanonicalizeText[] = "PLVORBIInternalName::CanonicalizeName()";
constexpr char kCanonicalizeBadInputText[] =
    "PLVORBIInternalName::CanonicalizeName() returns BAD_INPUT";
constexpr char kCanonicalizeInvalidMechText[] =
    "PLVORBIInternalName::CanonicalizeName() returns INVALID_MECH";
constexpr char kCanonicalizeMechNotSupportedText[] =
    "PLVORBIInternalName::CanonicalizeName() returns MECH_NOT_SUPPORTED";

// CheckCallersMechanism judges a mechanism that is not the table's own
// object: SUCCESS for an equal OID; BAD_INPUT, INVALID_MECH or
// MECH_NOT_SUPPORTED, each with its record, for a missing, unreadable or
// other mechanism. Out of line but not cold: callers
// that come through the mechanism glue hand in the glue's copy of the OID.
ORBI_NOINLINE OM_uint32 CheckCallersMechanism(gss_OID mech) {
  if (mech == nullptr) {
    ORBI_TRACE_LEVEL1(kNameSource, kCanonicalizeBadInputText);
    return status::BAD_INPUT;
  }
  const OM_uint32 mech_status = CheckMechanism(mech);
  if (mech_status == status::INVALID_MECH) {
    ORBI_TRACE_LEVEL1(kNameSource, kCanonicalizeInvalidMechText);
  } else if (mech_status == status::MECH_NOT_SUPPORTED) {
    ORBI_TRACE_LEVEL1(kNameSource, kCanonicalizeMechNotSupportedText);
  }
  return mech_status;
}

}  // namespace

OM_uint32 PLVORBIInternalName::Display(gss_buffer_t outputName,
                                       gss_OID* outputNameType) {
  ORBI_TRACE_SCOPE(kNameSource, kDisplayText);
  if (outputName == nullptr) return status::BAD_INPUT;
  MutexLock lock(mutex);
  outputName->length = nameLength;
  // The block holds all nameLength bytes and a NUL behind them, so a caller
  // may read length bytes even when the text ends at an embedded NUL; a name
  // without text (nameLength 0) gives a block holding only the NUL.
  auto* block = static_cast<char*>(malloc(static_cast<size_t>(nameLength) + 1));
  if (block == nullptr) {
    outputName->value = nullptr;
    return status::NO_MEMORY;
  }
  CopyBytes(block, nameValue, nameLength);
  block[nameLength] = '\0';
  outputName->value = block;
  if (outputNameType != nullptr) *outputNameType = nameType;
  return status::SUCCESS;
}

OM_uint32 PLVORBIInternalName::CanonicalizeName(gss_OID mech) {
  ORBI_TRACE_SCOPE(kNameSource, kCanonicalizeText);
  // The table's own object is the common case and needs no look at bytes.
  if (mech != Oids().mechanism) {
    const OM_uint32 mech_status = CheckCallersMechanism(mech);
    if (mech_status != status::SUCCESS) return mech_status;
  }
  gss_OID default_type = Oids().default_type;
  MutexLock lock(mutex);
  if (nameType != default_type && !MatchesTableOid(nameType, default_type)) {
    return status::BAD_NAME_TYPE;
  }
  nameType = default_type;
  mechType = Oids().mechanism;
  return status::SUCCESS;
}
