// What the suites that call the module's entry points directly share
// (mech_module_test, mech_heimdal_module_test and their allocation-failure
// counterparts): the OIDs they pass by value, the minor statuses the module
// reports and its attributes' URIs (both from the lists the module is made
// from), a value no output may be left holding, and looking up an entry
// point by name.
//
// Include it after <gssapi/gssapi.h>: a suite that calls the RFC 5587 and
// RFC 5801 functions includes MIT's headers inside extern "C" first.
#ifndef ORBI_TESTS_MECH_MODULE_TEST_SUPPORT_H_
#define ORBI_TESTS_MECH_MODULE_TEST_SUPPORT_H_

#include <dlfcn.h>
#include <gssapi/gssapi.h>
#include <string.h>

#include <string>
#include <vector>

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

// The minor statuses, made from the lists as the module makes them: the
// library's statuses (orbi_name/status.def) in library_status, the module's
// own codes (mech/minor_status.def) in minor_code.
namespace library_status {
#define ORBI_NAME_STATUS(NAME, value, major_status, message) \
  inline constexpr OM_uint32 NAME = value;
#include "orbi_name/status.def"
}  // namespace library_status
namespace minor_code {
#define ORBI_MINOR(NAME, value, major_status, message) \
  inline constexpr OM_uint32 NAME = value;
#include "mech/minor_status.def"
}  // namespace minor_code

// The library's statuses the module reports as minor statuses.
inline constexpr OM_uint32 kNoMemory = library_status::NO_MEMORY;
inline constexpr OM_uint32 kBadInput = library_status::BAD_INPUT;
inline constexpr OM_uint32 kInvalidMech = library_status::INVALID_MECH;
inline constexpr OM_uint32 kMechNotSupported =
    library_status::MECH_NOT_SUPPORTED;
inline constexpr OM_uint32 kBadNameType = library_status::BAD_NAME_TYPE;
// The module's own minor statuses.
inline constexpr OM_uint32 kMalformedToken = minor_code::MALFORMED_TOKEN;
inline constexpr OM_uint32 kForeignToken = minor_code::FOREIGN_TOKEN;
inline constexpr OM_uint32 kNameHasNul = minor_code::NAME_HAS_NUL;
inline constexpr OM_uint32 kNoSuchAttribute = minor_code::NO_SUCH_ATTRIBUTE;
inline constexpr OM_uint32 kReadOnlyAttribute = minor_code::READ_ONLY_ATTRIBUTE;
inline constexpr OM_uint32 kUnexpected = minor_code::UNEXPECTED;
inline constexpr OM_uint32 kUnavailable = minor_code::UNAVAILABLE;
inline constexpr OM_uint32 kValueOutOfReach = minor_code::VALUE_OUT_OF_REACH;
inline constexpr OM_uint32 kAttributesDisagree =
    minor_code::ATTRIBUTES_DISAGREE;
inline constexpr OM_uint32 kLibraryToken = minor_code::LIBRARY_TOKEN;

// The name attributes' URIs, made from mech/name_attributes.def as the module
// makes them: one constant per row (kPathAttribute, kEntriesAttribute), and
// every one in the order gss_inquire_name lists them.
#define ORBI_ATTRIBUTE(Name, suffix, values)    \
  inline const std::string k##Name##Attribute = \
      "urn:oid:" ORBI_MECH_OID_TEXT suffix;
#include "mech/name_attributes.def"
inline const std::vector<std::string> kAttributes = {
#define ORBI_ATTRIBUTE(Name, suffix, values) \
  "urn:oid:" ORBI_MECH_OID_TEXT suffix,
#include "mech/name_attributes.def"
};

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
