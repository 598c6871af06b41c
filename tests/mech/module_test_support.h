// What the suites that call the module's entry points directly share
// (mech_module_test, mech_heimdal_module_test and their allocation-failure
// counterparts): the OIDs they pass by value, the minor statuses the module
// reports, a value no output may be left holding, and looking up an entry
// point by name.
//
// Include it after <gssapi/gssapi.h>: a suite that calls the RFC 5587 and
// RFC 5801 functions includes MIT's headers inside extern "C" first.
#ifndef ORBI_TESTS_MECH_MODULE_TEST_SUPPORT_H_
#define ORBI_TESTS_MECH_MODULE_TEST_SUPPORT_H_

#include <dlfcn.h>
#include <gssapi/gssapi.h>
#include <string.h>

#include "orbi_build_oids.h"

namespace orbi_mech_test {

// OIDs by value (content octets). The mechanism is arc 1 of the build's
// OID arc and the default name type arc 1.1 (orbi_build_oids.h).
// 1.3.6.1.5.6.2, .3 and .4 are RFC 2743's host-based, anonymous and exported
// name types; 1.2.840.113554.1.2.1.1 is RFC 2744's user name and
// 1.2.840.113554.1.2.2 the Kerberos V5 mechanism (RFC 1964).
inline gss_OID_desc kMech = {ORBI_MECH_OID_DER_LENGTH,
                             const_cast<char*>(ORBI_MECH_OID_DER)};
inline gss_OID_desc kDefaultType = {
    ORBI_DEFAULT_NAME_TYPE_DER_LENGTH,
    const_cast<char*>(ORBI_DEFAULT_NAME_TYPE_DER)};
inline gss_OID_desc kExportType = {
    6, const_cast<char*>("\x2b\x06\x01\x05\x06\x04")};
inline gss_OID_desc kAnonymousType = {
    6, const_cast<char*>("\x2b\x06\x01\x05\x06\x03")};
inline gss_OID_desc kHostBasedType = {
    6, const_cast<char*>("\x2b\x06\x01\x05\x06\x02")};
inline gss_OID_desc kUserNameType = {
    10, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x01\x01")};
inline gss_OID_desc kKerberosMech = {
    9, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02")};
// Bytes that decode to no OID: a subidentifier may not start with 0x80.
inline gss_OID_desc kUndecodable = {3, const_cast<char*>("\x2b\x80\x01")};

// The library's statuses the module reports as minor statuses.
inline constexpr OM_uint32 kNoMemory = 1;
inline constexpr OM_uint32 kBadInput = 10;
inline constexpr OM_uint32 kInvalidMech = 23;
inline constexpr OM_uint32 kMechNotSupported = 24;
inline constexpr OM_uint32 kBadNameType = 36;
// The module's own minor statuses.
inline constexpr OM_uint32 kMalformedToken = 100;
inline constexpr OM_uint32 kForeignToken = 101;
inline constexpr OM_uint32 kNameHasNul = 102;
inline constexpr OM_uint32 kNoSuchAttribute = 103;
inline constexpr OM_uint32 kReadOnlyAttribute = 104;
inline constexpr OM_uint32 kUnexpected = 105;
inline constexpr OM_uint32 kUnavailable = 106;
inline constexpr OM_uint32 kValueOutOfReach = 107;
inline constexpr OM_uint32 kAttributesDisagree = 108;
inline constexpr OM_uint32 kLibraryToken = 109;

// A value that no call may leave in an output it does not fill.
inline void* const kJunk = reinterpret_cast<void*>(0x5a5a5a5a);

inline bool SameOid(const gss_OID_desc* a, const gss_OID_desc& b) {
  return a != nullptr && a->length == b.length &&
         memcmp(a->elements, b.elements, b.length) == 0;
}

// Resolve looks symbol up in handle, as the glue looks up an entry point;
// *out is null when the module does not define it.
template <typename F>
void Resolve(void* handle, const char* symbol, F* out) {
  *out = reinterpret_cast<F>(dlsym(handle, symbol));
}

}  // namespace orbi_mech_test

#endif  // ORBI_TESTS_MECH_MODULE_TEST_SUPPORT_H_
