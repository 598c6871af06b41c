// The checks shared by the two include orders: the types are the platform's,
// and what the library hands out the platform's functions release.
#ifndef ORBI_NAME_TESTS_GSS_HEADERS_GSS_HEADERS_CHECK_H_
#define ORBI_NAME_TESTS_GSS_HEADERS_GSS_HEADERS_CHECK_H_

#include <string.h>

#include <type_traits>

#include "gtest/gtest.h"

namespace {

static_assert(std::is_same<decltype(gss_buffer_desc::length), size_t>::value,
              "gss_buffer_desc counts in size_t");
static_assert(std::is_same<gss_buffer_t, gss_buffer_desc_struct*>::value,
              "one buffer type");
static_assert(std::is_same<gss_OID, gss_OID_desc_struct*>::value,
              "one OID type");

TEST(GssHeaders, BuffersAndOidsPassBetweenLibraryAndPlatform) {
  char text[] = "alice";
  gss_buffer_desc input = {strlen(text), text};
  PLVORBIInternalName name;
  ASSERT_EQ(name.Set(GSS_C_NO_OID, &input), orbi_name::status::SUCCESS);
  ASSERT_EQ(name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)),
            orbi_name::status::SUCCESS);

  // A token the library made is released by the platform's function.
  gss_buffer_desc token = GSS_C_EMPTY_BUFFER;
  ASSERT_EQ(name.Export(&token), orbi_name::status::SUCCESS);
  EXPECT_GT(token.length, 5u);
  OM_uint32 minor = 0;
  EXPECT_EQ(gss_release_buffer(&minor, &token), GSS_S_COMPLETE);
  EXPECT_EQ(token.value, nullptr);

  // A platform OID with the library's value is the library's OID.
  gss_OID_set mechs = GSS_C_NO_OID_SET;
  ASSERT_EQ(gss_create_empty_oid_set(&minor, &mechs), GSS_S_COMPLETE);
  ASSERT_EQ(
      gss_add_oid_set_member(&minor, ORBIGetOID(kORBIMechanismIndex), &mechs),
      GSS_S_COMPLETE);
  EXPECT_EQ(name.CanonicalizeName(&mechs->elements[0]),
            orbi_name::status::SUCCESS);
  gss_release_oid_set(&minor, &mechs);

  // The library's statuses map to majors the platform's macros understand.
  EXPECT_FALSE(
      GSS_ERROR(orbi_name::GssMajorStatus(orbi_name::status::SUCCESS)));
  EXPECT_TRUE(
      GSS_ERROR(orbi_name::GssMajorStatus(orbi_name::status::BAD_NAME_TYPE)));
}

}  // namespace

#endif  // ORBI_NAME_TESTS_GSS_HEADERS_GSS_HEADERS_CHECK_H_
