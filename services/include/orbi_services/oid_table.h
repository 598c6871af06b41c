// ORBIGetOID: the OID table service. Hands out process-lifetime gss_OID
// objects; the same index always gives the same pointer. Each object's
// elements are the DER content octets followed by one zero byte.
//
// What each entry holds is written once, in kORBIOIDRoles below: a row per
// entry that has a role, with its index, its role, its dotted text and its
// content octets. Every other index, from kORBIFirstReservedIndex to the end
// of the table, is a reserved entry ARC.2.INDEX.
//
// ARC is the build's OID arc (CMake's ORBI_OID_ARC). By default it is
// 1.3.6.1.4.1.32473, the private enterprise number that RFC 5612 sets aside
// for documentation, so the mechanism's own OIDs clash with no registered
// one; a deployment builds with its own registered arc.
#ifndef ORBI_SERVICES_OID_TABLE_H_
#define ORBI_SERVICES_OID_TABLE_H_

#include <stddef.h>

#include "orbi_services/gss_types.h"

// Number of entries in the table; valid indices are 0 to kORBIOIDTableSize-1.
constexpr int kORBIOIDTableSize = 40;

// Indices of the entries that have a role. The name library relies on 0, 1,
// 6, 7 and 17 to 19; the others name well-known name types for callers that
// show or classify an OID (the tool, the module).
constexpr int kORBIExportedNameTypeIndex = 0;
constexpr int kORBIDefaultNameTypeIndex = 1;
constexpr int kORBIUserNameTypeIndex = 2;
constexpr int kORBIMachineUidNameTypeIndex = 3;
constexpr int kORBIStringUidNameTypeIndex = 4;
constexpr int kORBIHostBasedServiceNameTypeIndex = 5;
constexpr int kORBIAnonymousNameTypeIndex = 6;
constexpr int kORBIMechanismIndex = 7;
constexpr int kORBIAlgorithm768Index = 17;
constexpr int kORBIAlgorithm256Index = 18;
constexpr int kORBIAlgorithm512Index = 19;
// The first reserved entry (ARC.2.8). Every index from here to the end of
// the table that kORBIOIDRoles does not list is a reserved entry ARC.2.INDEX.
constexpr int kORBIFirstReservedIndex = 8;

// ORBIOIDOctets holds DER content octets (no tag, no length) written as a
// string literal, "\x2B\x06\x01": the length is the literal's without its
// terminating zero, so a zero octet inside counts, and that zero byte
// follows the octets.
struct ORBIOIDOctets {
  const char* bytes = "";
  OM_uint32 length = 0;

  constexpr ORBIOIDOctets() = default;
  // Implicit, so that a row can give its octets as a plain literal.
  template <size_t N>
  constexpr ORBIOIDOctets(const char (&literal)[N])  // NOLINT
      : bytes(literal), length(static_cast<OM_uint32>(N - 1)) {}
};

// ORBIOIDRole is one table entry that has a role: its index, what it stands
// for, and its OID, as dotted text and as content octets. An entry under the
// build's arc has the dotted text "ARC.N..." and, in der, the content octets
// that follow the arc's (ORBIOIDIsUnderArc); any other entry gives its whole
// OID.
struct ORBIOIDRole {
  int index;
  const char* role;
  const char* dotted = nullptr;
  ORBIOIDOctets der;
};

// The entries that have a role, by index: what each stands for and its OID.
// An index not listed is a reserved entry. This list is the one home of
// these facts: the table's objects are made from it, the tool's role names
// and the tests read it, and a test checks every entry's octets against
// OpenSSL's encoding of its dotted text.
// clang-format off
constexpr ORBIOIDRole kORBIOIDRoles[] = {
    // RFC 2743: GSS_C_NT_EXPORT_NAME.
    {kORBIExportedNameTypeIndex, "exported name type", "1.3.6.1.5.6.4", "\x2B\x06\x01\x05\x06\x04"},
    {kORBIDefaultNameTypeIndex, "default name type", "ARC.1.1", "\x01\x01"},
    // RFC 2744: GSS_C_NT_USER_NAME, GSS_C_NT_MACHINE_UID_NAME and
    // GSS_C_NT_STRING_UID_NAME.
    {kORBIUserNameTypeIndex, "user name type", "1.2.840.113554.1.2.1.1", "\x2A\x86\x48\x86\xF7\x12\x01\x02\x01\x01"},
    {kORBIMachineUidNameTypeIndex, "machine uid name type", "1.2.840.113554.1.2.1.2", "\x2A\x86\x48\x86\xF7\x12\x01\x02\x01\x02"},
    {kORBIStringUidNameTypeIndex, "string uid name type", "1.2.840.113554.1.2.1.3", "\x2A\x86\x48\x86\xF7\x12\x01\x02\x01\x03"},
    // RFC 2743: GSS_C_NT_HOSTBASED_SERVICE and GSS_C_NT_ANONYMOUS.
    {kORBIHostBasedServiceNameTypeIndex, "host-based service name type", "1.3.6.1.5.6.2", "\x2B\x06\x01\x05\x06\x02"},
    {kORBIAnonymousNameTypeIndex, "anonymous name type", "1.3.6.1.5.6.3", "\x2B\x06\x01\x05\x06\x03"},
    {kORBIMechanismIndex, "the library's mechanism", "ARC.1", "\x01"},
    // rc4 (RSA Data Security's encryptionAlgorithm arc), des-ede3-cbc
    // (RFC 8018) and desCBC (OIW, RFC 8018).
    {kORBIAlgorithm768Index, "RC4", "1.2.840.113549.3.4", "\x2A\x86\x48\x86\xF7\x0D\x03\x04"},
    {kORBIAlgorithm256Index, "DES-EDE3-CBC", "1.2.840.113549.3.7", "\x2A\x86\x48\x86\xF7\x0D\x03\x07"},
    {kORBIAlgorithm512Index, "DES-CBC", "1.3.14.3.2.7", "\x2B\x0E\x03\x02\x07"},
};
// clang-format on

// ORBIOIDRowOf returns the row of entry index, or null for a reserved entry
// and for an index outside the table.
constexpr const ORBIOIDRole* ORBIOIDRowOf(int index) {
  for (const ORBIOIDRole& entry : kORBIOIDRoles) {
    if (entry.index == index) return &entry;
  }
  return nullptr;
}

// ORBIOIDRoleOf returns what the entry index stands for, or null for a
// reserved entry and for an index outside the table.
constexpr const char* ORBIOIDRoleOf(int index) {
  const ORBIOIDRole* row = ORBIOIDRowOf(index);
  return row != nullptr ? row->role : nullptr;
}

// ORBIOIDIsUnderArc is true when row's entry lies under the build's arc: its
// dotted text starts with "ARC.".
constexpr bool ORBIOIDIsUnderArc(const ORBIOIDRole& row) {
  return row.dotted != nullptr && row.dotted[0] == 'A' &&
         row.dotted[1] == 'R' && row.dotted[2] == 'C' && row.dotted[3] == '.';
}

// ORBIGetOID returns the table's object for index, or null for an index
// outside the table. The object is owned by the table: never release or
// change it.
gss_OID ORBIGetOID(int index);

// ORBIOIDTableIndex returns the index of oid when it is one of the table's
// own objects (by address, as ORBIGetOID hands them out), else -1; an equal
// OID elsewhere is not the table's. One test of the address, whatever the
// table's size.
int ORBIOIDTableIndex(const gss_OID_desc* oid);

#endif  // ORBI_SERVICES_OID_TABLE_H_
