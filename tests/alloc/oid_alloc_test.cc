// Allocation failures in the OID value's operations: for each allocation
// the call makes, the status, the value left behind, what is handed out, and
// that nothing is left over. The counts of allocation points are asserted.
#include <string.h>

#include <string>
#include <vector>

#include "alloc_loop.h"
#include "gtest/gtest.h"
#include "orbi_name/internal_oid.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalOIDPeer;

// 1.2.840.113549.3.7 (RFC 8018): text form and DER content octets.
constexpr char kText[] = "{1 2 840 113549 3 7}";
unsigned char kDer[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x07};
const std::vector<uint32_t> kArcs = {1, 2, 840, 113549, 3, 7};
// The value held before each call: 1.3.6.
const std::vector<uint32_t> kOldArcs = {1, 3, 6};

// An ASN.1 object holding kArcs, made once before any loop runs.
const PLVASNObjectID& AsnObject() {
  static PLVASNObjectID* object = [] {
    auto* made = new PLVASNObjectID(0);
    unsigned long arcs[] = {1, 2, 840, 113549, 3, 7};
    EXPECT_EQ(made->set_value(arcs, 6), 0);
    return made;
  }();
  return *object;
}

// A value holding arcs, for the calls that read one.
void Load(PLVORBIInternalOID& value, const char* text) {
  EXPECT_EQ(value.set(text), status::SUCCESS);
}

// Loops that change the value: on failure the value is either left as it was
// or emptied, as each operation's contract says.
TEST(OidAlloc, Setters) {
  AsnObject();
  enum After { kUnchanged, kEmpty };
  const struct {
    const char* label;
    OM_uint32 (*call)(PLVORBIInternalOID&);
    After after_failure;
    int points;
  } kCases[] = {
      {"set(text), brace form",
       [](PLVORBIInternalOID& v) { return v.set(kText); }, kUnchanged, 1},
      {"set(text), dotted form",
       [](PLVORBIInternalOID& v) { return v.set("1.2.840.113549.3.7"); },
       kUnchanged, 1},
      {"set(gss_OID)",
       [](PLVORBIInternalOID& v) {
         gss_OID_desc oid = {sizeof kDer, kDer};
         return v.set(&oid);
       },
       // The value's block, decoded into straight.
       kEmpty, 1},
      {"set(PLVASNObjectID*)",
       [](PLVORBIInternalOID& v) { return v.set(&AsnObject()); }, kEmpty, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const int points = RunAllocLoop([&](long k) {
      PLVORBIInternalOID value;
      Load(value, "1.3.6");
      OM_uint32 result;
      bool failed;
      {
        orbi_alloc::FailNth fail(k);
        result = c.call(value);
        failed = fail.failed();
      }
      if (failed) {
        EXPECT_EQ(result, status::NO_MEMORY);
        if (c.after_failure == kUnchanged) {
          EXPECT_EQ(Peer::arcVector(value), kOldArcs);
        } else {
          EXPECT_EQ(Peer::arcCount(value), 0u);
          EXPECT_EQ(Peer::arcs(value), nullptr);
        }
      } else {
        EXPECT_EQ(result, status::SUCCESS);
        EXPECT_EQ(Peer::arcVector(value), kArcs);
      }
      return failed;
    });
    EXPECT_EQ(points, c.points);
  }
}

TEST(OidAlloc, TextForm) {
  const int points = RunAllocLoop([&](long k) {
    PLVORBIInternalOID value;
    Load(value, kText);
    char* text = reinterpret_cast<char*>(1);
    OM_uint32 result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = value.get(text);
      failed = fail.failed();
    }
    EXPECT_EQ(Peer::arcVector(value), kArcs);
    if (failed) {
      EXPECT_EQ(result, status::NO_MEMORY);
      EXPECT_EQ(text, nullptr);
    } else {
      EXPECT_EQ(result, status::SUCCESS);
      EXPECT_STREQ(text, kText);
      orbi_alloc::Free(text);
    }
    return failed;
  });
  EXPECT_EQ(points, 1);
}

TEST(OidAlloc, GssOidForm) {
  const struct {
    const char* text;
    int points;
  } kCases[] = {
      // The descriptor and its elements, encoded into straight.
      {kText, 2},
      // As many arcs as they come: still the same two blocks.
      {"{1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24 25 "
       "26 27 28 29 30 31 32 33 34 35}",
       2},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    const int points = RunAllocLoop([&](long k) {
      PLVORBIInternalOID value;
      Load(value, c.text);
      const std::vector<uint32_t> arcs = Peer::arcVector(value);
      gss_OID oid = reinterpret_cast<gss_OID>(1);
      OM_uint32 result;
      bool failed;
      {
        orbi_alloc::FailNth fail(k);
        result = value.get(oid);
        failed = fail.failed();
      }
      EXPECT_EQ(Peer::arcVector(value), arcs);
      if (failed) {
        EXPECT_EQ(result, status::NO_MEMORY);
        EXPECT_EQ(oid, nullptr);
      } else {
        EXPECT_EQ(result, status::SUCCESS);
        PLVORBIInternalOID back;
        EXPECT_EQ(back.set(oid), status::SUCCESS);
        EXPECT_EQ(Peer::arcVector(back), arcs);
        orbi_alloc::Free(oid->elements);
        orbi_alloc::Free(oid);
      }
      return failed;
    });
    EXPECT_EQ(points, c.points);
  }
}

TEST(OidAlloc, AsnObjectForms) {
  // get(PLVASNObjectID*&): the object, then its arcs.
  int points = RunAllocLoop([&](long k) {
    PLVORBIInternalOID value;
    Load(value, kText);
    PLVASNObjectID* object = reinterpret_cast<PLVASNObjectID*>(1);
    OM_uint32 result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = value.get(object);
      failed = fail.failed();
    }
    if (failed) {
      EXPECT_EQ(result, status::NO_MEMORY);
      EXPECT_EQ(object, nullptr);
    } else {
      EXPECT_EQ(result, status::SUCCESS);
      EXPECT_TRUE(value.isEqual(object));
      orbi_alloc::DeleteObjectID(object);
    }
    return failed;
  });
  EXPECT_EQ(points, 2);

  // writeTo: the object's arcs; the object is emptied on failure.
  points = RunAllocLoop([&](long k) {
    PLVORBIInternalOID value;
    Load(value, kText);
    PLVASNObjectID object(0);
    OM_uint32 result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = value.writeTo(object);
      failed = fail.failed();
    }
    EXPECT_EQ(result, failed ? status::NO_MEMORY : status::SUCCESS);
    EXPECT_EQ(value.isEqual(&object), failed ? 0 : 1);
    return failed;
  });
  EXPECT_EQ(points, 1);
}

// Comparisons report no status: an argument that cannot be read for want of
// memory compares as the empty value. They must neither leak nor crash, and
// an equal argument can then only be found unequal.
TEST(OidAlloc, Comparisons) {
  const struct {
    const char* label;
    int (*call)(const PLVORBIInternalOID&);
    int points;
  } kCases[] = {
      {"isEqual(text)",
       [](const PLVORBIInternalOID& v) {
         return v.isEqual("1.2.840.113549.3.7");
       },
       1},
      {"isEqual(gss_OID)",
       [](const PLVORBIInternalOID& v) {
         gss_OID_desc oid = {sizeof kDer, kDer};
         return v.isEqual(&oid);
       },
       1},
      {"isEqual(PLVORBIInternalOID*)",
       [](const PLVORBIInternalOID& v) { return v.isEqual(&v); }, 0},
      {"OIDChecker, equal bytes elsewhere",
       [](const PLVORBIInternalOID&) {
         unsigned char copy[sizeof kDer];
         memcpy(copy, kDer, sizeof kDer);
         gss_OID_desc a = {sizeof kDer, kDer};
         gss_OID_desc b = {sizeof copy, copy};
         return PLVORBIInternalOID::OIDChecker(&a, &b);
       },
       0},
      {"ConvertFromOIDToTS",
       [](const PLVORBIInternalOID&) {
         unsigned int code = 0;
         gss_OID_desc oid = {sizeof kDer, kDer};
         return PLVORBIInternalOID::ConvertFromOIDToTS(&oid, &code) ==
                            status::SUCCESS &&
                        code == 256
                    ? 1
                    : 0;
       },
       0},
      {"GetMatchingOIDFromTable",
       [](const PLVORBIInternalOID& v) {
         return v.GetMatchingOIDFromTable(ORBIGetOID(kORBIMechanismIndex)) ==
                        ORBIGetOID(kORBIMechanismIndex)
                    ? 1
                    : 0;
       },
       0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const int points = RunAllocLoop([&](long k) {
      PLVORBIInternalOID value;
      Load(value, kText);
      int equal;
      bool failed;
      {
        orbi_alloc::FailNth fail(k);
        equal = c.call(value);
        failed = fail.failed();
      }
      if (!failed) {
        EXPECT_EQ(equal, 1);
      }
      return failed;
    });
    EXPECT_EQ(points, c.points);
  }
}

}  // namespace
