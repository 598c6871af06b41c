// How the tool reads OIDs: the refusal messages for OID texts and their
// arcs, and the tag and length octets of full DER encodings.
#include "oid_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "byte_text.h"

namespace orbi_tool {
namespace {

std::vector<unsigned char> FromHex(const std::string& hex) {
  std::vector<unsigned char> bytes;
  std::string error;
  EXPECT_TRUE(ParseHex(hex.c_str(), &bytes, &error)) << hex << ": " << error;
  return bytes;
}

TEST(ReadOidText, AcceptsBothTextForms) {
  const struct {
    const char* text;
    const char* der;
  } kCases[] = {
      {"1.2.840.113549", "2a864886f70d"},
      {"{1 2 840 113549}", "2a864886f70d"},
      {"2.999.1234", "88378952"},
      {"1.39", "4f"},
      {"01.002.3", "2a03"},
      {"1.2.4294967295", "2a8fffffff7f"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    PLVORBIInternalOID value;
    OwnedOid der;
    std::string error;
    ASSERT_TRUE(ReadOidText(c.text, true, &value, &der, &error)) << error;
    EXPECT_EQ(Hex(static_cast<const unsigned char*>(der.get()->elements),
                  der.get()->length),
              c.der);
  }
}

TEST(ReadOidText, SaysWhichRuleARefusedTextBreaks) {
  const struct {
    const char* text;
    bool hex_hint;
    std::string error;
  } kCases[] = {
      // The layout: braces, characters.
      {"{", true,
       "'{' is not an OID text: a text that starts with '{' must "
       "end with '}'"},
      {"{1 2", true,
       "'{1 2' is not an OID text: a text that starts with '{' "
       "must end with '}'"},
      {"{1 2}x", true,
       "'{1 2}x' is not an OID text: a text that starts with "
       "'{' must end with '}'"},
      {"1.2.x", true,
       "'1.2.x' is not an OID text: 'x' at offset 4 is neither "
       "a digit nor a dot"},
      {"1.2 .3", true,
       "'1.2 .3' is not an OID text: ' ' at offset 3 is "
       "neither a digit nor a dot"},
      {"{1 2.840}", true,
       "'{1 2.840}' is not an OID text: '.' at offset 4 is "
       "neither a digit nor a blank"},
      {"1.\x01", true,
       "'1.\\x01' is not an OID text: '\\x01' at offset 2 is "
       "neither a digit nor a dot"},
      // A character fault comes before any arc fault.
      {"1..x", true,
       "'1..x' is not an OID text: 'x' at offset 3 is neither a "
       "digit nor a dot"},
      // Empty arcs.
      {"", true, "'' is not an OID text: arc 1 is empty (offset 0)"},
      {"1..2", true, "'1..2' is not an OID text: arc 2 is empty (offset 2)"},
      {".1.2", true, "'.1.2' is not an OID text: arc 1 is empty (offset 0)"},
      {"1.2.", true, "'1.2.' is not an OID text: arc 3 is empty (offset 4)"},
      {"{}", true, "'{}' is not an OID text: arc 1 is empty (offset 1)"},
      {"{1  2}", true,
       "'{1  2}' is not an OID text: arc 2 is empty (offset "
       "3)"},
      {"{1 2 3 }", true,
       "'{1 2 3 }' is not an OID text: arc 4 is empty "
       "(offset 7)"},
      // Arcs too large.
      {"1.2.4294967296", true,
       "'1.2.4294967296' is not an OID text: arc 3 "
       "is above 4294967295"},
      {"1.2.99999999999999999999999", true,
       "'1.2.99999999999999999999999' is not an OID text: arc 3 is above "
       "4294967295"},
      // Zero arcs, with the hex to give instead when zeros are the only
      // fault and the arcs have content octets.
      {"2.5.4.0", true,
       "'2.5.4.0' is not an OID text: arc 4 is 0, and the "
       "text forms take no zero arc; give such an OID as hex "
       "DER content octets (here 550400)"},
      {"2.5.4.0", false,
       "'2.5.4.0' is not an OID text: arc 4 is 0, and the "
       "text forms take no zero arc"},
      {"{1 2 0}", true,
       "'{1 2 0}' is not an OID text: arc 3 is 0, and the "
       "text forms take no zero arc; give such an OID as hex "
       "DER content octets (here 2a00)"},
      {"1.2.000", true,
       "'1.2.000' is not an OID text: arc 3 is 0, and the "
       "text forms take no zero arc; give such an OID as hex "
       "DER content octets (here 2a00)"},
      {"0.0", true,
       "'0.0' is not an OID text: arc 1 is 0, and the text forms "
       "take no zero arc; give such an OID as hex DER content "
       "octets (here 00)"},
      {"0.6.5", true,
       "'0.6.5' is not an OID text: arc 1 is 0, and the text "
       "forms take no zero arc; give such an OID as hex DER "
       "content octets (here --content 0605)"},
      {"3.0", true,
       "'3.0' is not an OID text: arc 2 is 0, and the text forms "
       "take no zero arc; give such an OID as hex DER content "
       "octets"},
      {"1.0.4294967296", true,
       "'1.0.4294967296' is not an OID text: arc 2 is "
       "0, and the text forms take no zero arc"},
      {"1.0..", true,
       "'1.0..' is not an OID text: arc 2 is 0, and the text "
       "forms take no zero arc"},
      // Texts the rules take whose arcs have no DER content octets.
      {"3.1", true,
       "'3.1' has no DER encoding: the first arc is 3, and it "
       "must be at most 2"},
      {"1.40", true,
       "'1.40' has no DER encoding: the second arc is 40, and "
       "under a first arc of 0 or 1 it must be below 40"},
      {"{1}", true,
       "'{1}' has no DER encoding: it has 1 arc, and an OID needs "
       "at least two"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    PLVORBIInternalOID value;
    OwnedOid der;
    std::string error;
    EXPECT_FALSE(ReadOidText(c.text, c.hex_hint, &value, &der, &error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(der.get(), nullptr);
  }
}

TEST(ReadFullEncoding, ReadsTagLengthAndExactlyTheContent) {
  const struct {
    std::string hex;
    size_t header;
    size_t length;
  } kCases[] = {
      {"0600", 2, 0},
      {"06092a864886f70d010101", 2, 9},
      {"067f" + std::string(2 * 127, '1'), 2, 127},
      {"068180" + std::string(2 * 128, '1'), 3, 128},
      {"06820100" + std::string(2 * 256, '1'), 4, 256},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.hex.substr(0, 12));
    FullEncoding full;
    std::string error;
    ASSERT_TRUE(ReadFullEncoding(FromHex(c.hex), &full, &error)) << error;
    EXPECT_EQ(full.header, c.header);
    EXPECT_EQ(full.length, c.length);
  }
}

TEST(ReadFullEncoding, SaysWhichRuleTheLengthBreaks) {
  // One length octet more than a size_t holds.
  std::string too_wide = "06";
  too_wide += Hex(std::vector<unsigned char>{
      static_cast<unsigned char>(0x80 | (sizeof(size_t) + 1))});
  too_wide += std::string(2 * (sizeof(size_t) + 1), '1');
  const struct {
    std::string hex;
    std::string error;
  } kCases[] = {
      {"", "the length octets are missing"},
      {"06", "the length octets are missing"},
      {"06802a0300",
       "the length octet 80 is the indefinite form, which DER forbids"},
      {"0681", "the length octets end early"},
      {"0682ff", "the length octets end early"},
      {"068200032a8648",
       "the length octets start with a zero, which DER forbids"},
      {too_wide, "the length is beyond any input"},
      {"0681032a8648", "the long form gives 3, which DER writes in one octet"},
      {"06817f", "the long form gives 127, which DER writes in one octet"},
      {"060a2a864886f70d010101",
       "the length octets give 10 content octets and 9 follow"},
      {"06092a8648", "the length octets give 9 content octets and 3 follow"},
      {"06012a2a", "the length octets give 1 content octets and 2 follow"},
      {"068401000000",
       "the length octets give 16777216 content octets and 0 "
       "follow"},
      {"05022a03", "the tag 05 is not 06, that of an OID"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.hex);
    FullEncoding full;
    full.header = 99;
    std::string error;
    EXPECT_FALSE(ReadFullEncoding(FromHex(c.hex), &full, &error));
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(full.header, 99u);
  }
}

}  // namespace
}  // namespace orbi_tool
