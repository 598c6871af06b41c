// The module's own OIDs (mech/oids.h): each one's content octets are what
// OpenSSL, an encoder that shares nothing with this project's, makes of its
// dotted text.
#include <openssl/objects.h>

#include <vector>

#include "gtest/gtest.h"
#include "oids.h"

namespace {

TEST(MechOids, EveryOidIsItsDottedTextAsOpenSslEncodesIt) {
  for (const orbi_mech::KnownOid& oid : orbi_mech::kKnownOids) {
    SCOPED_TRACE(oid.dotted);
    ASN1_OBJECT* object = OBJ_txt2obj(oid.dotted, /*no_name=*/1);
    ASSERT_NE(object, nullptr);
    const unsigned char* content = OBJ_get0_data(object);
    const std::vector<unsigned char> expected(content,
                                              content + OBJ_length(object));
    ASN1_OBJECT_free(object);
    const auto* bytes = reinterpret_cast<const unsigned char*>(oid.der.bytes);
    EXPECT_EQ(std::vector<unsigned char>(bytes, bytes + oid.der.length),
              expected);
  }
}

}  // namespace
