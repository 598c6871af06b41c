// Allocation failures in the service stand-ins that the library calls: the
// ASN.1 buffer, object identifier and character string. The OID table hands
// out static objects and allocates nothing.
#include <string.h>

#include <vector>

#include "alloc_loop.h"
#include "gtest/gtest.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"

namespace {

// 1.2.840.113549.3.7: arcs and DER content octets (RFC 8018).
unsigned long kArcs[] = {1, 2, 840, 113549, 3, 7};
unsigned char kDer[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x07};

TEST(ServicesAlloc, BufferAppend) {
  unsigned char bytes[40];
  memset(bytes, 'x', sizeof bytes);
  const int points = RunAllocLoop([&](long k) {
    PLVASNBuffer buffer(0);
    EXPECT_EQ(buffer.append(bytes, 10), 0);  // capacity 16
    int result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = buffer.append(bytes, sizeof bytes);  // grows to 64
      failed = fail.failed();
    }
    if (failed) {
      EXPECT_NE(result, 0);
      EXPECT_EQ(buffer.length, 10u);  // unchanged
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(buffer.length, 50u);
    }
    EXPECT_EQ(memcmp(buffer.data, bytes, 10), 0);
    return failed;
  });
  EXPECT_EQ(points, 1);
}

TEST(ServicesAlloc, ObjectIdFromArcs) {
  const int points = RunAllocLoop([&](long k) {
    PLVASNObjectID object(0);
    int result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = object.set_value(kArcs, 6);
      failed = fail.failed();
    }
    unsigned long* arcs = nullptr;
    unsigned int count = 99;
    EXPECT_EQ(object.get_value(arcs, count), 0);
    if (failed) {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(count, 0u);  // empty
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(std::vector<unsigned long>(arcs, arcs + count),
                std::vector<unsigned long>(kArcs, kArcs + 6));
    }
    return failed;
  });
  EXPECT_EQ(points, 1);
}

TEST(ServicesAlloc, ObjectIdFromDer) {
  const int points = RunAllocLoop([&](long k) {
    PLVASNObjectID object(0);
    unsigned long two[] = {2, 5};
    EXPECT_EQ(object.set_value(two, 2), 0);
    int result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = object.set_value(kDer, sizeof kDer);
      failed = fail.failed();
    }
    unsigned long* arcs = nullptr;
    unsigned int count = 0;
    EXPECT_EQ(object.get_value(arcs, count), 0);
    if (failed) {
      EXPECT_NE(result, 0);
      EXPECT_EQ(std::vector<unsigned long>(arcs, arcs + count),
                (std::vector<unsigned long>{2, 5}));  // left as it was
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(count, 6u);
    }
    return failed;
  });
  EXPECT_EQ(points, 1);
}

TEST(ServicesAlloc, ObjectIdEncode) {
  const int points = RunAllocLoop([&](long k) {
    PLVASNObjectID object(0);
    EXPECT_EQ(object.set_value(kArcs, 6), 0);
    PLVASNBuffer buffer(0);
    int result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = object.get_value(buffer);
      failed = fail.failed();
    }
    if (failed) {
      EXPECT_NE(result, 0);
      EXPECT_EQ(buffer.length, 0u);
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_EQ(
          std::vector<unsigned char>(buffer.data, buffer.data + buffer.length),
          std::vector<unsigned char>(kDer, kDer + sizeof kDer));
    }
    return failed;
  });
  // The scratch block, then the buffer's growth.
  EXPECT_EQ(points, 2);
}

TEST(ServicesAlloc, VisibleString) {
  const int points = RunAllocLoop([&](long k) {
    PLVASNLabelString label(0);
    char first[] = "first";
    char second[] = "second";
    EXPECT_EQ(label.visibleString.set_value_visible(first), 0);
    int result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = label.visibleString.set_value_visible(second);
      failed = fail.failed();
    }
    if (failed) {
      EXPECT_NE(result, 0);
      EXPECT_STREQ(label.visibleString.value(), "first");
    } else {
      EXPECT_EQ(result, 0);
      EXPECT_STREQ(label.visibleString.value(), "second");
    }
    return failed;
  });
  EXPECT_EQ(points, 1);
}

TEST(ServicesAlloc, OidTableAllocatesNothing) {
  orbi_alloc::FailNth fail(0);
  for (int i = 0; i < kORBIOIDTableSize; ++i) ASSERT_NE(ORBIGetOID(i), nullptr);
  EXPECT_EQ(fail.count(), 0);
}

}  // namespace
