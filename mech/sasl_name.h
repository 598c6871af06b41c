// The SASL (GS2) name of a GSS-API mechanism, computed from its OID as RFC
// 5801, section 3.1, describes for a mechanism without a registered name:
// "GS2-" followed by the base32 encoding (RFC 4648 alphabet, upper case) of
// the first 55 bits of the SHA-1 digest of the OID's DER encoding, tag and
// length included. The glue computes the same name when a module gives none,
// so a caller's gss_inquire_mech_for_saslname finds the mechanism by it.
//
// Thread safety: the functions keep no state.
#ifndef ORBI_MECH_SASL_NAME_H_
#define ORBI_MECH_SASL_NAME_H_

#include <stddef.h>
#include <stdint.h>

namespace orbi_mech {

// The length of a computed GS2 name: "GS2-" and 11 base32 characters.
inline constexpr size_t kGs2NameLength = 15;

// Sha1 writes the SHA-1 digest (FIPS 180-4) of the length bytes at data into
// digest.
void Sha1(const unsigned char* data, size_t length, unsigned char digest[20]);

// ComputeGs2Name writes the GS2 name of the OID whose DER content octets are
// the length bytes at oid into name, followed by a NUL (kGs2NameLength + 1
// bytes). Returns false, writing nothing, for an empty OID or one whose DER
// length needs more than two bytes (65535 content octets or more).
[[nodiscard]] bool ComputeGs2Name(const unsigned char* oid, size_t length,
                                  char name[kGs2NameLength + 1]);

}  // namespace orbi_mech

#endif  // ORBI_MECH_SASL_NAME_H_
