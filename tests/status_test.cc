// The statuses' names, messages and GSS-API major statuses.
#include "orbi_name/status.h"

#include <set>
#include <string>

#include "gtest/gtest.h"

namespace {

namespace status = orbi_name::status;

// RFC 2744 section 3.9.1 major status values.
constexpr OM_uint32 kComplete = 0;
constexpr OM_uint32 kCallInaccessibleRead = 1u << 24;
constexpr OM_uint32 kBadMech = 1u << 16;
constexpr OM_uint32 kBadNameType = 3u << 16;
constexpr OM_uint32 kFailure = 13u << 16;
constexpr OM_uint32 kUnavailable = 16u << 16;
constexpr OM_uint32 kNameNotMn = 18u << 16;

// The routine and calling error fields of a major status, as GSS_ERROR
// reads them.
bool IsGssError(OM_uint32 major) { return (major & 0xFFFF0000u) != 0; }

TEST(Status, NamesMessagesAndMajorStatuses) {
  const struct {
    OM_uint32 status;
    const char* name;
    OM_uint32 major;
  } kCases[] = {
      {status::SUCCESS, "SUCCESS", kComplete},
      {status::NO_MEMORY, "NO_MEMORY", kFailure},
      {status::NO_MECH, "NO_MECH", kNameNotMn},
      {status::LABEL_NOT_SET, "LABEL_NOT_SET", kFailure},
      {status::END_OF_LIST, "END_OF_LIST", kFailure},
      {status::NO_SUCH_MEMBER, "NO_SUCH_MEMBER", kFailure},
      {status::NO_ALGORITHM_CODE, "NO_ALGORITHM_CODE", kUnavailable},
      {status::BAD_INPUT, "BAD_INPUT", kCallInaccessibleRead},
      {status::INVALID_MECH, "INVALID_MECH", kBadMech},
      {status::MECH_NOT_SUPPORTED, "MECH_NOT_SUPPORTED", kBadMech},
      {status::BAD_NAME_TYPE, "BAD_NAME_TYPE", kBadNameType},
      {status::BAD_OID, "BAD_OID", kFailure},
  };
  std::set<std::string> messages;
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(orbi_name::StatusName(c.status), nullptr);
    EXPECT_STREQ(orbi_name::StatusName(c.status), c.name);
    const char* message = orbi_name::StatusMessage(c.status);
    ASSERT_NE(message, nullptr);
    EXPECT_TRUE(messages.insert(message).second) << "message used twice";
    EXPECT_EQ(orbi_name::GssMajorStatus(c.status), c.major);
    // Only success is no error to a GSS-API caller.
    EXPECT_EQ(IsGssError(c.major), c.status != status::SUCCESS);
  }
}

TEST(Status, UnknownValues) {
  for (OM_uint32 value : {3u, 8u, 11u, 37u, 39u, 0x30000u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(value);
    EXPECT_EQ(orbi_name::StatusName(value), nullptr);
    EXPECT_EQ(orbi_name::StatusMessage(value), nullptr);
    EXPECT_EQ(orbi_name::GssMajorStatus(value), kFailure);
  }
}

}  // namespace
