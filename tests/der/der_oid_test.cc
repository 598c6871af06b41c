// The DER rules of OID content octets: the quick check and the full
// validation agree, around the 4/5-byte subidentifier boundary where the
// quick one hands over, and with a reference decoder that shares no code
// with them.
#include <stdint.h>

#include <string>
#include <vector>

#include "der/oid.h"
#include "gtest/gtest.h"
#include "reference_oid.h"

namespace {

// The base-128 form of one subidentifier.
std::string Subidentifier(uint64_t value) {
  std::string out(1, static_cast<char>(value & 0x7F));
  for (value >>= 7; value != 0; value >>= 7) {
    out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
  }
  return out;
}

TEST(DerOid, QuickAndFullChecksAgreeAtTheSubidentifierBoundaries) {
  constexpr uint64_t kMaxArc = 0xFFFFFFFFu;
  std::vector<std::string> cases;
  // Later subidentifiers at 4 bytes (below 2^28), 5 bytes, the largest arc
  // and one past it; the first subidentifier up to its own limit.
  for (uint64_t later :
       {uint64_t{127}, uint64_t{128}, (uint64_t{1} << 28) - 1,
        uint64_t{1} << 28, kMaxArc, kMaxArc + 1, uint64_t{1} << 35}) {
    cases.push_back("\x2b" + Subidentifier(later));
    cases.push_back("\x2b" + Subidentifier(later) + "\x01");
  }
  for (uint64_t first : {uint64_t{79}, uint64_t{80}, (uint64_t{1} << 28) - 1,
                         uint64_t{1} << 28, kMaxArc + 80, kMaxArc + 81}) {
    cases.push_back(Subidentifier(first));
  }
  // Shapes the rules refuse: a leading 0x80, an unterminated last byte, no
  // bytes.
  cases.push_back("\x2b\x80\x01");
  cases.push_back(std::string("\x2b\x81\x80\x80\x80\x80\x00", 7));
  cases.push_back("\x2b\x86");
  cases.push_back("");
  for (const std::string& c : cases) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.data());
    SCOPED_TRACE(::testing::PrintToString(
        std::vector<unsigned char>(bytes, bytes + c.size())));
    uint64_t quick_count = 0;
    uint64_t full_count = 0;
    const bool quick =
        orbi::der::IsValidOidContent(bytes, c.size(), &quick_count);
    const bool full =
        orbi::der::ValidateOidContentFully(bytes, c.size(), &full_count);
    std::vector<uint64_t> arcs;
    const bool reference = orbi_reference::DecodeOid(bytes, c.size(), &arcs);
    EXPECT_EQ(quick, full);
    EXPECT_EQ(full, reference);
    if (full && reference) {
      EXPECT_EQ(quick_count, full_count);
      EXPECT_EQ(full_count, arcs.size());
    }
  }
}

// More arcs than a 32-bit count holds are refused on the count alone,
// before any arc is read: the array here has two, and a check that read
// them all would run far past it.
TEST(DerOid, TooManyArcsIsRefusedBeforeAnArcIsRead) {
  const uint32_t two[] = {3, 1};
  EXPECT_EQ(
      orbi::der::FindOidArcsFault(two, size_t{orbi::der::kMaxArcCount} + 1),
      orbi::der::ArcsFault::kTooManyArcs);
  EXPECT_EQ(orbi::der::FindOidArcsFault(two, 2),
            orbi::der::ArcsFault::kFirstArcAbove2);
}

}  // namespace
