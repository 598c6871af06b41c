// The DER codec of PLVASNObjectID (content octets only, no tag and no length)
// checked against OpenSSL: encoding against OBJ_txt2obj + i2d_ASN1_OBJECT with
// the tag and length stripped, decoding against d2i_ASN1_OBJECT +
// OBJ_obj2txt(no_name = 1). OpenSSL allows arcs of any size; ours are 32-bit,
// which is where the two are meant to differ.
#include <openssl/asn1.h>
#include <openssl/crypto.h>
#include <openssl/objects.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_services/asn.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Arcs = std::vector<unsigned long>;

constexpr unsigned long kMaxArc = 0xFFFFFFFFul;

std::string Dotted(const unsigned long* arcs, size_t count) {
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) text += '.';
    text += std::to_string(arcs[i]);
  }
  return text;
}

std::string Dotted(const Arcs& arcs) {
  return Dotted(arcs.data(), arcs.size());
}

std::string Hex(const Bytes& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  for (unsigned char b : bytes) {
    text += kDigits[b >> 4];
    text += kDigits[b & 0xF];
  }
  return text;
}

// Base-128 subidentifier, most significant group first (for building inputs).
Bytes Base128(uint64_t value) {
  Bytes out;
  do {
    out.insert(out.begin(), static_cast<unsigned char>(value & 0x7F));
    value >>= 7;
  } while (value != 0);
  for (size_t i = 0; i + 1 < out.size(); ++i) out[i] |= 0x80;
  return out;
}

// Ours: set_value(arcs) then get_value(buffer). False when either refuses.
bool OursEncode(Arcs arcs, Bytes* out) {
  PLVASNObjectID object(0);
  if (object.set_value(arcs.data(), static_cast<unsigned int>(arcs.size())) !=
      0) {
    return false;
  }
  PLVASNBuffer buffer(0);
  if (object.get_value(buffer) != 0) return false;
  out->assign(buffer.data, buffer.data + buffer.length);
  return true;
}

// Ours: set_value(bytes) then get_value(arcs) in dotted form.
bool OursDecode(Bytes bytes, std::string* dotted) {
  PLVASNObjectID object(0);
  if (object.set_value(bytes.data(), static_cast<unsigned int>(bytes.size())) !=
      0) {
    return false;
  }
  unsigned long* arcs = nullptr;
  unsigned int count = 0;
  EXPECT_EQ(object.get_value(arcs, count), 0);
  *dotted = Dotted(arcs, count);
  return true;
}

// OpenSSL: the full DER encoding of the dotted text, less tag and length.
bool OpensslEncode(const std::string& dotted, Bytes* out) {
  ASN1_OBJECT* object = OBJ_txt2obj(dotted.c_str(), 1);
  if (object == nullptr) return false;
  unsigned char* der = nullptr;
  const int total = i2d_ASN1_OBJECT(object, &der);
  ASN1_OBJECT_free(object);
  if (total <= 0 || der == nullptr) return false;
  bool ok = total >= 2 && der[0] == 0x06;
  size_t header = 2;
  size_t length = ok ? der[1] : 0;
  if (ok && (der[1] & 0x80) != 0) {
    const size_t octets = der[1] & 0x7F;
    header = 2 + octets;
    length = 0;
    ok = octets >= 1 && octets <= 4 && header <= static_cast<size_t>(total);
    for (size_t i = 0; ok && i < octets; ++i)
      length = (length << 8) | der[2 + i];
  }
  ok = ok && header + length == static_cast<size_t>(total);
  if (ok) out->assign(der + header, der + total);
  OPENSSL_free(der);
  return ok;
}

// OpenSSL: content octets given a tag and length, then the numeric text.
bool OpensslDecode(const Bytes& content, std::string* dotted) {
  Bytes der = {0x06};
  if (content.size() < 0x80) {
    der.push_back(static_cast<unsigned char>(content.size()));
  } else {
    der.push_back(0x82);
    der.push_back(static_cast<unsigned char>(content.size() >> 8));
    der.push_back(static_cast<unsigned char>(content.size() & 0xFF));
  }
  der.insert(der.end(), content.begin(), content.end());
  const unsigned char* p = der.data();
  ASN1_OBJECT* object =
      d2i_ASN1_OBJECT(nullptr, &p, static_cast<long>(der.size()));
  if (object == nullptr) return false;
  const int needed = OBJ_obj2txt(nullptr, 0, object, 1);
  bool ok = needed > 0;
  if (ok) {
    std::vector<char> text(static_cast<size_t>(needed) + 1);
    ok = OBJ_obj2txt(text.data(), static_cast<int>(text.size()), object, 1) ==
         needed;
    *dotted = text.data();
  }
  ASN1_OBJECT_free(object);
  return ok;
}

// Encodes with both, checks they agree, then decodes the bytes with both and
// checks that each gives back the dotted text.
void CheckAgainstOracle(const Arcs& arcs) {
  const std::string dotted = Dotted(arcs);
  SCOPED_TRACE(dotted);
  Bytes ours;
  Bytes theirs;
  ASSERT_TRUE(OursEncode(arcs, &ours));
  ASSERT_TRUE(OpensslEncode(dotted, &theirs));
  EXPECT_EQ(Hex(ours), Hex(theirs));
  std::string ours_text;
  std::string theirs_text;
  ASSERT_TRUE(OursDecode(ours, &ours_text));
  ASSERT_TRUE(OpensslDecode(ours, &theirs_text));
  EXPECT_EQ(ours_text, dotted);
  EXPECT_EQ(theirs_text, dotted);
}

// True when a dotted text has an arc above 4294967295.
bool HasArcAbove32Bits(const std::string& dotted) {
  size_t start = 0;
  while (start <= dotted.size()) {
    size_t end = dotted.find('.', start);
    if (end == std::string::npos) end = dotted.size();
    const std::string piece = dotted.substr(start, end - start);
    if (piece.size() > 10 || (piece.size() == 10 && piece > "4294967295")) {
      return true;
    }
    start = end + 1;
  }
  return false;
}

TEST(AsnCodecOracle, RealOids) {
  // Encodings re-typed from the RFCs that register these OIDs (RFC 8017,
  // RFC 2744, RFC 4178, RFC 2743, RFC 5280, RFC 8410, X.660's 2.999 example);
  // an empty hex means "whatever the oracle says".
  const struct {
    const char* dotted;
    const char* hex;
  } kCases[] = {
      {"1.2.840.113549", "2A864886F70D"},
      {"1.2.840.113549.1.1.1", "2A864886F70D010101"},
      {"1.2.840.113549.3.7", "2A864886F70D0307"},
      {"1.2.840.113549.3.2", "2A864886F70D0302"},
      {"1.2.840.113549.3.4", "2A864886F70D0304"},
      {"1.3.14.3.2.7", "2B0E030207"},
      {"1.2.840.113554.1.2.2", "2A864886F712010202"},
      {"1.2.840.113554.1.2.1.1", "2A864886F71201020101"},
      {"1.3.6.1.5.5.2", "2B0601050502"},
      {"1.3.6.1.5.6.2", "2B0601050602"},
      {"1.3.6.1.5.6.3", "2B0601050603"},
      {"1.3.6.1.5.6.4", "2B0601050604"},
      {"2.5.4.3", "550403"},
      {"2.5.29.17", "551D11"},
      {"1.3.101.112", "2B6570"},
      {"2.999", "8837"},
      {"2.16.840.1.101.3.4.2.1", ""},
      {"1.2.840.10045.2.1", ""},
      {"1.2.840.10045.3.1.7", ""},
      {"0.9.2342.19200300.100.1.1", ""},
      {"1.3.6.1.4.1.311.2.2.10", ""},
      {"1.3.6.1.4.1.32473.1", "2B0601040181FD5901"},
      // The first subidentifier at its edges and subidentifier widths.
      {"0.0", "00"},
      {"0.39", "27"},
      {"1.0", "28"},
      {"1.39", "4F"},
      {"2.0", "50"},
      {"2.47", "7F"},
      {"2.48", "8100"},
      {"1.2.127.128.16383.16384", "2A7F8100FF7F818000"},
      {"1.2.2097151.2097152", ""},
      {"1.2.268435455.268435456", ""},
      {"1.2.2147483648.4294967295", ""},
      {"2.4294967295", "908080804F"},
      {"0.39.4294967295", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dotted);
    Arcs arcs;
    for (const char* p = c.dotted; *p != '\0';) {
      char* end = nullptr;
      arcs.push_back(strtoul(p, &end, 10));
      p = *end == '.' ? end + 1 : end;
    }
    CheckAgainstOracle(arcs);
    if (*c.hex != '\0') {
      Bytes ours;
      ASSERT_TRUE(OursEncode(arcs, &ours));
      EXPECT_EQ(Hex(ours), c.hex);
    }
  }
}

TEST(AsnCodecOracle, RandomOids) {
  std::mt19937_64 random(20261210);
  // Arc widths from 0 to 32 bits, so that every subidentifier length (1 to 5
  // bytes) turns up often.
  auto arc = [&random](unsigned int max_bits) -> unsigned long {
    const unsigned int bits =
        static_cast<unsigned int>(random() % (max_bits + 1));
    return bits == 0 ? 0 : static_cast<unsigned long>(random() >> (64 - bits));
  };
  for (int i = 0; i < 4000; ++i) {
    Arcs arcs;
    const unsigned long first = random() % 3;
    arcs.push_back(first);
    arcs.push_back(first < 2 ? random() % 40 : arc(32));
    const size_t more = random() % 11;
    for (size_t j = 0; j < more; ++j) arcs.push_back(arc(32));
    CheckAgainstOracle(arcs);
    if (HasFailure()) return;
  }
}

// Random byte strings, biased towards the bytes that matter (0x80, 0xFF, 0x7F
// and 0x00): whatever ours accepts OpenSSL reads as the same OID, and whatever
// ours refuses OpenSSL refuses too, or reads with an arc above 32 bits.
TEST(AsnCodecOracle, RandomBytesDecode) {
  std::mt19937 random(4242);
  const unsigned char kEdgeBytes[] = {0x80, 0xFF, 0x7F, 0x00, 0x81, 0x8F, 0x90};
  int accepted = 0;
  for (int i = 0; i < 4000; ++i) {
    Bytes bytes(random() % 13);
    for (auto& b : bytes) {
      b = random() % 2 == 0 ? kEdgeBytes[random() % sizeof(kEdgeBytes)]
                            : static_cast<unsigned char>(random());
    }
    // Half of the strings get a terminating last byte, so that many decode.
    if (!bytes.empty() && random() % 2 == 0) bytes.back() &= 0x7F;
    SCOPED_TRACE(Hex(bytes));
    std::string ours;
    std::string theirs;
    const bool ours_ok = OursDecode(bytes, &ours);
    const bool theirs_ok = OpensslDecode(bytes, &theirs);
    if (ours_ok) {
      ++accepted;
      ASSERT_TRUE(theirs_ok);
      EXPECT_EQ(ours, theirs);
    } else if (theirs_ok) {
      EXPECT_TRUE(HasArcAbove32Bits(theirs)) << theirs;
    }
    if (HasFailure()) return;
  }
  // The comparison means something only if many strings decoded.
  EXPECT_GT(accepted, 500);
}

TEST(AsnCodec, DecodeRefusals) {
  Bytes over_arc = {0x2A};  // 1.2 then an arc of 2^32
  const Bytes big = Base128(0x100000000ull);
  over_arc.insert(over_arc.end(), big.begin(), big.end());
  const struct {
    const char* what;
    Bytes bytes;
    bool openssl_refuses;  // OpenSSL has no 32-bit limit
  } kCases[] = {
      {"empty", {}, true},
      {"leading 0x80 in the first subidentifier", {0x80, 0x01}, true},
      {"leading 0x80 in a later subidentifier", {0x2A, 0x80, 0x86, 0x48}, true},
      {"lone 0x80", {0x2A, 0x80}, true},
      {"last byte with its high bit set", {0x2A, 0x86, 0x48, 0x86}, true},
      {"a single continuation byte", {0x86}, true},
      {"an arc of 2^32", over_arc, false},
      {"an arc far above 32 bits",
       {0x2A, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F},
       false},
      {"first subidentifier 80 + 4294967296", Base128(80 + 0x100000000ull),
       false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    PLVASNObjectID object(0);
    unsigned long before[] = {1, 3, 6};
    ASSERT_EQ(object.set_value(before, 3), 0);
    Bytes bytes = c.bytes;
    EXPECT_NE(
        object.set_value(bytes.data(), static_cast<unsigned int>(bytes.size())),
        0);
    // The object keeps what it held.
    unsigned long* arcs = nullptr;
    unsigned int count = 0;
    ASSERT_EQ(object.get_value(arcs, count), 0);
    EXPECT_EQ(Dotted(arcs, count), "1.3.6");
    std::string theirs;
    if (c.openssl_refuses) {
      EXPECT_FALSE(OpensslDecode(c.bytes, &theirs)) << theirs;
    } else {
      ASSERT_TRUE(OpensslDecode(c.bytes, &theirs));
      EXPECT_TRUE(HasArcAbove32Bits(theirs)) << theirs;
    }
  }
  // A null pointer is refused whatever the length.
  PLVASNObjectID object(0);
  EXPECT_NE(object.set_value(static_cast<unsigned char*>(nullptr), 3), 0);
}

TEST(AsnCodec, DecodeAcceptsTheLargestArcs) {
  const struct {
    Bytes bytes;
    const char* dotted;
  } kCases[] = {
      {Base128(80 + 0xFFFFFFFFull), "2.4294967295"},
      {{0x2A, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F}, "1.2.4294967295"},
      {{0x2A, 0x88, 0x80, 0x80, 0x80, 0x00}, "1.2.2147483648"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.dotted);
    std::string ours;
    ASSERT_TRUE(OursDecode(c.bytes, &ours));
    EXPECT_EQ(ours, c.dotted);
    Bytes encoded;
    Arcs arcs;
    {
      PLVASNObjectID object(0);
      Bytes bytes = c.bytes;
      ASSERT_EQ(object.set_value(bytes.data(),
                                 static_cast<unsigned int>(bytes.size())),
                0);
      unsigned long* held = nullptr;
      unsigned int count = 0;
      ASSERT_EQ(object.get_value(held, count), 0);
      arcs.assign(held, held + count);
    }
    ASSERT_TRUE(OursEncode(arcs, &encoded));
    EXPECT_EQ(Hex(encoded), Hex(c.bytes));
  }
}

// Arcs that cannot be encoded are stored (set_value returns 2) but give no
// bytes: get_value(buffer) fails and appends nothing. OpenSSL refuses the
// same texts, except the arc above 32 bits, which it can encode.
TEST(AsnCodec, EncodeRefusals) {
  const struct {
    const char* what;
    Arcs arcs;
    bool openssl_refuses;
  } kCases[] = {
      {"no arcs", {}, true},
      {"one arc", {1}, true},
      {"first arc 3", {3, 1}, true},
      {"first arc far above 2", {4294967295ul, 1}, true},
      {"second arc 40 under 0", {0, 40}, true},
      {"second arc 40 under 1", {1, 40, 3}, true},
      {"second arc above 32 bits under 2", {2, kMaxArc + 1}, false},
      {"later arc above 32 bits", {1, 2, 840, kMaxArc + 1}, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    PLVASNObjectID object(0);
    Arcs arcs = c.arcs;
    EXPECT_EQ(object.set_value(arcs.empty() ? nullptr : arcs.data(),
                               static_cast<unsigned int>(arcs.size())),
              2);
    unsigned long* held = nullptr;
    unsigned int count = 0;
    ASSERT_EQ(object.get_value(held, count), 0);
    EXPECT_EQ(Dotted(held, count), Dotted(c.arcs));
    PLVASNBuffer buffer(0);
    unsigned char marker = 0xAB;
    ASSERT_EQ(buffer.append(&marker, 1), 0);
    EXPECT_NE(object.get_value(buffer), 0);
    ASSERT_EQ(buffer.length, 1u);
    EXPECT_EQ(buffer.data[0], 0xAB);
    if (!c.arcs.empty()) {
      Bytes theirs;
      EXPECT_EQ(OpensslEncode(Dotted(c.arcs), &theirs), !c.openssl_refuses);
    }
  }
}

TEST(AsnCodec, EncodeEdgesThatAreAccepted) {
  const Arcs kCases[] = {
      {0, 39}, {1, 39}, {2, 40}, {2, 4294967295ul}, {0, 0, 4294967295ul}};
  for (const auto& arcs : kCases) CheckAgainstOracle(arcs);
}

TEST(AsnCodec, SetValueReplacesWhatWasHeld) {
  PLVASNObjectID object(0);
  unsigned long first[] = {1, 2, 840, 113549};
  ASSERT_EQ(object.set_value(first, 4), 0);
  unsigned long second[] = {2, 5, 4, 3};
  ASSERT_EQ(object.set_value(second, 4), 0);
  PLVASNBuffer buffer(0);
  ASSERT_EQ(object.get_value(buffer), 0);
  EXPECT_EQ(Hex(Bytes(buffer.data, buffer.data + buffer.length)), "550403");
  // An empty set leaves nothing behind.
  EXPECT_EQ(object.set_value(static_cast<unsigned long*>(nullptr), 0), 2);
  unsigned long* held = first;
  unsigned int count = 7;
  ASSERT_EQ(object.get_value(held, count), 0);
  EXPECT_EQ(held, nullptr);
  EXPECT_EQ(count, 0u);
}

}  // namespace
