// Where RFC 6680's `more` runs out: the module's objects built with the last
// entry index that *more can lead to set to 3 instead of 2^31 - 1, so that a
// name of a few entries meets the limit that otherwise only a text of more
// than 2 GiB meets. The entry points are called directly.
extern "C" {
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
}
#include <stdlib.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "module_test_support.h"

namespace orbi_mech_test {
namespace {

struct Reading {
  std::vector<std::string> values;
  OM_uint32 major = GSS_S_COMPLETE;
  OM_uint32 minor = 0;
  int more = -1;
};

// ReadAll reads the entries of text until the iteration ends or is refused.
Reading ReadAll(const std::string& text) {
  Reading out;
  OM_uint32 minor = 0;
  gss_buffer_desc input = {text.size(), const_cast<char*>(text.data())};
  gss_name_t name = GSS_C_NO_NAME;
  EXPECT_EQ(gss_import_name(&minor, &input, GSS_C_NO_OID, &name),
            GSS_S_COMPLETE);
  gss_buffer_desc attr = {kEntriesAttribute.size(),
                          const_cast<char*>(kEntriesAttribute.data())};
  do {
    gss_buffer_desc value = {77, kJunk};
    out.major = gss_get_name_attribute(&out.minor, name, &attr, nullptr,
                                       nullptr, &value, nullptr, &out.more);
    if (out.major != GSS_S_COMPLETE) {
      EXPECT_EQ(value.value, nullptr);
      break;
    }
    out.values.emplace_back(static_cast<char*>(value.value), value.length);
    free(value.value);
  } while (out.more != 0);
  gss_release_name(&minor, &name);
  return out;
}

TEST(MechAttributeLimit, TheEntryAtTheLastIndexIsHandedOutOnlyAsTheLast) {
  // Entries at indices 0 to 3: the one at 3 is the last, and is handed out.
  const Reading four = ReadAll("db\na\nb\nc\nd");
  EXPECT_EQ(four.major, GSS_S_COMPLETE);
  EXPECT_EQ(four.values, (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(four.more, 0);
  // With an entry behind it, *more cannot lead on: the call that asks for
  // it says so, and the caller keeps the *more it asked with.
  const Reading five = ReadAll("db\na\nb\nc\nd\ne");
  EXPECT_EQ(five.major, GSS_S_UNAVAILABLE);
  EXPECT_EQ(five.minor, kValueOutOfReach);
  EXPECT_EQ(five.values, (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(five.more, 3);
}

}  // namespace
}  // namespace orbi_mech_test
