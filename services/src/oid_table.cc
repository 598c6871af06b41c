#include "orbi_services/oid_table.h"

#include <stdint.h>

#include "orbi_build_oids.h"

namespace {

// DER content octets of each entry, each followed by one zero byte. ARC is
// the build's OID arc (ORBI_OID_ARC, orbi_build_oids.h).
//
// The bytes and the descriptors are constants, so they sit in read-only
// storage (the descriptors, which hold pointers, in the part that the loader
// protects after relocation): a stray write through a pointer the table hands
// out faults at once instead of silently changing an OID for the whole
// process. The C type keeps a non-const elements pointer, hence the casts.
// clang-format off
constexpr unsigned char kBytes0[] = {0x2B, 0x06, 0x01, 0x05, 0x06, 0x04, 0x00};  // 1.3.6.1.5.6.4
constexpr unsigned char kBytes1[] = {ORBI_OID_ARC_BYTES, 0x01, 0x01, 0x00};  // ARC.1.1
constexpr unsigned char kBytes2[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x12, 0x01, 0x02, 0x01, 0x01, 0x00};  // 1.2.840.113554.1.2.1.1
constexpr unsigned char kBytes3[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x12, 0x01, 0x02, 0x01, 0x02, 0x00};  // 1.2.840.113554.1.2.1.2
constexpr unsigned char kBytes4[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x12, 0x01, 0x02, 0x01, 0x03, 0x00};  // 1.2.840.113554.1.2.1.3
constexpr unsigned char kBytes5[] = {0x2B, 0x06, 0x01, 0x05, 0x06, 0x02, 0x00};  // 1.3.6.1.5.6.2
constexpr unsigned char kBytes6[] = {0x2B, 0x06, 0x01, 0x05, 0x06, 0x03, 0x00};  // 1.3.6.1.5.6.3
constexpr unsigned char kBytes7[] = {ORBI_OID_ARC_BYTES, 0x01, 0x00};  // ARC.1
constexpr unsigned char kBytes8[] = {ORBI_OID_ARC_BYTES, 0x02, 0x08, 0x00};  // ARC.2.8
constexpr unsigned char kBytes9[] = {ORBI_OID_ARC_BYTES, 0x02, 0x09, 0x00};  // ARC.2.9
constexpr unsigned char kBytes10[] = {ORBI_OID_ARC_BYTES, 0x02, 0x0A, 0x00};  // ARC.2.10
constexpr unsigned char kBytes11[] = {ORBI_OID_ARC_BYTES, 0x02, 0x0B, 0x00};  // ARC.2.11
constexpr unsigned char kBytes12[] = {ORBI_OID_ARC_BYTES, 0x02, 0x0C, 0x00};  // ARC.2.12
constexpr unsigned char kBytes13[] = {ORBI_OID_ARC_BYTES, 0x02, 0x0D, 0x00};  // ARC.2.13
constexpr unsigned char kBytes14[] = {ORBI_OID_ARC_BYTES, 0x02, 0x0E, 0x00};  // ARC.2.14
constexpr unsigned char kBytes15[] = {ORBI_OID_ARC_BYTES, 0x02, 0x0F, 0x00};  // ARC.2.15
constexpr unsigned char kBytes16[] = {ORBI_OID_ARC_BYTES, 0x02, 0x10, 0x00};  // ARC.2.16
constexpr unsigned char kBytes17[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x04, 0x00};  // 1.2.840.113549.3.4
constexpr unsigned char kBytes18[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x07, 0x00};  // 1.2.840.113549.3.7
constexpr unsigned char kBytes19[] = {0x2B, 0x0E, 0x03, 0x02, 0x07, 0x00};  // 1.3.14.3.2.7
constexpr unsigned char kBytes20[] = {ORBI_OID_ARC_BYTES, 0x02, 0x14, 0x00};  // ARC.2.20
constexpr unsigned char kBytes21[] = {ORBI_OID_ARC_BYTES, 0x02, 0x15, 0x00};  // ARC.2.21
constexpr unsigned char kBytes22[] = {ORBI_OID_ARC_BYTES, 0x02, 0x16, 0x00};  // ARC.2.22
constexpr unsigned char kBytes23[] = {ORBI_OID_ARC_BYTES, 0x02, 0x17, 0x00};  // ARC.2.23
constexpr unsigned char kBytes24[] = {ORBI_OID_ARC_BYTES, 0x02, 0x18, 0x00};  // ARC.2.24
constexpr unsigned char kBytes25[] = {ORBI_OID_ARC_BYTES, 0x02, 0x19, 0x00};  // ARC.2.25
constexpr unsigned char kBytes26[] = {ORBI_OID_ARC_BYTES, 0x02, 0x1A, 0x00};  // ARC.2.26
constexpr unsigned char kBytes27[] = {ORBI_OID_ARC_BYTES, 0x02, 0x1B, 0x00};  // ARC.2.27
constexpr unsigned char kBytes28[] = {ORBI_OID_ARC_BYTES, 0x02, 0x1C, 0x00};  // ARC.2.28
constexpr unsigned char kBytes29[] = {ORBI_OID_ARC_BYTES, 0x02, 0x1D, 0x00};  // ARC.2.29
constexpr unsigned char kBytes30[] = {ORBI_OID_ARC_BYTES, 0x02, 0x1E, 0x00};  // ARC.2.30
constexpr unsigned char kBytes31[] = {ORBI_OID_ARC_BYTES, 0x02, 0x1F, 0x00};  // ARC.2.31
constexpr unsigned char kBytes32[] = {ORBI_OID_ARC_BYTES, 0x02, 0x20, 0x00};  // ARC.2.32
constexpr unsigned char kBytes33[] = {ORBI_OID_ARC_BYTES, 0x02, 0x21, 0x00};  // ARC.2.33
constexpr unsigned char kBytes34[] = {ORBI_OID_ARC_BYTES, 0x02, 0x22, 0x00};  // ARC.2.34
constexpr unsigned char kBytes35[] = {ORBI_OID_ARC_BYTES, 0x02, 0x23, 0x00};  // ARC.2.35
constexpr unsigned char kBytes36[] = {ORBI_OID_ARC_BYTES, 0x02, 0x24, 0x00};  // ARC.2.36
constexpr unsigned char kBytes37[] = {ORBI_OID_ARC_BYTES, 0x02, 0x25, 0x00};  // ARC.2.37
constexpr unsigned char kBytes38[] = {ORBI_OID_ARC_BYTES, 0x02, 0x26, 0x00};  // ARC.2.38
constexpr unsigned char kBytes39[] = {ORBI_OID_ARC_BYTES, 0x02, 0x27, 0x00};  // ARC.2.39

#define ORBI_ENTRY(i) \
  {sizeof(kBytes##i) - 1, const_cast<unsigned char*>(kBytes##i)}
constexpr gss_OID_desc kTable[kORBIOIDTableSize] = {
    ORBI_ENTRY(0),
    ORBI_ENTRY(1),
    ORBI_ENTRY(2),
    ORBI_ENTRY(3),
    ORBI_ENTRY(4),
    ORBI_ENTRY(5),
    ORBI_ENTRY(6),
    ORBI_ENTRY(7),
    ORBI_ENTRY(8),
    ORBI_ENTRY(9),
    ORBI_ENTRY(10),
    ORBI_ENTRY(11),
    ORBI_ENTRY(12),
    ORBI_ENTRY(13),
    ORBI_ENTRY(14),
    ORBI_ENTRY(15),
    ORBI_ENTRY(16),
    ORBI_ENTRY(17),
    ORBI_ENTRY(18),
    ORBI_ENTRY(19),
    ORBI_ENTRY(20),
    ORBI_ENTRY(21),
    ORBI_ENTRY(22),
    ORBI_ENTRY(23),
    ORBI_ENTRY(24),
    ORBI_ENTRY(25),
    ORBI_ENTRY(26),
    ORBI_ENTRY(27),
    ORBI_ENTRY(28),
    ORBI_ENTRY(29),
    ORBI_ENTRY(30),
    ORBI_ENTRY(31),
    ORBI_ENTRY(32),
    ORBI_ENTRY(33),
    ORBI_ENTRY(34),
    ORBI_ENTRY(35),
    ORBI_ENTRY(36),
    ORBI_ENTRY(37),
    ORBI_ENTRY(38),
    ORBI_ENTRY(39),
};
#undef ORBI_ENTRY

// clang-format on

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
