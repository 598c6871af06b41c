// ORBIGetOID: the OID table service. Hands out process-lifetime gss_OID
// objects; the same index always gives the same pointer. Each object's
// elements are the DER content octets followed by one zero byte.
//
//  index  OID                          role
//  0      1.3.6.1.5.6.4                exported-name type (RFC 2743)
//  1      ARC.1.1                      the mechanism's default name type
//  2      1.2.840.113554.1.2.1.1       user name (RFC 2744)
//  3      1.2.840.113554.1.2.1.2       machine uid name (RFC 2744)
//  4      1.2.840.113554.1.2.1.3       string uid name (RFC 2744)
//  5      1.3.6.1.5.6.2                host-based service (RFC 2743)
//  6      1.3.6.1.5.6.3                anonymous name type (RFC 2743)
//  7      ARC.1                        the mechanism
//  17     1.2.840.113549.3.4           algorithm code 768 (RC4)
//  18     1.2.840.113549.3.7           algorithm code 256 (DES-EDE3-CBC)
//  19     1.3.14.3.2.7                 algorithm code 512 (DES-CBC)
//  other  ARC.2.INDEX                  reserved entries
//
// ARC is the build's OID arc (CMake's ORBI_OID_ARC). By default it is
// 1.3.6.1.4.1.32473, the private enterprise number that RFC 5612 sets aside
// for documentation, so the mechanism's own OIDs clash with no registered
// one; a deployment builds with its own registered arc.
#ifndef ORBI_SERVICES_OID_TABLE_H_
#define ORBI_SERVICES_OID_TABLE_H_

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

// ORBIOIDRole names what one table entry stands for.
struct ORBIOIDRole {
  int index;
  const char* role;
};

// The entries that have a role, by index, and what each stands for; an
// index not listed is a reserved entry. Adding an entry with a role is one
// row here (and its bytes in oid_table.cc); the tool's role names and the
// tests read this list.
constexpr ORBIOIDRole kORBIOIDRoles[] = {
    {kORBIExportedNameTypeIndex, "exported name type"},
    {kORBIDefaultNameTypeIndex, "default name type"},
    {kORBIUserNameTypeIndex, "user name type"},
    {kORBIMachineUidNameTypeIndex, "machine uid name type"},
    {kORBIStringUidNameTypeIndex, "string uid name type"},
    {kORBIHostBasedServiceNameTypeIndex, "host-based service name type"},
    {kORBIAnonymousNameTypeIndex, "anonymous name type"},
    {kORBIMechanismIndex, "the library's mechanism"},
    {kORBIAlgorithm768Index, "RC4"},
    {kORBIAlgorithm256Index, "DES-EDE3-CBC"},
    {kORBIAlgorithm512Index, "DES-CBC"},
};

// ORBIOIDRoleOf returns what the entry index stands for, or null for a
// reserved entry and for an index outside the table.
constexpr const char* ORBIOIDRoleOf(int index) {
  for (const ORBIOIDRole& entry : kORBIOIDRoles) {
    if (entry.index == index) return entry.role;
  }
  return nullptr;
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
