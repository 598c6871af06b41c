#include "orbi_services/oid_table.h"

#include <stdint.h>

#include "orbi_services/internal/oid_entries.h"

namespace {

// RowsAreSound is true when every row of kORBIOIDRoles names an index inside
// the table once, with a role, a dotted text and at least one content octet,
// and every index below the first reserved one has a row: what
// MakeEntryOctets needs to give each index exactly one OID.
constexpr bool RowsAreSound() {
  for (const ORBIOIDRole& row : kORBIOIDRoles) {
    if (row.index < 0 || row.index >= kORBIOIDTableSize ||
        ORBIOIDRowOf(row.index) != &row || row.role == nullptr ||
        row.dotted == nullptr || row.der.length == 0) {
      return false;
    }
  }
  for (int i = 0; i < kORBIFirstReservedIndex; ++i) {
    if (ORBIOIDRowOf(i) == nullptr) return false;
  }
  return true;
}
static_assert(RowsAreSound(), "kORBIOIDRoles: a row is out of place");

// Every entry's content octets, each followed by a zero byte, made from the
// rows of kORBIOIDRoles and the build's arc (oid_entries.h).
//
// The octets and the descriptors are constants, so they sit in read-only
// storage (the descriptors, which hold pointers, in the part that the loader
// protects after relocation): a stray write through a pointer the table
// hands out faults at once instead of silently changing an OID for the whole
// process. The C type keeps a non-const elements pointer, hence the cast.
constexpr orbi_services::EntryOctets kOctets = orbi_services::MakeEntryOctets();

struct Table {
  gss_OID_desc entries[kORBIOIDTableSize];
};

constexpr Table MakeTable() {
  Table table{};
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    table.entries[i] = {kOctets.length[i],
                        const_cast<unsigned char*>(kOctets.bytes[i])};
  }
  return table;
}
constexpr Table kTableHolder = MakeTable();
constexpr const gss_OID_desc* kTable = kTableHolder.entries;

}  // namespace

int ORBIOIDTableIndex(const gss_OID_desc* oid) {
  // Compared as integers: the table is one array, and a pointer into it
  // lies between its first and its last element.
  const auto address = reinterpret_cast<uintptr_t>(oid);
  const auto first = reinterpret_cast<uintptr_t>(&kTable[0]);
  if (address < first ||
      address > reinterpret_cast<uintptr_t>(&kTable[kORBIOIDTableSize - 1]) ||
      (address - first) % sizeof(gss_OID_desc) != 0) {
    return -1;
  }
  return static_cast<int>((address - first) / sizeof(gss_OID_desc));
}

gss_OID ORBIGetOID(int index) {
  if (index < 0 || index >= kORBIOIDTableSize) return nullptr;
  return const_cast<gss_OID>(&kTable[index]);
}
