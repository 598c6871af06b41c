// The library's headers with their own RFC 2744 definitions, as on a platform
// without a GSS-API header, against the library as it was built (with the
// platform's header, where there is one). Linking at all shows that the
// mangled names, and so the ABI, are the same either way.
#define ORBI_NAME_OWN_GSS_TYPES 1
#include <stddef.h>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"

#ifdef _GSSAPI_H_
#error "the platform's GSS-API header was included"
#endif

namespace {

static_assert(offsetof(gss_buffer_desc, length) == 0, "RFC 2744 layout");
static_assert(offsetof(gss_buffer_desc, value) == sizeof(size_t),
              "RFC 2744 layout");
static_assert(offsetof(gss_OID_desc, elements) == sizeof(void*),
              "RFC 2744 layout");

TEST(OwnGssTypes, NameRoundTripThroughTheBuiltLibrary) {
  char text[] = "alice";
  gss_buffer_desc input = {5, text};
  PLVORBIInternalName name;
  ASSERT_EQ(name.Set(static_cast<gss_OID>(nullptr), &input),
            orbi_name::status::SUCCESS);
  gss_buffer_desc shown = {0, nullptr};
  gss_OID type = nullptr;
  ASSERT_EQ(name.Display(&shown, &type), orbi_name::status::SUCCESS);
  EXPECT_EQ(shown.length, 5u);
  EXPECT_STREQ(static_cast<char*>(shown.value), "alice");
  EXPECT_EQ(type, ORBIGetOID(kORBIDefaultNameTypeIndex));
  free(shown.value);
}

}  // namespace
