// The answers of orbi_name/rules.h and of the internal
// orbi_name/internal/rules.h.
#include "orbi_name/internal/rules.h"

#include <stdlib.h>

#include <string>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"

namespace {

namespace status = orbi_name::status;

gss_OID_desc Desc(const std::string& bytes) {
  return {static_cast<OM_uint32>(bytes.size()),
          const_cast<char*>(bytes.data())};
}

std::string BytesOf(gss_OID oid) {
  return std::string(static_cast<const char*>(oid->elements), oid->length);
}

TEST(Rules, CheckMechanismIsTheRuleOfCanonicalizeName) {
  const std::string mech = BytesOf(ORBIGetOID(kORBIMechanismIndex));
  const struct {
    const char* label;
    std::string bytes;
    OM_uint32 expected;
  } kCases[] = {
      {"the mechanism's bytes elsewhere", mech, status::SUCCESS},
      {"the default name type", BytesOf(ORBIGetOID(kORBIDefaultNameTypeIndex)),
       status::MECH_NOT_SUPPORTED},
      // 1.2.840.113554.1.2.2, Kerberos V5 (RFC 1964).
      {"another mechanism", "\x2a\x86\x48\x86\xf7\x12\x01\x02\x02",
       status::MECH_NOT_SUPPORTED},
      {"the mechanism and one byte more", mech + '\x01',
       status::MECH_NOT_SUPPORTED},
      {"a prefix of it", mech.substr(0, mech.size() - 1),
       status::MECH_NOT_SUPPORTED},
      {"no bytes", "", status::INVALID_MECH},
      {"a subidentifier that starts with 0x80", "\x2b\x80\x01",
       status::INVALID_MECH},
      {"an unterminated last subidentifier", "\x2b\x86", status::INVALID_MECH},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    gss_OID_desc oid = Desc(c.bytes);
    EXPECT_EQ(orbi_name::CheckMechanism(&oid), c.expected);
    // The same answer as the operation whose rule it is.
    PLVORBIInternalName name;
    char text[] = "alice";
    gss_buffer_desc input = {5, text};
    ASSERT_EQ(name.Set(static_cast<gss_OID>(nullptr), &input), status::SUCCESS);
    EXPECT_EQ(name.CanonicalizeName(&oid), c.expected);
  }
  EXPECT_EQ(orbi_name::CheckMechanism(ORBIGetOID(kORBIMechanismIndex)),
            status::SUCCESS);
  EXPECT_EQ(orbi_name::CheckMechanism(nullptr), status::BAD_INPUT);
  gss_OID_desc no_elements = {3, nullptr};
  EXPECT_EQ(orbi_name::CheckMechanism(&no_elements), status::INVALID_MECH);
}

TEST(Rules, KeepsTextExactlyWhenTheImportKeepsTheBytes) {
  const struct {
    const char* label;
    std::string bytes;
    bool kept;
  } kCases[] = {
      {"no NUL", "alice", true},
      {"no bytes", "", true},
      {"a NUL at the end", std::string("alice\0", 6), true},
      {"zeros behind a NUL", std::string("al\0\0\0", 5), true},
      {"only NULs", std::string(3, '\0'), true},
      {"a byte behind a NUL", std::string("al\0ce", 5), false},
      {"the last byte behind zeros", std::string("a\0\0\0\x01", 5), false},
      {"a NUL first", std::string("\0a", 2), false},
      // 16 to 32 bytes: the NUL scan's wide path.
      {"20 bytes, zeros behind a NUL at 3",
       std::string("abc") + std::string(17, '\0'), true},
      {"20 bytes, a byte behind a NUL at 17",
       std::string(17, 'a') + std::string("\0\0b", 3), false},
      {"32 bytes, a byte behind a NUL at 0",
       std::string(1, '\0') + std::string(31, 'a'), false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(orbi_name::KeepsText(c.bytes.data(), c.bytes.size()), c.kept);
    // Kept means: the import displays exactly the bytes it was given.
    PLVORBIInternalName name;
    gss_buffer_desc input = {c.bytes.size(), const_cast<char*>(c.bytes.data())};
    ASSERT_EQ(name.Set(static_cast<gss_OID>(nullptr), &input), status::SUCCESS);
    gss_buffer_desc shown = {0, nullptr};
    ASSERT_EQ(name.Display(&shown, nullptr), status::SUCCESS);
    EXPECT_EQ(
        std::string(static_cast<char*>(shown.value), shown.length) == c.bytes,
        c.kept);
    free(shown.value);
  }
  EXPECT_TRUE(orbi_name::KeepsText(nullptr, 0));
}

// Every entry is found by value, from its own object and from a copy of its
// bytes; bytes the table does not hold, and bytes that are no OID, are not.
TEST(Rules, FindTableEntryByValue) {
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(orbi_name::FindTableEntry(ORBIGetOID(i)), i);
    const std::string bytes = BytesOf(ORBIGetOID(i));
    gss_OID_desc copy = Desc(bytes);
    EXPECT_EQ(orbi_name::FindTableEntry(&copy), i);
    // The bytes live as long as the descriptor that points at them.
    const std::string cut = bytes.substr(0, bytes.size() - 1);
    gss_OID_desc shorter = Desc(cut);
    EXPECT_NE(orbi_name::FindTableEntry(&shorter), i);
  }
  const struct {
    const char* label;
    std::string bytes;
  } kMissing[] = {
      // 1.2.840.113554.1.2.2, Kerberos V5 (RFC 1964).
      {"an OID the table lacks", "\x2a\x86\x48\x86\xf7\x12\x01\x02\x02"},
      {"no bytes", ""},
      {"a subidentifier that starts with 0x80", "\x2b\x80\x01"},
  };
  for (const auto& c : kMissing) {
    SCOPED_TRACE(c.label);
    gss_OID_desc oid = Desc(c.bytes);
    EXPECT_EQ(orbi_name::FindTableEntry(&oid), -1);
  }
  EXPECT_EQ(orbi_name::FindTableEntry(nullptr), -1);
  gss_OID_desc no_elements = {6, nullptr};
  EXPECT_EQ(orbi_name::FindTableEntry(&no_elements), -1);
}

// ClassifyNameType is the answer Set acts on: a refused type is refused by
// the import with 36, an accepted one is not, and copies of a table type's
// bytes are classified as the type.
TEST(Rules, ClassifyNameTypeIsTheRuleOfTheImport) {
  using orbi_name::NameTypeKind;
  EXPECT_EQ(orbi_name::ClassifyNameType(nullptr), NameTypeKind::kText);
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    SCOPED_TRACE(i);
    NameTypeKind expected = NameTypeKind::kRefused;
    if (i == kORBIDefaultNameTypeIndex) expected = NameTypeKind::kText;
    if (i == kORBIAnonymousNameTypeIndex) expected = NameTypeKind::kAnonymous;
    if (i == kORBIExportedNameTypeIndex) {
      expected = NameTypeKind::kExportedToken;
    }
    const std::string bytes = BytesOf(ORBIGetOID(i));
    gss_OID_desc copy = Desc(bytes);
    EXPECT_EQ(orbi_name::ClassifyNameType(ORBIGetOID(i)), expected);
    EXPECT_EQ(orbi_name::ClassifyNameType(&copy), expected);
    // The exported-name type reads a token, which a bound name writes.
    PLVORBIInternalName source;
    char text[] = "alice";
    gss_buffer_desc input = {5, text};
    ASSERT_EQ(source.Set(static_cast<gss_OID>(nullptr), &input),
              status::SUCCESS);
    ASSERT_EQ(source.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)),
              status::SUCCESS);
    gss_buffer_desc token = {0, nullptr};
    ASSERT_EQ(source.Export(&token), status::SUCCESS);
    PLVORBIInternalName name;
    EXPECT_EQ(name.Set(&copy, expected == NameTypeKind::kExportedToken
                                  ? &token
                                  : &input) == status::BAD_NAME_TYPE,
              expected == NameTypeKind::kRefused);
    free(token.value);
  }
  gss_OID_desc no_elements = {6, nullptr};
  EXPECT_EQ(orbi_name::ClassifyNameType(&no_elements), NameTypeKind::kRefused);
}

}  // namespace
