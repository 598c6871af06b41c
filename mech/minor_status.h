// The minor statuses of orbi_mech.so and orbi_mech_heimdal.so and their
// texts.
//
// A minor status the module reports is either one of the library's statuses
// (orbi_name/status.def), when a library call decided the outcome, or
// one of the module's own codes below, for what only the module sees: the
// bytes of an exported name token, a name the library would not keep
// as given, name attributes, operations the mechanism does not have, and
// failures no status describes. No code of the module is a library status
// (minor_status.cc checks it), so every value names exactly one fault.
//
// Thread safety: the functions keep no state; the texts are static.
#ifndef ORBI_MECH_MINOR_STATUS_H_
#define ORBI_MECH_MINOR_STATUS_H_

#include <gssapi/gssapi.h>

namespace orbi_mech {
namespace minor {

// The module's codes are the rows of minor_status.def, each a constant
// ORBI_MINOR(NAME, value, ...) made `inline constexpr OM_uint32 NAME =
// value;`. Applications see these values through the glue: they never
// change, and a retired code is never given to another meaning.
#define ORBI_MINOR(NAME, value, major_status, message) \
  inline constexpr OM_uint32 NAME = value;
#include "minor_status.def"

}  // namespace minor

// MinorStatusMajor returns the major status the module reports with one of
// its own codes, GSS_S_ and the third field of the code's row in
// minor_status.def, or GSS_S_COMPLETE, which reports no fault, for a value
// that is not one of its codes.
constexpr OM_uint32 MinorStatusMajor(OM_uint32 code) {
  constexpr struct {
    OM_uint32 code;
    OM_uint32 major;
  } kMajors[] = {
#define ORBI_MINOR(NAME, value, major_status, message) \
  {value, GSS_S_##major_status},
#include "minor_status.def"
  };
  for (const auto& row : kMajors) {
    if (row.code == code) return row.major;
  }
  return GSS_S_COMPLETE;
}

// MinorStatusName returns the name of a minor status ("MALFORMED_TOKEN", or
// the library's name such as "BAD_NAME_TYPE"), or null for a value that is
// neither one of the module's codes nor a library status. Static text.
[[nodiscard]] const char* MinorStatusName(OM_uint32 value);

// MinorStatusMessage returns the sentence that says what the status means,
// or null where MinorStatusName is null. Static text.
[[nodiscard]] const char* MinorStatusMessage(OM_uint32 value);

}  // namespace orbi_mech

#endif  // ORBI_MECH_MINOR_STATUS_H_
