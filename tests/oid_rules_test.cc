// Tests of orbi_name/internal/oid_rules.h: the reason and place given for every
// rule a text can break, in the order the rules are checked, and for arcs
// without content octets; and that PLVORBIInternalOID's set(text) and
// get(gss_OID&) refuse exactly what these functions refuse.
#include "orbi_name/internal/oid_rules.h"

#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "gtest/gtest.h"
#include "orbi_name/internal_oid.h"
#include "orbi_services/asn.h"
#include "test_support.h"

namespace {

namespace status = orbi_name::status;
using orbi_name::OidArcsFault;
using orbi_name::OidTextFault;
using Arcs = std::vector<uint32_t>;
using Peer = PLVORBIInternalOIDPeer;

// Both steps, as a caller runs them: the arcs are read only when the layout
// is sound.
OidTextFault Parse(const char* text, Arcs* arcs,
                   orbi_name::OidTextRefusal* refusal) {
  orbi_name::OidTextLayout layout;
  const OidTextFault fault = orbi_name::MeasureOidText(text, &layout, refusal);
  if (fault != OidTextFault::kNone) return fault;
  EXPECT_EQ(layout.text, text);
  arcs->assign(layout.arc_count, 0xA5A5A5A5u);
  return orbi_name::ReadOidTextArcs(layout, arcs->data(), refusal);
}

TEST(OidRules, TextRefusalsNameTheRuleAndWhere) {
  const struct {
    const char* text;
    OidTextFault fault;
    char separator;
    size_t offset;
    uint64_t arc;
  } kCases[] = {
      {nullptr, OidTextFault::kNullText, '.', 0, 0},
      // The brace and the characters are judged before any arc.
      {"{", OidTextFault::kUnclosedBrace, ' ', 1, 0},
      {"{1 2", OidTextFault::kUnclosedBrace, ' ', 4, 0},
      {"{1 2}x", OidTextFault::kUnclosedBrace, ' ', 6, 0},
      {"1.2.x", OidTextFault::kBadCharacter, '.', 4, 0},
      {"1 2", OidTextFault::kBadCharacter, '.', 1, 0},
      {"1.2}", OidTextFault::kBadCharacter, '.', 3, 0},
      {"{1 2.840}", OidTextFault::kBadCharacter, ' ', 4, 0},
      {"{1 2}}", OidTextFault::kBadCharacter, ' ', 4, 0},
      {"1..x", OidTextFault::kBadCharacter, '.', 3, 0},
      {"0.0.-1", OidTextFault::kBadCharacter, '.', 4, 0},
      // Then the arcs, left to right; the first wrong one is the reason.
      {"", OidTextFault::kEmptyArc, '.', 0, 1},
      {"{}", OidTextFault::kEmptyArc, ' ', 1, 1},
      {".1.2", OidTextFault::kEmptyArc, '.', 0, 1},
      {"1..2", OidTextFault::kEmptyArc, '.', 2, 2},
      {"1.2.", OidTextFault::kEmptyArc, '.', 4, 3},
      {"{ 1 2}", OidTextFault::kEmptyArc, ' ', 1, 1},
      {"{1  2}", OidTextFault::kEmptyArc, ' ', 3, 2},
      {"{1 2 }", OidTextFault::kEmptyArc, ' ', 5, 3},
      {"1..0", OidTextFault::kEmptyArc, '.', 2, 2},
      {"0.6.5", OidTextFault::kZeroArc, '.', 0, 1},
      {"1.0.3", OidTextFault::kZeroArc, '.', 2, 2},
      {"1.2.000", OidTextFault::kZeroArc, '.', 4, 3},
      {"{1 2 0}", OidTextFault::kZeroArc, ' ', 5, 3},
      {"1.0.4294967296", OidTextFault::kZeroArc, '.', 2, 2},
      {"1.2.4294967296", OidTextFault::kArcTooLarge, '.', 4, 3},
      {"{1 99999999999999999999}", OidTextFault::kArcTooLarge, ' ', 3, 2},
      {"4294967296.0", OidTextFault::kArcTooLarge, '.', 0, 1},
      {"1.00004294967296", OidTextFault::kArcTooLarge, '.', 2, 2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text == nullptr ? "(null)" : c.text);
    Arcs arcs;
    orbi_name::OidTextRefusal refusal;
    refusal.offset = 99;
    ASSERT_EQ(Parse(c.text, &arcs, &refusal), c.fault);
    EXPECT_EQ(refusal.fault, c.fault);
    EXPECT_EQ(refusal.separator, c.separator);
    EXPECT_EQ(refusal.offset, c.offset);
    EXPECT_EQ(refusal.arc, c.arc);
    // The value refuses the same texts and keeps what it held.
    PLVORBIInternalOID value;
    ASSERT_EQ(value.set("1.3"), status::SUCCESS);
    EXPECT_EQ(value.set(c.text), status::BAD_OID);
    EXPECT_EQ(Peer::arcVector(value), (Arcs{1, 3}));
  }
}

// A zero arc is the one fault that only the text forms have: when it is all
// that is wrong, the arcs are read with their zeros, for a caller that
// offers the OID in another form.
TEST(OidRules, ZeroArcsAloneAreReadWithTheirZeros) {
  const struct {
    const char* text;
    bool only_zero_arcs;
    Arcs arcs;  // when only_zero_arcs
  } kCases[] = {
      {"2.5.4.0", true, {2, 5, 4, 0}},
      {"0.6.5", true, {0, 6, 5}},
      {"{0 0}", true, {0, 0}},
      {"1.2.000.7", true, {1, 2, 0, 7}},
      {"1.0.4294967296", false, {}},
      {"1.0..3", false, {}},
      {"0.3.", false, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    Arcs arcs;
    orbi_name::OidTextRefusal refusal;
    ASSERT_EQ(Parse(c.text, &arcs, &refusal), OidTextFault::kZeroArc);
    EXPECT_EQ(refusal.only_zero_arcs, c.only_zero_arcs);
    if (c.only_zero_arcs) {
      EXPECT_EQ(arcs, c.arcs);
    }
  }
}

TEST(OidRules, AcceptedTextsGiveTheValuesArcs) {
  const struct {
    const char* text;
    Arcs arcs;
  } kCases[] = {
      {"1.2.840.113549", {1, 2, 840, 113549}},
      {"{1 2 840 113549}", {1, 2, 840, 113549}},
      {"7", {7}},
      {"{7}", {7}},
      {"01.002", {1, 2}},
      {"1.00004294967295", {1, 4294967295u}},
      {"{4294967295 4294967295}", {4294967295u, 4294967295u}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    Arcs arcs;
    orbi_name::OidTextRefusal refusal;
    ASSERT_EQ(Parse(c.text, &arcs, &refusal), OidTextFault::kNone);
    EXPECT_EQ(arcs, c.arcs);
    // Nothing is described when nothing is wrong.
    EXPECT_EQ(refusal.fault, OidTextFault::kNone);
    PLVORBIInternalOID value;
    ASSERT_EQ(value.set(c.text), status::SUCCESS);
    EXPECT_EQ(Peer::arcVector(value), c.arcs);
  }
}

// A refusal may be left undescribed; the layout is written only on success.
TEST(OidRules, NullRefusalAndUntouchedLayout) {
  orbi_name::OidTextLayout layout;
  EXPECT_EQ(orbi_name::MeasureOidText("1.x", &layout, nullptr),
            OidTextFault::kBadCharacter);
  EXPECT_EQ(layout.text, nullptr);
  EXPECT_EQ(layout.arc_count, 0u);
  ASSERT_EQ(orbi_name::MeasureOidText("{1 0}", &layout, nullptr),
            OidTextFault::kNone);
  EXPECT_EQ(layout.separator, ' ');
  EXPECT_EQ(layout.arc_count, 2u);
  EXPECT_EQ(layout.end - layout.begin, 3);
  uint32_t arcs[2] = {0, 0};
  EXPECT_EQ(orbi_name::ReadOidTextArcs(layout, arcs, nullptr),
            OidTextFault::kZeroArc);
}

TEST(OidRules, ArcsWithoutContentOctetsNameTheRule) {
  const struct {
    Arcs arcs;
    OidArcsFault fault;
  } kCases[] = {
      {{}, OidArcsFault::kTooFewArcs},
      {{1}, OidArcsFault::kTooFewArcs},
      {{3, 1}, OidArcsFault::kFirstArcAbove2},
      {{4294967295u, 0}, OidArcsFault::kFirstArcAbove2},
      {{1, 40}, OidArcsFault::kSecondArcAbove39},
      {{0, 4294967295u}, OidArcsFault::kSecondArcAbove39},
      {{0, 0}, OidArcsFault::kNone},
      {{1, 39, 7}, OidArcsFault::kNone},
      {{2, 40}, OidArcsFault::kNone},
      {{2, 4294967295u, 4294967295u}, OidArcsFault::kNone},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(::testing::PrintToString(c.arcs));
    EXPECT_EQ(orbi_name::CheckOidArcs(c.arcs.data(), c.arcs.size()), c.fault);
    // get(gss_OID&) refuses exactly these; the arcs go in through an ASN.1
    // object, which stores whatever it is given.
    std::vector<unsigned long> wide(c.arcs.begin(), c.arcs.end());
    PLVASNObjectID object(0);
    static_cast<void>(object.set_value(wide.empty() ? nullptr : wide.data(),
                                       static_cast<unsigned int>(wide.size())));
    PLVORBIInternalOID value;
    ASSERT_EQ(value.set(&object), status::SUCCESS);
    gss_OID oid = nullptr;
    const OM_uint32 got = value.get(oid);
    EXPECT_EQ(got, c.fault == OidArcsFault::kNone ? status::SUCCESS
                                                  : status::BAD_OID);
    if (oid != nullptr) {
      free(oid->elements);
      free(oid);
    }
  }
  EXPECT_EQ(orbi_name::CheckOidArcs(nullptr, 2), OidArcsFault::kTooFewArcs);
  // A count beyond 32 bits is refused on the count alone, before the arcs
  // (two here, well-formed) are read.
  const uint32_t two[] = {1, 2};
  EXPECT_EQ(orbi_name::CheckOidArcs(two, size_t{0xFFFFFFFFu} + 1),
            OidArcsFault::kTooLong);
}

}  // namespace
