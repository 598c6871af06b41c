// Tests of the service stand-ins: the OID table and the ASN.1 buffer. The DER
// codec has its own suite, checked against OpenSSL.
#include <string.h>

#include <set>

#include "gtest/gtest.h"
#include "orbi_build_oids.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"

TEST(OidTable, SamePointerForAnIndexAndNullOutside) {
  std::set<gss_OID> seen;
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    SCOPED_TRACE(i);
    gss_OID oid = ORBIGetOID(i);
    ASSERT_NE(oid, nullptr);
    EXPECT_EQ(oid, ORBIGetOID(i));
    EXPECT_GT(oid->length, 0u);
    // Every entry's bytes are followed by a zero byte.
    EXPECT_EQ(static_cast<unsigned char*>(oid->elements)[oid->length], 0);
    seen.insert(oid);
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(kORBIOIDTableSize));
  EXPECT_EQ(ORBIGetOID(-1), nullptr);
  EXPECT_EQ(ORBIGetOID(kORBIOIDTableSize), nullptr);
}

// The index of a table object is found from its address alone: an equal
// copy, a pointer inside an entry and no pointer are not the table's.
TEST(OidTable, IndexOfTheTablesOwnObjects) {
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ORBIOIDTableIndex(ORBIGetOID(i)), i);
    gss_OID_desc copy = *ORBIGetOID(i);
    EXPECT_EQ(ORBIOIDTableIndex(&copy), -1);
    const char* inside = reinterpret_cast<const char*>(ORBIGetOID(i)) + 1;
    EXPECT_EQ(ORBIOIDTableIndex(reinterpret_cast<const gss_OID_desc*>(inside)),
              -1);
  }
  EXPECT_EQ(ORBIOIDTableIndex(ORBIGetOID(kORBIOIDTableSize - 1) + 1), -1);
  EXPECT_EQ(ORBIOIDTableIndex(nullptr), -1);
}

TEST(OidTable, WellKnownEntries) {
  // RFC 2743 section 4: exported name 1.3.6.1.5.6.4, anonymous 1.3.6.1.5.6.3.
  EXPECT_EQ(OidBytes(ORBIGetOID(kORBIExportedNameTypeIndex)),
            (std::vector<unsigned char>{0x2B, 0x06, 0x01, 0x05, 0x06, 0x04}));
  EXPECT_EQ(OidBytes(ORBIGetOID(kORBIAnonymousNameTypeIndex)),
            (std::vector<unsigned char>{0x2B, 0x06, 0x01, 0x05, 0x06, 0x03}));
  // The mechanism is arc 1 and its default name type arc 1.1 of the
  // build's OID arc.
  EXPECT_EQ(OidBytes(ORBIGetOID(kORBIMechanismIndex)),
            (std::vector<unsigned char>{ORBI_OID_ARC_BYTES, 0x01}));
  EXPECT_EQ(OidBytes(ORBIGetOID(kORBIDefaultNameTypeIndex)),
            (std::vector<unsigned char>{ORBI_OID_ARC_BYTES, 0x01, 0x01}));
  // Entry 18 is 1.2.840.113549.3.7 (DES-EDE3-CBC, RFC 8018).
  EXPECT_EQ(OidBytes(ORBIGetOID(kORBIAlgorithm256Index)),
            (std::vector<unsigned char>{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D,
                                        0x03, 0x07}));
}

// The table's descriptors and bytes are read-only: a stray write through a
// pointer it hands out faults instead of changing an OID for every name in
// the process.
TEST(OidTableDeathTest, EntriesCannotBeWrittenThrough) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* what;
    void (*write)();
  } kWrites[] = {
      {"an element byte",
       [] {
         static_cast<volatile unsigned char*>(
             ORBIGetOID(kORBIMechanismIndex)->elements)[0] = 0;
       }},
      {"the length",
       [] {
         *static_cast<volatile OM_uint32*>(
             &ORBIGetOID(kORBIMechanismIndex)->length) = 1;
       }},
      {"the elements pointer",
       [] {
         *static_cast<void* volatile*>(
             &ORBIGetOID(kORBIDefaultNameTypeIndex)->elements) = nullptr;
       }},
  };
  for (const auto& w : kWrites) {
    SCOPED_TRACE(w.what);
    EXPECT_DEATH(w.write(), "");
  }
  // Nothing changed in this process.
  EXPECT_EQ(OidBytes(ORBIGetOID(kORBIMechanismIndex)),
            (std::vector<unsigned char>{ORBI_OID_ARC_BYTES, 0x01}));
}

TEST(AsnBuffer, AppendClearAndGrow) {
  PLVASNBuffer buffer(0);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.length, 0u);
  unsigned char bytes[100];
  for (int i = 0; i < 100; ++i) bytes[i] = static_cast<unsigned char>(i);
  for (int round = 0; round < 5; ++round) {
    ASSERT_EQ(buffer.append(bytes, sizeof bytes), 0);
  }
  ASSERT_EQ(buffer.length, 500u);
  EXPECT_EQ(memcmp(buffer.data + 400, bytes, 100), 0);
  buffer.clear();
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.length, 0u);
  ASSERT_EQ(buffer.append(bytes, 0), 0);
  EXPECT_NE(buffer.data, nullptr);
  EXPECT_EQ(buffer.length, 0u);
}

TEST(AsnLabelString, VisibleStringAndChoice) {
  PLVASNLabelString label(0);
  EXPECT_EQ(label.selected(), -1);
  char good[] = "db entry 1";
  ASSERT_EQ(label.visibleString.set_value_visible(good), 0);
  EXPECT_STREQ(label.visibleString.value(), "db entry 1");
  char bad[] = "tab\there";
  EXPECT_NE(label.visibleString.set_value_visible(bad), 0);
  EXPECT_STREQ(label.visibleString.value(), "db entry 1");
  EXPECT_NE(label.visibleString.set_value_visible(nullptr), 0);
  EXPECT_EQ(label.select(1), 0);
  EXPECT_EQ(label.selected(), 1);
  EXPECT_NE(label.select(2), 0);
  EXPECT_EQ(label.selected(), 1);
}
