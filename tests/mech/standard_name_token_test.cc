// The module's reader and writer of the standard exported name token, on
// their own: the DER length of the mechanism OID in each of its shapes. The
// reader takes the shortest form alone, with at most two length octets (the
// M field is two bytes), and the writer writes that form.
#include "standard_name_token.h"

#include <stddef.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

using Bytes = std::vector<unsigned char>;

// A token whose mechanism OID has content bytes of 0x2b behind the given
// DER length octets, named "alice"; M counts what is there.
Bytes Token(const Bytes& der_length, size_t content) {
  const size_t wrapped = 1 + der_length.size() + content;
  Bytes token = {0x04, 0x01, static_cast<unsigned char>(wrapped >> 8),
                 static_cast<unsigned char>(wrapped), 0x06};
  token.insert(token.end(), der_length.begin(), der_length.end());
  token.insert(token.end(), content, 0x2b);
  const Bytes name = {0, 0, 0, 5, 'a', 'l', 'i', 'c', 'e'};
  token.insert(token.end(), name.begin(), name.end());
  return token;
}

TEST(StandardNameToken, DerLengthOfTheMechanismOid) {
  const struct {
    const char* label;
    Bytes der_length;
    size_t content;
    bool accepted;
  } kCases[] = {
      {"short form 1", {0x01}, 1, true},
      {"short form 127", {0x7f}, 127, true},
      {"no content", {0x00}, 0, false},
      {"long form 128", {0x81, 0x80}, 128, true},
      {"long form 255", {0x81, 0xff}, 255, true},
      {"two octets 256", {0x82, 0x01, 0x00}, 256, true},
      {"two octets 1000", {0x82, 0x03, 0xe8}, 1000, true},
      {"indefinite", {0x80}, 3, false},
      {"long form of 127", {0x81, 0x7f}, 127, false},
      {"long form of 1", {0x81, 0x01}, 1, false},
      {"two octets with a leading zero", {0x82, 0x00, 0xc8}, 200, false},
      {"three octets", {0x83, 0x00, 0x01, 0x00}, 256, false},
      {"length octets cut off", {0x82, 0x01}, 0, false},
      {"length one past the content", {0x81, 0x81}, 128, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const Bytes token = Token(c.der_length, c.content);
    orbi_mech::TokenFields fields;
    ASSERT_EQ(
        orbi_mech::ParseStandardToken(token.data(), token.size(), &fields),
        c.accepted);
    if (!c.accepted) {
      EXPECT_EQ(fields.mech, nullptr);
      continue;
    }
    EXPECT_EQ(fields.mech, token.data() + 5 + c.der_length.size());
    EXPECT_EQ(fields.mech_length, c.content);
    EXPECT_EQ(fields.name_length, 5u);
    // The writer gives the same bytes back.
    const size_t size =
        orbi_mech::StandardTokenSize(fields.mech_length, fields.name_length);
    ASSERT_EQ(size, token.size());
    Bytes again(size);
    ASSERT_TRUE(orbi_mech::WriteStandardToken(fields.mech, fields.mech_length,
                                              fields.name, fields.name_length,
                                              again.data(), again.size()));
    EXPECT_EQ(again, token);
  }
}

}  // namespace

namespace {

// The composite token is the standard one with the identifier 04 02 and,
// behind the name, the four-byte length of an attribute part and the part.
// The reader takes exactly that layout; a standard token is not one.
TEST(StandardNameToken, CompositeLayout) {
  const Bytes mech = {0x2b, 0x06, 0x01};
  const Bytes name = {'d', 'b', '\n', 'a'};
  const struct {
    const char* label;
    Bytes attributes;
  } kWritten[] = {{"no attributes", {}}, {"three bytes", {1, 2, 3}}};
  for (const auto& c : kWritten) {
    SCOPED_TRACE(c.label);
    const size_t size = orbi_mech::CompositeTokenSize(mech.size(), name.size(),
                                                      c.attributes.size());
    ASSERT_EQ(size, 2 + 2 + 2 + mech.size() + 4 + name.size() + 4 +
                        c.attributes.size());
    Bytes token(size);
    ASSERT_TRUE(orbi_mech::WriteCompositeToken(
        mech.data(), mech.size(), name.data(), name.size(), c.attributes.data(),
        c.attributes.size(), token.data(), token.size()));
    Bytes expected = {
        0x04, 0x02, 0x00,
        0x05, 0x06, 0x03,
        0x2b, 0x06, 0x01,
        0x00, 0x00, 0x00,
        0x04, 'd',  'b',
        '\n', 'a',  0x00,
        0x00, 0x00, static_cast<unsigned char>(c.attributes.size())};
    expected.insert(expected.end(), c.attributes.begin(), c.attributes.end());
    EXPECT_EQ(token, expected);
    orbi_mech::TokenFields fields;
    ASSERT_TRUE(
        orbi_mech::ParseCompositeToken(token.data(), token.size(), &fields));
    EXPECT_EQ(Bytes(fields.mech, fields.mech + fields.mech_length), mech);
    EXPECT_EQ(Bytes(fields.name, fields.name + fields.name_length), name);
    EXPECT_EQ(fields.attributes_length, c.attributes.size());
    // Neither reader takes the other's token.
    orbi_mech::TokenFields untouched;
    EXPECT_FALSE(
        orbi_mech::ParseStandardToken(token.data(), token.size(), &untouched));
    EXPECT_EQ(untouched.mech, nullptr);
    Bytes standard = token;
    standard[1] = 0x01;
    EXPECT_FALSE(orbi_mech::ParseCompositeToken(standard.data(),
                                                standard.size(), &untouched));
    // Every truncation, and a byte more, are refused.
    for (size_t n = 0; n < token.size(); ++n) {
      EXPECT_FALSE(orbi_mech::ParseCompositeToken(token.data(), n, &untouched))
          << n;
    }
    Bytes longer = token;
    longer.push_back(0);
    EXPECT_FALSE(orbi_mech::ParseCompositeToken(longer.data(), longer.size(),
                                                &untouched));
    EXPECT_EQ(untouched.mech, nullptr);
  }
  // A size that is not the measured one writes nothing.
  Bytes out(64);
  EXPECT_FALSE(orbi_mech::WriteCompositeToken(mech.data(), mech.size(),
                                              name.data(), name.size(), nullptr,
                                              0, out.data(), out.size()));
  // No attribute part longer than A holds.
  EXPECT_EQ(orbi_mech::CompositeTokenSize(mech.size(), name.size(),
                                          size_t{0x100000000}),
            0u);
}

}  // namespace
