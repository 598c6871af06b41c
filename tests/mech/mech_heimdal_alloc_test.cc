// The entry points of orbi_mech_heimdal.so that allocate differently from
// orbi_mech.so's, with the k-th allocation inside one call failed, for every
// k until the call runs to its end (tests/alloc/alloc_loop.h): the OID sets,
// handed out in the form Heimdal's gss_release_oid_set releases (the set and
// its array, not the OIDs' bytes), and the canonicalized name. The module's
// sources are built here against the seam build of the library, as for
// mech_alloc_test. Each failed step must report GSS_S_FAILURE with the
// library's NO_MEMORY (1) and leave its outputs empty; every step, released
// as Heimdal releases it, must leave nothing allocated.
extern "C" {
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
}
#include <string.h>

#include <functional>

#include "alloc_seam.h"
#include "gtest/gtest.h"
#include "mech_alloc_support.h"

namespace orbi_mech_test {
namespace {

// As Heimdal's gss_release_oid_set: the array and the set.
void ReleaseAsHeimdal(gss_OID_set* set) {
  if (*set == GSS_C_NO_OID_SET) return;
  orbi_alloc::Free((*set)->elements);
  orbi_alloc::Free(*set);
  *set = GSS_C_NO_OID_SET;
}

TEST(MechHeimdalAlloc, OidSets) {
  const char text[] = "alice";
  gss_buffer_desc input = {5, const_cast<char*>(text)};
  gss_name_t name = GSS_C_NO_NAME;
  OM_uint32 minor = 0;
  ASSERT_EQ(gss_import_name(&minor, &input, GSS_C_NO_OID, &name),
            GSS_S_COMPLETE);
  gss_OID_set set;
  gss_OID_set known;
  const struct {
    const char* label;
    std::function<OM_uint32(OM_uint32*)> call;
  } kCases[] = {
      {"gss_indicate_mechs",
       [&](OM_uint32* minor) { return gss_indicate_mechs(minor, &set); }},
      {"gss_inquire_mechs_for_name",
       [&](OM_uint32* minor) {
         return gss_inquire_mechs_for_name(minor, name, &set);
       }},
      {"gss_inquire_names_for_mech",
       [&](OM_uint32* minor) {
         return gss_inquire_names_for_mech(minor, &kMech, &set);
       }},
      {"gss_inquire_attrs_for_mech",
       [&](OM_uint32* minor) {
         return gss_inquire_attrs_for_mech(minor, &kMech, &set, &known);
       }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    ExpectNoMemoryOrSuccess(
        [&](OM_uint32* minor) {
          set = known = reinterpret_cast<gss_OID_set>(1);
          return c.call(minor);
        },
        [&](bool failed) {
          // known is an output of gss_inquire_attrs_for_mech alone.
          const bool has_known = known != reinterpret_cast<gss_OID_set>(1);
          if (failed) {
            EXPECT_EQ(set, GSS_C_NO_OID_SET);
            if (has_known) {
              EXPECT_EQ(known, GSS_C_NO_OID_SET);
            }
          } else {
            EXPECT_NE(set, GSS_C_NO_OID_SET);
          }
          ReleaseAsHeimdal(&set);
          if (has_known) ReleaseAsHeimdal(&known);
        });
  }
  gss_release_name(&minor, &name);
}

TEST(MechHeimdalAlloc, Canonicalize) {
  const char text[] = "db/users\nalice";
  gss_buffer_desc input = {strlen(text), const_cast<char*>(text)};
  gss_name_t name = GSS_C_NO_NAME;
  OM_uint32 minor = 0;
  ASSERT_EQ(gss_import_name(&minor, &input, GSS_C_NO_OID, &name),
            GSS_S_COMPLETE);
  gss_name_t canonical;
  ExpectNoMemoryOrSuccess(
      [&](OM_uint32* minor) {
        canonical = reinterpret_cast<gss_name_t>(1);
        return gss_canonicalize_name(minor, name, &kMech, &canonical);
      },
      [&](bool failed) {
        if (failed) {
          EXPECT_EQ(canonical, GSS_C_NO_NAME);
        }
        OM_uint32 ignored;
        if (canonical != GSS_C_NO_NAME) gss_release_name(&ignored, &canonical);
      });
  gss_release_name(&minor, &name);
}

}  // namespace
}  // namespace orbi_mech_test
