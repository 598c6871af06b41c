// Reading the library's exported name token field by field.
#include "orbi_name/internal/library_token.h"

#include <stdlib.h>

#include <string>

#include "gtest/gtest.h"
#include "orbi_name/exported_name_token.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"

namespace {

using orbi_name::TokenField;

// The mechanism's 9 content octets, as the table holds them.
std::string Mech() {
  gss_OID mech = ORBIGetOID(kORBIMechanismIndex);
  return std::string(static_cast<const char*>(mech->elements), mech->length);
}

TEST(LibraryToken, ReadsWhatExportWrote) {
  char text[] = "db\nalice";
  gss_buffer_desc input = {8, text};
  PLVORBIInternalName name;
  ASSERT_EQ(name.Set(static_cast<gss_OID>(nullptr), &input), 0u);
  ASSERT_EQ(name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)), 0u);
  gss_buffer_desc token = {0, nullptr};
  ASSERT_EQ(name.Export(&token), 0u);

  orbi_name::TokenView view;
  ASSERT_EQ(orbi_name::ParseExportedNameToken(token.value, token.length, &view,
                                              nullptr),
            TokenField::kNone);
  EXPECT_EQ(view.token_id, 0x0401u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(view.mechanism),
                        view.mechanism_length),
            Mech());
  EXPECT_EQ(
      std::string(reinterpret_cast<const char*>(view.name), view.name_length),
      "db\nalice");
  ASSERT_TRUE(view.has_name_type);
  gss_OID type = ORBIGetOID(kORBIDefaultNameTypeIndex);
  EXPECT_EQ(view.name_type_length, type->length);
  free(token.value);
}

TEST(LibraryToken, FirstWrongField) {
  // The mechanism's length M; the name length field follows it at 4 + M.
  const size_t m = Mech().size();
  const std::string head = std::string{'\x04', '\x01', '\0', char(m)} + Mech();
  const struct {
    const char* label;
    std::string token;
    TokenField field;
    size_t offset;
    uint32_t found;
  } kCases[] = {
      {"no bytes", "", TokenField::kIdentifier, 0, 0},
      {"half an identifier", "\x04", TokenField::kIdentifier, 0, 0},
      {"another identifier", std::string("\x04\x02\x00\x00", 4),
       TokenField::kIdentifier, 0, 0x0402},
      {"cut in the mechanism length", std::string("\x04\x01\x00", 3),
       TokenField::kMechanismLength, 2, 0},
      {"mechanism longer than the bytes",
       std::string{'\x04', '\x01', '\0', char(m + 1)} + Mech(),
       TokenField::kMechanism, 4, uint32_t(m + 1)},
      {"cut in the name length", head + std::string("\x00\x00", 2),
       TokenField::kNameLength, 4 + m, 0},
      {"name longer than the bytes",
       head + std::string("\x00\x00\x00\x06", 4) + "alice", TokenField::kName,
       8 + m, 6},
      {"one byte of a name type length",
       head + std::string("\x00\x00\x00\x01", 4) + "a" + std::string(1, '\0'),
       TokenField::kNameTypeLength, 9 + m, 0},
      {"name type longer than the bytes",
       head + std::string("\x00\x00\x00\x01", 4) + "a" +
           std::string("\x00\x02\x2B", 3),
       TokenField::kNameType, 11 + m, 2},
      {"bytes after the name type",
       head + std::string("\x00\x00\x00\x01", 4) + "a" +
           std::string("\x00\x01\x2B\x00", 4),
       TokenField::kTrailing, 12 + m, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    orbi_name::TokenView view;
    view.name_length = 77;
    orbi_name::TokenRefusal refusal;
    EXPECT_EQ(orbi_name::ParseExportedNameToken(c.token.data(), c.token.size(),
                                                &view, &refusal),
              c.field);
    EXPECT_EQ(refusal.field, c.field);
    EXPECT_EQ(refusal.offset, c.offset);
    EXPECT_EQ(refusal.left, c.token.size() - c.offset);
    EXPECT_EQ(refusal.found, c.found);
    EXPECT_EQ(view.name_length, 77u) << "the view is written only on success";
    EXPECT_STRNE(orbi_name::TokenFieldName(c.field), "");
  }
}

TEST(LibraryToken, WithoutNameTypeAndFromNull) {
  const std::string token =
      std::string{'\x04', '\x01', '\0', char(Mech().size())} + Mech() +
      std::string("\x00\x00\x00\x00", 4);
  orbi_name::TokenView view;
  ASSERT_EQ(orbi_name::ParseExportedNameToken(token.data(), token.size(), &view,
                                              nullptr),
            TokenField::kNone);
  EXPECT_FALSE(view.has_name_type);
  EXPECT_EQ(view.name_length, 0u);
  EXPECT_EQ(orbi_name::ParseExportedNameToken(nullptr, 10, &view, nullptr),
            TokenField::kIdentifier);
}

// A refusal leaves the view as it was: only the whole token, or the token
// cut right after the name (no name type), is read, and every other cut is
// refused without a field written.
TEST(LibraryToken, RefusalLeavesTheViewAlone) {
  const std::string whole =
      std::string{'\x04', '\x01', '\0', char(Mech().size())} + Mech() +
      std::string("\x00\x00\x00\x02hi\x00\x01\x2a", 9);
  const size_t name_end = 4 + Mech().size() + 4 + 2;
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    const std::string token = whole.substr(0, cut);
    orbi_name::TokenView view;
    view.name_length = 77;
    const TokenField wrong = orbi_name::ParseExportedNameToken(
        token.data(), token.size(), &view, nullptr);
    EXPECT_EQ(wrong == TokenField::kNone,
              cut == name_end || cut == whole.size());
    EXPECT_EQ(view.name_length, wrong == TokenField::kNone ? 2u : 77u);
  }
}

}  // namespace
