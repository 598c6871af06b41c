// Tests of PLVORBIInternalOID: the text forms, the ASN.1 and gss_OID forms,
// comparison, OIDChecker, the table match and the algorithm codes.
#include "orbi_name/internal_oid.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"
#include "reference_oid.h"
#include "test_support.h"

namespace {

namespace status = orbi_name::status;
using Arcs = std::vector<uint32_t>;
using Bytes = std::vector<unsigned char>;
using Peer = PLVORBIInternalOIDPeer;

// The text form through get(char*&), as a std::string.
std::string Text(const PLVORBIInternalOID& oid) {
  char* text = nullptr;
  EXPECT_EQ(oid.get(text), status::SUCCESS);
  if (text == nullptr) return "<null>";
  std::string result = text;
  free(text);
  return result;
}

std::string Dotted(const Arcs& arcs) {
  std::string text;
  for (size_t i = 0; i < arcs.size(); ++i) {
    if (i > 0) text += '.';
    text += std::to_string(arcs[i]);
  }
  return text;
}

// A value holding any arcs, 0 and arcs that cannot be encoded among them:
// they go in through an ASN.1 object, which stores whatever it is given.
void SetArcs(PLVORBIInternalOID& oid, const Arcs& arcs) {
  std::vector<unsigned long> wide(arcs.begin(), arcs.end());
  PLVASNObjectID object(0);
  static_cast<void>(object.set_value(wide.empty() ? nullptr : wide.data(),
                                     static_cast<unsigned int>(wide.size())));
  ASSERT_EQ(oid.set(&object), status::SUCCESS);
  ASSERT_EQ(Peer::arcVector(oid), arcs);
}

// A gss_OID_desc over a byte vector that the test owns, with a zero byte
// behind the bytes as the library's own records have.
struct OwnedOid {
  explicit OwnedOid(const Bytes& bytes) : storage(bytes) {
    storage.push_back(0);
    desc.length = static_cast<OM_uint32>(bytes.size());
    desc.elements = storage.data();
  }
  OwnedOid(const OwnedOid&) = delete;
  OwnedOid& operator=(const OwnedOid&) = delete;
  gss_OID get() { return &desc; }
  Bytes storage;
  gss_OID_desc desc;
};

void FreeOid(gss_OID oid) {
  if (oid == nullptr) return;
  free(oid->elements);
  free(oid);
}

// The straightforward comparison that the fast ones must agree with: both
// text forms built with snprintf "%u", compared with strcmp.
std::string ReferenceText(const Arcs& arcs) {
  std::string text = "{";
  char scratch[21];
  for (uint32_t arc : arcs) {
    snprintf(scratch, sizeof(scratch), "%u ", arc);
    text += scratch;
  }
  text.back() = '}';  // an empty value: "{" becomes "}"
  return text;
}

int ReferenceIsEqual(const Arcs& a, const Arcs& b) {
  return strcmp(ReferenceText(a).c_str(), ReferenceText(b).c_str()) == 0 ? 1
                                                                         : 0;
}

// The decoded arcs of DER content octets, or false when the reference
// decoder (which shares no code with the value under test) refuses them.
bool ReferenceDecode(gss_OID oid, Arcs* arcs) {
  std::vector<uint64_t> wide;
  if (!orbi_reference::DecodeOid(
          static_cast<const unsigned char*>(oid->elements), oid->length,
          &wide)) {
    return false;
  }
  arcs->assign(wide.begin(), wide.end());
  return true;
}

// OIDChecker done the long way: decode a (else 0), decode b (a b that does
// not decode compares as the empty value), compare the text forms.
int ReferenceOIDChecker(gss_OID a, gss_OID b) {
  if (a == nullptr || b == nullptr) return 0;
  if (a == b) return 1;
  Arcs a_arcs;
  Arcs b_arcs;
  if (!ReferenceDecode(a, &a_arcs)) return 0;
  if (!ReferenceDecode(b, &b_arcs)) b_arcs.clear();
  return ReferenceIsEqual(a_arcs, b_arcs);
}

// --- Text forms -----------------------------------------------------------

TEST(InternalOidText, BothFormsGiveTheSameArcsAndText) {
  const struct {
    const char* text;
    Arcs arcs;
    const char* form;
  } kCases[] = {
      {"{1 2 840 113549}", {1, 2, 840, 113549}, "{1 2 840 113549}"},
      {"1.2.840.113549", {1, 2, 840, 113549}, "{1 2 840 113549}"},
      {"{7}", {7}, "{7}"},
      {"7", {7}, "{7}"},
      // Leading zeros are read.
      {"01.002", {1, 2}, "{1 2}"},
      {"{01 002 0840}", {1, 2, 840}, "{1 2 840}"},
      // 32-bit arcs print unsigned and read back.
      {"1.2.268435456", {1, 2, 268435456}, "{1 2 268435456}"},
      {"1.2.2147483648", {1, 2, 2147483648u}, "{1 2 2147483648}"},
      {"{4294967295 4294967295}",
       {4294967295u, 4294967295u},
       "{4294967295 4294967295}"},
      {"1.00004294967295", {1, 4294967295u}, "{1 4294967295}"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    PLVORBIInternalOID oid;
    ASSERT_EQ(oid.set(c.text), status::SUCCESS);
    EXPECT_EQ(Peer::arcVector(oid), c.arcs);
    const std::string form = Text(oid);
    EXPECT_EQ(form, c.form);
    EXPECT_EQ(form, ReferenceText(c.arcs));
    // The text form reads back to the same arcs.
    PLVORBIInternalOID again;
    ASSERT_EQ(again.set(form.c_str()), status::SUCCESS);
    EXPECT_EQ(Peer::arcVector(again), c.arcs);
    EXPECT_EQ(oid.isEqual(&again), 1);
  }
}

TEST(InternalOidText, RefusedTextsLeaveTheValueUnchanged) {
  const struct {
    const char* what;
    const char* text;
  } kCases[] = {
      {"no closing brace", "{1 2 3"},
      {"lone opening brace", "{"},
      {"braces with nothing inside", "{}"},
      {"empty text", ""},
      {"dots inside braces", "{1.2.3}"},
      {"blanks in the dotted form", "1 2 3"},
      {"two dots in a row", "1..2"},
      {"dot at the start", ".1.2"},
      {"dot at the end", "1.2."},
      {"blank after the opening brace", "{ 1 2}"},
      {"blank before the closing brace", "{1 2 }"},
      {"two blanks between arcs", "{1  2}"},
      {"arc of 0", "1.0.3"},
      {"arc of zeros", "{1 000 3}"},
      {"first arc 0", "0.9.2342"},
      {"minus sign", "1.-2"},
      {"plus sign", "+1.2"},
      {"letters", "1.a.3"},
      {"hexadecimal", "1.0x2A"},
      {"tab separator", "1\t2"},
      {"leading blank", " 1.2"},
      {"second closing brace", "{1 2}}"},
      {"closing brace in the dotted form", "1.2}"},
      {"arc of 2^32", "1.4294967296"},
      {"arc far above 32 bits", "{1 2 99999999999999999999}"},
      {"2^32 plus a small arc", "4294967297.1"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    PLVORBIInternalOID oid;
    ASSERT_EQ(oid.set("1.3.6.1"), status::SUCCESS);
    EXPECT_EQ(oid.set(c.text), status::BAD_OID);
    EXPECT_EQ(Peer::arcVector(oid), (Arcs{1, 3, 6, 1}));
    EXPECT_EQ(Text(oid), "{1 3 6 1}");
    // An empty value stays empty.
    PLVORBIInternalOID empty;
    EXPECT_EQ(empty.set(c.text), status::BAD_OID);
    EXPECT_EQ(Peer::arcCount(empty), 0u);
    EXPECT_EQ(Peer::arcs(empty), nullptr);
  }
  PLVORBIInternalOID oid;
  ASSERT_EQ(oid.set("1.3"), status::SUCCESS);
  EXPECT_EQ(oid.set(static_cast<const char*>(nullptr)), status::BAD_OID);
  EXPECT_EQ(Peer::arcVector(oid), (Arcs{1, 3}));
}

TEST(InternalOidText, EmptyValue) {
  PLVORBIInternalOID a;
  PLVORBIInternalOID b;
  EXPECT_EQ(Text(a), "}");
  EXPECT_EQ(a.isEqual(&b), 1);
  ASSERT_EQ(a.set("1.2.3"), status::SUCCESS);
  EXPECT_EQ(a.isEqual(&b), 0);
  EXPECT_EQ(b.isEqual(&a), 0);
  EXPECT_EQ(a.Clean(), status::SUCCESS);
  EXPECT_EQ(Peer::arcCount(a), 0u);
  EXPECT_EQ(Peer::arcs(a), nullptr);
  EXPECT_EQ(Text(a), "}");
  EXPECT_EQ(a.isEqual(&b), 1);
}

// A text that does not read compares as the empty value: an empty value is
// equal to it, a value with arcs is not, and neither result depends on what
// the refused text held before its fault.
TEST(InternalOidText, IsEqualWithARefusedText) {
  const struct {
    const char* text;
    int equal_to_empty;
    int equal_to_1_2_3;
  } kCases[] = {
      {"1.2.3", 0, 1},  {"{1 2 3}", 0, 1}, {"1.2.3.", 1, 0},
      {"1.2.0", 1, 0},  {"1.2.3.0", 1, 0}, {"1.2.4294967296", 1, 0},
      {"{1 2 3", 1, 0}, {"", 1, 0},        {"}", 1, 0},
      {"x", 1, 0},
  };
  PLVORBIInternalOID empty;
  PLVORBIInternalOID one_two_three;
  ASSERT_EQ(one_two_three.set("1.2.3"), status::SUCCESS);
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(empty.isEqual(c.text), c.equal_to_empty);
    EXPECT_EQ(one_two_three.isEqual(c.text), c.equal_to_1_2_3);
  }
  EXPECT_EQ(empty.isEqual(static_cast<const char*>(nullptr)), 1);
  EXPECT_EQ(one_two_three.isEqual(static_cast<const char*>(nullptr)), 0);
  EXPECT_EQ(
      one_two_three.isEqual(static_cast<const PLVORBIInternalOID*>(nullptr)),
      0);
}

// --- gss_OID and ASN.1 forms ----------------------------------------------

TEST(InternalOidGss, EncodingOfDesEde3Cbc) {
  PLVORBIInternalOID oid;
  ASSERT_EQ(oid.set("1.2.840.113549.3.7"), status::SUCCESS);
  gss_OID out = nullptr;
  ASSERT_EQ(oid.get(out), status::SUCCESS);
  ASSERT_NE(out, nullptr);
  ASSERT_EQ(out->length, 8u);
  const auto* bytes = static_cast<const unsigned char*>(out->elements);
  EXPECT_EQ(Bytes(bytes, bytes + 9),
            (Bytes{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x07, 0x00}));
  // The bytes read back to the same arcs.
  PLVORBIInternalOID back;
  ASSERT_EQ(back.set(out), status::SUCCESS);
  EXPECT_EQ(Peer::arcVector(back), (Arcs{1, 2, 840, 113549, 3, 7}));
  EXPECT_EQ(oid.isEqual(out), 1);
  FreeOid(out);
}

TEST(InternalOidGss, RoundTripsThroughGssOidAndAsn) {
  const Arcs kCases[] = {
      {1, 2, 840, 113549},
      {1, 3, 6, 1, 5, 6, 4},
      {0, 39},
      {2, 5, 4, 3},
      {2, 999},
      {1, 2, 268435456},
      {1, 2, 2147483648u},
      {1, 2, 4294967295u},
      {2, 4294967295u, 4294967295u},
      {1, 3, 127, 128, 16383, 16384, 2097151, 2097152},
  };
  for (const auto& arcs : kCases) {
    SCOPED_TRACE(Dotted(arcs));
    PLVORBIInternalOID oid;
    SetArcs(oid, arcs);
    gss_OID gss = nullptr;
    ASSERT_EQ(oid.get(gss), status::SUCCESS);
    ASSERT_NE(gss, nullptr);
    EXPECT_EQ(static_cast<const unsigned char*>(gss->elements)[gss->length], 0);
    PLVORBIInternalOID from_gss;
    ASSERT_EQ(from_gss.set(gss), status::SUCCESS);
    EXPECT_EQ(Peer::arcVector(from_gss), arcs);
    EXPECT_EQ(oid.isEqual(gss), 1);
    FreeOid(gss);

    PLVASNObjectID* asn = nullptr;
    ASSERT_EQ(oid.get(asn), status::SUCCESS);
    ASSERT_NE(asn, nullptr);
    PLVORBIInternalOID from_asn;
    ASSERT_EQ(from_asn.set(asn), status::SUCCESS);
    EXPECT_EQ(Peer::arcVector(from_asn), arcs);
    EXPECT_EQ(oid.isEqual(asn), 1);
    delete asn;

    PLVASNObjectID written(0);
    ASSERT_EQ(oid.writeTo(written), status::SUCCESS);
    unsigned long* held = nullptr;
    unsigned int count = 0;
    ASSERT_EQ(written.get_value(held, count), 0);
    EXPECT_EQ(Arcs(held, held + count), arcs);
  }
}

TEST(InternalOidGss, GetOfArcsThatCannotBeEncoded) {
  const struct {
    const char* what;
    Arcs arcs;
  } kCases[] = {
      {"empty value", {}},
      {"one arc", {1}},
      {"first arc 3", {3, 1}},
      {"second arc 40 under 0", {0, 40}},
      {"second arc 40 under 1", {1, 40, 5}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    PLVORBIInternalOID oid;
    SetArcs(oid, c.arcs);
    gss_OID_desc placeholder = {0, nullptr};
    gss_OID out = &placeholder;
    EXPECT_EQ(oid.get(out), status::BAD_OID);
    EXPECT_EQ(out, nullptr);
    // The ASN.1 forms still take the arcs: writeTo reports success and
    // get(PLVASNObjectID*&) hands out an object holding them.
    PLVASNObjectID written(0);
    EXPECT_EQ(oid.writeTo(written), status::SUCCESS);
    unsigned long* held = nullptr;
    unsigned int count = 0;
    ASSERT_EQ(written.get_value(held, count), 0);
    EXPECT_EQ(Arcs(held, held + count), c.arcs);
    PLVASNObjectID* asn = nullptr;
    ASSERT_EQ(oid.get(asn), status::SUCCESS);
    ASSERT_NE(asn, nullptr);
    ASSERT_EQ(asn->get_value(held, count), 0);
    EXPECT_EQ(Arcs(held, held + count), c.arcs);
    delete asn;
  }
}

TEST(InternalOidGss, SetRefusesBytesThatDoNotDecode) {
  const struct {
    const char* what;
    Bytes bytes;
  } kCases[] = {
      {"no content octets", {}},
      {"leading 0x80", {0x2A, 0x80, 0x01}},
      {"last byte with its high bit set", {0x2A, 0x86}},
      {"arc of 2^32", {0x2A, 0x90, 0x80, 0x80, 0x80, 0x00}},
      {"first subidentifier 80 + 2^32", {0x90, 0x80, 0x80, 0x80, 0x50}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    OwnedOid bad(c.bytes);
    PLVORBIInternalOID oid;
    ASSERT_EQ(oid.set("1.3.6"), status::SUCCESS);
    EXPECT_EQ(oid.set(bad.get()), status::BAD_OID);
    EXPECT_EQ(Peer::arcVector(oid), (Arcs{1, 3, 6}));
    // As a comparison argument it reads as the empty value.
    EXPECT_EQ(oid.isEqual(bad.get()), 0);
    PLVORBIInternalOID empty;
    EXPECT_EQ(empty.isEqual(bad.get()), 1);
  }
  PLVORBIInternalOID oid;
  ASSERT_EQ(oid.set("1.3.6"), status::SUCCESS);
  EXPECT_EQ(oid.set(static_cast<gss_OID>(nullptr)), status::BAD_OID);
  gss_OID_desc null_elements = {3, nullptr};
  EXPECT_EQ(oid.set(&null_elements), status::BAD_OID);
  EXPECT_EQ(Peer::arcVector(oid), (Arcs{1, 3, 6}));
}

TEST(InternalOidAsn, SetFromAnAsnObject) {
  PLVORBIInternalOID oid;
  ASSERT_EQ(oid.set("1.3.6"), status::SUCCESS);
  // An object without arcs empties the value.
  PLVASNObjectID empty_object(0);
  EXPECT_EQ(oid.set(&empty_object), status::SUCCESS);
  EXPECT_EQ(Peer::arcCount(oid), 0u);
  EXPECT_EQ(Peer::arcs(oid), nullptr);

  // An arc above 32 bits is refused rather than cut to 32 bits.
  ASSERT_EQ(oid.set("1.3.6"), status::SUCCESS);
  PLVASNObjectID wide(0);
  unsigned long wide_arcs[] = {1, 2, 0x100000001ul};
  ASSERT_EQ(wide.set_value(wide_arcs, 3), 2);
  EXPECT_EQ(oid.set(&wide), status::BAD_OID);
  EXPECT_EQ(Peer::arcCount(oid), 0u);
  PLVORBIInternalOID one_two_one;
  ASSERT_EQ(one_two_one.set("1.2.1"), status::SUCCESS);
  EXPECT_EQ(one_two_one.isEqual(&wide), 0);

  ASSERT_EQ(oid.set("1.3.6"), status::SUCCESS);
  EXPECT_EQ(oid.set(static_cast<const PLVASNObjectID*>(nullptr)),
            status::BAD_OID);
  EXPECT_EQ(Peer::arcCount(oid), 0u);
}

// --- Comparisons: the fast forms against the reference ---------------------

TEST(InternalOidCompare, IsEqualAgreesWithTextComparison) {
  const struct {
    Arcs a;
    Arcs b;
    int equal;
  } kCases[] = {
      {{}, {}, 1},
      {{}, {1}, 0},
      {{1, 2, 840}, {1, 2, 840}, 1},
      {{1, 2, 840}, {1, 2, 841}, 0},
      {{1, 2, 840}, {1, 2, 840, 1}, 0},  // prefix
      {{1, 2, 840, 1}, {1, 2, 840}, 0},  // prefix the other way
      {{1, 2, 84}, {1, 2, 840}, 0},      // text prefix of an arc
      {{1, 22, 3}, {1, 2, 23}, 0},       // same digits, other split
      {{12, 3}, {1, 23}, 0},
      {{2147483648u}, {2147483648u}, 1},  // large arcs
      {{4294967295u, 1}, {4294967295u, 1}, 1},
      {{4294967295u}, {4294967294u}, 0},
      {{2147483648u}, {2147483647u}, 0},
      {{1, 268435456}, {1, 268435456}, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(Dotted(c.a) + " vs " + Dotted(c.b));
    PLVORBIInternalOID a;
    PLVORBIInternalOID b;
    SetArcs(a, c.a);
    SetArcs(b, c.b);
    EXPECT_EQ(ReferenceIsEqual(c.a, c.b), c.equal);
    EXPECT_EQ(a.isEqual(&b), c.equal);
    EXPECT_EQ(b.isEqual(&a), c.equal);
    EXPECT_EQ(a.isEqual(&a), 1);
    EXPECT_EQ(a.isEqual(ReferenceText(c.b).c_str()), c.equal);
  }
}

// OIDChecker of byte cases, against the reference and against the expected
// answer.
TEST(InternalOidCompare, OIDCheckerAgreesWithTextComparison) {
  const Bytes kRsadsi = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D};
  const Bytes kDesEde3 = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x07};
  const Bytes kRc4 = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x04};
  const Bytes kLarge = {0x2A, 0x8F, 0xFF, 0xFF, 0xFF, 0x7F};   // 1.2.4294967295
  const Bytes kLarge2 = {0x2A, 0x8F, 0xFF, 0xFF, 0xFF, 0x7E};  // 1.2.4294967294
  const Bytes kTruncated = {0x2A, 0x86, 0x48, 0x86};
  const Bytes kLeading80 = {0x2A, 0x80, 0x86, 0x48};
  const Bytes kTooBig = {0x2A, 0x90, 0x80, 0x80, 0x80, 0x00};
  const struct {
    const char* what;
    Bytes a;
    Bytes b;
    int equal;
  } kCases[] = {
      {"equal bytes", kDesEde3, kDesEde3, 1},
      {"last arc differs", kDesEde3, kRc4, 0},
      {"a is a prefix of b", kRsadsi, kDesEde3, 0},
      {"b is a prefix of a", kDesEde3, kRsadsi, 0},
      {"large arcs equal", kLarge, kLarge, 1},
      {"large arcs differ", kLarge, kLarge2, 0},
      {"a truncated", kTruncated, kDesEde3, 0},
      {"b truncated", kDesEde3, kTruncated, 0},
      {"both truncated, same bytes", kTruncated, kTruncated, 0},
      {"both with a leading 0x80, same bytes", kLeading80, kLeading80, 0},
      {"both with an arc of 2^32, same bytes", kTooBig, kTooBig, 0},
      {"a empty", {}, kDesEde3, 0},
      {"b empty", kDesEde3, {}, 0},
      {"both empty", {}, {}, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    OwnedOid a(c.a);
    OwnedOid b(c.b);
    EXPECT_EQ(ReferenceOIDChecker(a.get(), b.get()), c.equal);
    EXPECT_EQ(PLVORBIInternalOID::OIDChecker(a.get(), b.get()), c.equal);
    // The same pointer is 1 whatever the bytes.
    EXPECT_EQ(PLVORBIInternalOID::OIDChecker(a.get(), a.get()), 1);
  }
}

TEST(InternalOidCompare, OIDCheckerNullsAndPointers) {
  gss_OID table = ORBIGetOID(kORBIAlgorithm256Index);
  OwnedOid copy(OidBytes(table));
  gss_OID_desc null_elements = {8, nullptr};
  gss_OID_desc null_empty = {0, nullptr};
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(nullptr, nullptr), 0);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(table, nullptr), 0);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(nullptr, table), 0);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(table, table), 1);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(table, copy.get()), 1);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(copy.get(), table), 1);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(table, &null_elements), 0);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(&null_elements, table), 0);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(&null_elements, &null_empty), 0);
  EXPECT_EQ(PLVORBIInternalOID::OIDChecker(&null_elements, &null_elements), 1);
}

// Random byte strings, each against a copy of itself, a one-byte change and
// another random string: the fast check and the reference always agree.
TEST(InternalOidCompare, OIDCheckerAgreesOnRandomBytes) {
  std::mt19937 random(31337);
  const unsigned char kEdgeBytes[] = {0x80, 0xFF, 0x7F, 0x00, 0x2A, 0x86, 0x90};
  auto make = [&]() {
    // Up to 13 bytes, so that subidentifiers of five bytes and more (the
    // ones near and past the 32-bit limit) come up too.
    Bytes bytes(random() % 14);
    for (auto& b : bytes) {
      b = random() % 2 == 0 ? kEdgeBytes[random() % sizeof(kEdgeBytes)]
                            : static_cast<unsigned char>(random());
    }
    if (!bytes.empty() && random() % 2 == 0) bytes.back() &= 0x7F;
    return bytes;
  };
  int equal_pairs = 0;
  for (int i = 0; i < 3000; ++i) {
    const Bytes bytes = make();
    Bytes changed = bytes;
    if (!changed.empty()) changed[random() % changed.size()] ^= 1;
    OwnedOid a(bytes);
    OwnedOid same(bytes);
    OwnedOid other(changed);
    OwnedOid unrelated(make());
    for (gss_OID b : {same.get(), other.get(), unrelated.get()}) {
      const int expected = ReferenceOIDChecker(a.get(), b);
      ASSERT_EQ(PLVORBIInternalOID::OIDChecker(a.get(), b), expected)
          << ::testing::PrintToString(bytes) << " vs "
          << ::testing::PrintToString(OidBytes(b));
      equal_pairs += expected;
    }
  }
  EXPECT_GT(equal_pairs, 300);  // many valid strings met their copies
}

// --- Table match and algorithm codes --------------------------------------

TEST(InternalOidTable, GetMatchingOIDFromTableComparesPointersOnly) {
  PLVORBIInternalOID oid;
  for (int i = 0; i < kORBIOIDTableSize; ++i) {
    SCOPED_TRACE(i);
    gss_OID entry = ORBIGetOID(i);
    EXPECT_EQ(oid.GetMatchingOIDFromTable(entry), entry);
    OwnedOid copy(OidBytes(entry));
    EXPECT_EQ(oid.GetMatchingOIDFromTable(copy.get()), nullptr);
  }
  EXPECT_EQ(oid.GetMatchingOIDFromTable(nullptr), nullptr);
  // The cipher record handed out for code 256 holds the bytes of entry 18 but
  // is not the table's.
  gss_OID record = nullptr;
  unsigned int second = 0;
  ASSERT_EQ(PLVORBIInternalOID::ConvertFromTSToOID(256, &record, &second),
            status::SUCCESS);
  EXPECT_EQ(oid.GetMatchingOIDFromTable(record), nullptr);
}

TEST(InternalOidCodes, ConvertFromOIDToTS) {
  OwnedOid copy18(OidBytes(ORBIGetOID(kORBIAlgorithm256Index)));
  OwnedOid copy17(OidBytes(ORBIGetOID(kORBIAlgorithm768Index)));
  OwnedOid undecodable(Bytes{0x2A, 0x86});
  gss_OID record1 = nullptr;
  unsigned int second = 0;
  ASSERT_EQ(PLVORBIInternalOID::ConvertFromTSToOID(0, &record1, &second),
            status::SUCCESS);
  const struct {
    const char* what;
    gss_OID oid;
    unsigned int code;
    OM_uint32 status;
  } kCases[] = {
      {"null", nullptr, 7936, status::NO_ALGORITHM_CODE},
      {"entry 18", ORBIGetOID(kORBIAlgorithm256Index), 256, status::SUCCESS},
      {"entry 19", ORBIGetOID(kORBIAlgorithm512Index), 512, status::SUCCESS},
      {"entry 17", ORBIGetOID(kORBIAlgorithm768Index), 768, status::SUCCESS},
      {"copy of entry 18", copy18.get(), 256, status::SUCCESS},
      {"copy of entry 17", copy17.get(), 768, status::SUCCESS},
      {"cipher record 1", record1, 256, status::SUCCESS},
      {"the mechanism", ORBIGetOID(kORBIMechanismIndex), 7936,
       status::NO_ALGORITHM_CODE},
      {"undecodable", undecodable.get(), 7936, status::NO_ALGORITHM_CODE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    unsigned int code = 12345;
    EXPECT_EQ(PLVORBIInternalOID::ConvertFromOIDToTS(c.oid, &code), c.status);
    EXPECT_EQ(code, c.code);
  }
}

TEST(InternalOidCodes, ConvertFromTSToOID) {
  const struct {
    unsigned int code;
    gss_OID oid;  // null: the cipher record, checked by its bytes
    unsigned int second;
    OM_uint32 status;
  } kCases[] = {
      {0, nullptr, 64, status::SUCCESS},
      {256, nullptr, 64, status::SUCCESS},
      {512, ORBIGetOID(kORBIAlgorithm512Index), 64, status::SUCCESS},
      {768, ORBIGetOID(kORBIAlgorithm768Index), 40, status::SUCCESS},
      {7936, nullptr, 0, status::NO_ALGORITHM_CODE},
      {1, nullptr, 0, status::NO_ALGORITHM_CODE},
      {255, nullptr, 0, status::NO_ALGORITHM_CODE},
      {257, nullptr, 0, status::NO_ALGORITHM_CODE},
      {1024, nullptr, 0, status::NO_ALGORITHM_CODE},
  };
  gss_OID record_for_0 = nullptr;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.code);
    gss_OID_desc placeholder = {0, nullptr};
    gss_OID oid = &placeholder;
    unsigned int second = 99;
    EXPECT_EQ(PLVORBIInternalOID::ConvertFromTSToOID(c.code, &oid, &second),
              c.status);
    EXPECT_EQ(second, c.second);
    if (c.status != status::SUCCESS) {
      EXPECT_EQ(oid, nullptr);
    } else if (c.oid != nullptr) {
      EXPECT_EQ(oid, c.oid);
    } else {
      // Cipher record 1: DES-EDE3-CBC with a zero byte behind its bytes, the
      // same record for 0 and 256, not the table's entry 18.
      ASSERT_NE(oid, nullptr);
      ASSERT_EQ(oid->length, 8u);
      const auto* bytes = static_cast<const unsigned char*>(oid->elements);
      EXPECT_EQ(Bytes(bytes, bytes + 9),
                (Bytes{0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x07, 0x00}));
      EXPECT_NE(oid, ORBIGetOID(kORBIAlgorithm256Index));
      if (record_for_0 == nullptr) record_for_0 = oid;
      EXPECT_EQ(oid, record_for_0);
    }
  }
  // Every code handed out maps back to itself (0 goes to 256).
  for (unsigned int code : {256u, 512u, 768u}) {
    SCOPED_TRACE(code);
    gss_OID oid = nullptr;
    unsigned int second = 0;
    ASSERT_EQ(PLVORBIInternalOID::ConvertFromTSToOID(code, &oid, &second),
              status::SUCCESS);
    unsigned int back = 0;
    EXPECT_EQ(PLVORBIInternalOID::ConvertFromOIDToTS(oid, &back),
              status::SUCCESS);
    EXPECT_EQ(back, code);
  }
}

// The cipher record is read-only, as the table's objects are: a stray write
// through the pointer handed out faults instead of changing the OID that
// every later call hands out.
TEST(InternalOidCodesDeathTest, CipherRecordCannotBeWrittenThrough) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const struct {
    const char* what;
    void (*write)(gss_OID);
  } kWrites[] = {
      {"an element byte",
       [](gss_OID oid) {
         static_cast<volatile unsigned char*>(oid->elements)[0] = 0;
       }},
      {"the length",
       [](gss_OID oid) {
         *static_cast<volatile OM_uint32*>(&oid->length) = 1;
       }},
      {"the elements pointer",
       [](gss_OID oid) {
         *static_cast<void* volatile*>(&oid->elements) = nullptr;
       }},
  };
  gss_OID record = nullptr;
  unsigned int second = 0;
  ASSERT_EQ(PLVORBIInternalOID::ConvertFromTSToOID(256, &record, &second),
            status::SUCCESS);
  for (const auto& w : kWrites) {
    SCOPED_TRACE(w.what);
    EXPECT_DEATH(w.write(record), "");
  }
  // Nothing changed in this process.
  EXPECT_EQ(OidBytes(record), OidBytes(ORBIGetOID(kORBIAlgorithm256Index)));
}

// The static operations share only the fixed records and the OID table, so
// they may run on several threads at once.
TEST(InternalOidCodes, StaticOperationsRunOnSeveralThreads) {
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (size_t t = 0; t < failures.size(); ++t) {
    threads.emplace_back([t, &failures] {
      for (int i = 0; i < 500; ++i) {
        gss_OID oid = nullptr;
        unsigned int second = 0;
        unsigned int code = 0;
        if (PLVORBIInternalOID::ConvertFromTSToOID(256, &oid, &second) != 0 ||
            PLVORBIInternalOID::ConvertFromOIDToTS(oid, &code) != 0 ||
            code != 256 ||
            PLVORBIInternalOID::OIDChecker(
                oid, ORBIGetOID(kORBIAlgorithm256Index)) != 1) {
          ++failures[t];
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

}  // namespace
