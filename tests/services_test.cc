// Tests of the service stand-ins: the OID table and the ASN.1 buffer. The DER
// codec has its own suite, checked against OpenSSL.
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "openssl/objects.h"
#include "orbi_build_oids.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"
#include "orbi_services/asn.h"
#include "orbi_services/internal/oid_entries.h"
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

// The role list names each index once, inside the table; every index below
// the first reserved one has a role, so a reserved entry is exactly an index
// the list leaves out.
TEST(OidTable, RolesCoverTheIndicesBelowTheReservedOnes) {
  std::set<int> listed;
  for (const ORBIOIDRole& entry : kORBIOIDRoles) {
    SCOPED_TRACE(entry.index);
    EXPECT_GE(entry.index, 0);
    EXPECT_LT(entry.index, kORBIOIDTableSize);
    EXPECT_TRUE(listed.insert(entry.index).second);
    ASSERT_NE(entry.role, nullptr);
    EXPECT_STRNE(entry.role, "");
    EXPECT_STREQ(ORBIOIDRoleOf(entry.index), entry.role);
  }
  for (int i = 0; i < kORBIFirstReservedIndex; ++i) {
    EXPECT_NE(ORBIOIDRoleOf(i), nullptr) << i;
  }
  EXPECT_EQ(ORBIOIDRoleOf(-1), nullptr);
  EXPECT_EQ(ORBIOIDRoleOf(kORBIOIDTableSize), nullptr);
}

// Every entry's bytes are the DER content octets of the dotted text it
// stands for, as OpenSSL encodes that text, an encoder that shares nothing
// with this project's: the octets typed beside each row's dotted text
// (kORBIOIDRoles), the arc's octets that the configure step wrote, and the
// reserved entries' rule. No two entries hold the same OID.
TEST(OidTable, EveryEntryIsItsDottedTextAsOpenSslEncodesIt) {
  std::set<std::string> texts;
  for (int index = 0; index < kORBIOIDTableSize; ++index) {
    const std::string text = orbi_services::EntryDottedText(index);
    SCOPED_TRACE(std::to_string(index) + ": " + text);
    ASSERT_FALSE(text.empty());
    EXPECT_TRUE(texts.insert(text).second);
    ASN1_OBJECT* object = OBJ_txt2obj(text.c_str(), /*no_name=*/1);
    ASSERT_NE(object, nullptr);
    const unsigned char* content = OBJ_get0_data(object);
    const std::vector<unsigned char> expected(content,
                                              content + OBJ_length(object));
    ASN1_OBJECT_free(object);
    EXPECT_EQ(OidBytes(ORBIGetOID(index)), expected);
  }
  EXPECT_EQ(orbi_services::EntryDottedText(-1), "");
  EXPECT_EQ(orbi_services::EntryDottedText(kORBIOIDTableSize), "");
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
  // The reserved entries are ARC.2.INDEX: the first is ARC.2.8, and entry
  // 39, the last of the first release's 40, ARC.2.39.
  const std::string arc = ORBI_OID_ARC_TEXT;
  EXPECT_EQ(OidBytes(ORBIGetOID(kORBIFirstReservedIndex)),
            (std::vector<unsigned char>{ORBI_OID_ARC_BYTES, 0x02, 0x08}));
  EXPECT_EQ(orbi_services::EntryDottedText(kORBIFirstReservedIndex),
            arc + ".2.8");
  EXPECT_EQ(OidBytes(ORBIGetOID(39)),
            (std::vector<unsigned char>{ORBI_OID_ARC_BYTES, 0x02, 0x27}));
  EXPECT_EQ(orbi_services::EntryDottedText(39), arc + ".2.39");
}

// The entries under the build's arc are written by the configure step's
// encoder (cmake/oid_der.cmake), not by the library. Each must be what the
// library reads and writes for the dotted text it came from: its bytes
// decode to that text, and that text, set as the library's text form,
// encodes to its bytes. The generated header's texts and literals name the
// same OIDs.
TEST(OidTable, EntriesUnderTheBuildArcAgreeWithTheLibrary) {
  namespace status = orbi_name::status;
  std::vector<std::pair<int, std::string>> cases;
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    const ORBIOIDRole* row = ORBIOIDRowOf(i);
    if (row == nullptr || ORBIOIDIsUnderArc(*row)) {
      cases.emplace_back(i, orbi_services::EntryDottedText(i));
    }
  }
  // The mechanism and its default name type lie under the arc: the
  // generated header's literals below name them.
  for (int index : {kORBIMechanismIndex, kORBIDefaultNameTypeIndex}) {
    EXPECT_TRUE(ORBIOIDIsUnderArc(*ORBIOIDRowOf(index))) << index;
  }
  for (const auto& [index, dotted] : cases) {
    SCOPED_TRACE(dotted);
    gss_OID entry = ORBIGetOID(index);
    PLVORBIInternalOID from_bytes;
    ASSERT_EQ(from_bytes.set(entry), status::SUCCESS);
    char* text = nullptr;
    ASSERT_EQ(from_bytes.get(text), status::SUCCESS);
    std::string braces = "{" + dotted + "}";
    for (char& c : braces) c = c == '.' ? ' ' : c;
    EXPECT_EQ(text, braces);
    free(text);

    PLVORBIInternalOID from_text;
    ASSERT_EQ(from_text.set(dotted.c_str()), status::SUCCESS);
    gss_OID encoded = nullptr;
    ASSERT_EQ(from_text.get(encoded), status::SUCCESS);
    EXPECT_EQ(OidBytes(encoded), OidBytes(entry));
    free(encoded->elements);
    free(encoded);
  }

  EXPECT_EQ(std::string(ORBI_MECH_OID_TEXT),
            orbi_services::EntryDottedText(kORBIMechanismIndex));
  EXPECT_EQ(std::string(ORBI_DEFAULT_NAME_TYPE_TEXT),
            orbi_services::EntryDottedText(kORBIDefaultNameTypeIndex));
  // A literal's length is its content's (content octets may hold a zero
  // byte, 128 is 81 00, so strlen would not do).
  static_assert(sizeof(ORBI_MECH_OID_DER) - 1 == ORBI_MECH_OID_DER_LENGTH);
  static_assert(sizeof(ORBI_DEFAULT_NAME_TYPE_DER) - 1 ==
                ORBI_DEFAULT_NAME_TYPE_DER_LENGTH);
  const struct {
    int index;
    const char* der;
    size_t length;
  } kLiterals[] = {
      {kORBIMechanismIndex, ORBI_MECH_OID_DER, ORBI_MECH_OID_DER_LENGTH},
      {kORBIDefaultNameTypeIndex, ORBI_DEFAULT_NAME_TYPE_DER,
       ORBI_DEFAULT_NAME_TYPE_DER_LENGTH},
  };
  for (const auto& l : kLiterals) {
    SCOPED_TRACE(l.index);
    const auto* p = reinterpret_cast<const unsigned char*>(l.der);
    EXPECT_EQ(std::vector<unsigned char>(p, p + l.length),
              OidBytes(ORBIGetOID(l.index)));
  }
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

// The trace object's write answers with the sink's result, and with 0 when
// no sink is set: a caller that counts written records counts none.
TEST(Trace, WriteWithoutASinkWritesNothing) {
  PLVTrace* trace = PLVTrace::s_defaultTracePtr;
  ASSERT_NE(trace, nullptr);
  {
    TraceRecorder recorder;
    recorder.set_write_result(7);
    EXPECT_EQ(trace->write("f.cc", 1, 1, "text", 4), 7);
    EXPECT_EQ(recorder.records().size(), 1u);
  }
  // The recorder is gone, and with it the sink.
  EXPECT_EQ(trace->write("f.cc", 1, 1, "text", 4), 0);
}

// An object identifier never set holds no arcs: null and 0, and no content
// octets to write.
TEST(AsnObjectId, NeverSetHoldsNothing) {
  PLVASNObjectID oid(0);
  unsigned long* arcs = reinterpret_cast<unsigned long*>(8);
  unsigned int count = 77;
  EXPECT_EQ(oid.get_value(arcs, count), 0);
  EXPECT_EQ(arcs, nullptr);
  EXPECT_EQ(count, 0u);
  PLVASNBuffer buffer(0);
  EXPECT_NE(oid.get_value(buffer), 0);
  EXPECT_EQ(buffer.length, 0u);
}
