// The GS2 name computed from a mechanism OID, checked against OpenSSL's
// SHA-1 and an independent base32 encoding of the digest's first 55 bits.
#include "sasl_name.h"

#include <openssl/sha.h>
#include <string.h>

#include <string>

#include "gtest/gtest.h"

namespace {

std::string ExpectedGs2Name(const std::string& der) {
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(der.data()), der.size(), digest);
  // Base32 one bit at a time: bit i of the digest, most significant first.
  const char* const kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";
  std::string name = "GS2-";
  for (int group = 0; group < 11; ++group) {
    int value = 0;
    for (int bit = group * 5; bit < group * 5 + 5; ++bit) {
      value = value * 2 + ((digest[bit / 8] >> (7 - bit % 8)) & 1);
    }
    name += kAlphabet[value];
  }
  return name;
}

TEST(SaslName, Sha1MatchesOpenSsl) {
  for (size_t length : {0u, 1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    SCOPED_TRACE(length);
    std::string data(length, '\0');
    for (size_t i = 0; i < length; ++i) data[i] = static_cast<char>(i * 7 + 3);
    unsigned char ours[20];
    unsigned char theirs[SHA_DIGEST_LENGTH];
    orbi_mech::Sha1(reinterpret_cast<const unsigned char*>(data.data()),
                    data.size(), ours);
    SHA1(reinterpret_cast<const unsigned char*>(data.data()), data.size(),
         theirs);
    EXPECT_EQ(memcmp(ours, theirs, sizeof(ours)), 0);
  }
}

TEST(SaslName, Gs2NameOfTheDerEncoding) {
  const struct {
    const char* label;
    std::string content;
    std::string der_header;  // tag and length in their shortest form
  } kCases[] = {
      // 1.2.840.113554.1.2.2, Kerberos V5 (RFC 1964).
      {"Kerberos V5", std::string("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02", 9),
       std::string("\x06\x09", 2)},
      // 1.3.6.1.5.5.2, SPNEGO (RFC 4178).
      {"SPNEGO", std::string("\x2b\x06\x01\x05\x05\x02", 6),
       std::string("\x06\x06", 2)},
      {"127 content octets", std::string(126, '\x01') + '\x02',
       std::string("\x06\x7f", 2)},
      {"128 content octets", std::string(127, '\x01') + '\x02',
       std::string("\x06\x81\x80", 3)},
      {"256 content octets", std::string(255, '\x01') + '\x02',
       std::string("\x06\x82\x01\x00", 4)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    char name[orbi_mech::kGs2NameLength + 1];
    ASSERT_TRUE(orbi_mech::ComputeGs2Name(
        reinterpret_cast<const unsigned char*>(c.content.data()),
        c.content.size(), name));
    EXPECT_EQ(std::string(name), ExpectedGs2Name(c.der_header + c.content));
  }
}

TEST(SaslName, NoNameForOidsWithoutAShortDerLength) {
  char name[orbi_mech::kGs2NameLength + 1] = "unchanged";
  const std::string too_long(0x10000, '\x01');
  EXPECT_FALSE(orbi_mech::ComputeGs2Name(
      reinterpret_cast<const unsigned char*>(too_long.data()), too_long.size(),
      name));
  EXPECT_FALSE(orbi_mech::ComputeGs2Name(
      reinterpret_cast<const unsigned char*>(too_long.data()), 0, name));
  EXPECT_FALSE(orbi_mech::ComputeGs2Name(nullptr, 3, name));
  EXPECT_STREQ(name, "unchanged");
}

}  // namespace
