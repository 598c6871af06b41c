// The statuses' names, messages and GSS-API major statuses.
#include "orbi_name/status.h"

#include <iterator>
#include <map>
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

// The rows of orbi_name/status.def, as a program that reads the list sees
// them.
struct Row {
  OM_uint32 value;
  const char* name;
  const char* major_name;
  const char* message;
};
constexpr Row kRows[] = {
#define ORBI_NAME_STATUS(NAME, value, major_status, message) \
  {status::NAME, #NAME, "GSS_S_" #major_status, message},
#include "orbi_name/status.def"
};

// Applications store and compare the statuses, so every number, name and
// major status is written out here once, from nowhere else: a change of the
// list that changes one fails this test. A status added to the list is
// added here too.
TEST(Status, NumbersNamesAndMajorStatusesNeverChange) {
  const struct {
    OM_uint32 constant;
    OM_uint32 value;
    const char* name;
    OM_uint32 major;
  } kPinned[] = {
      {status::SUCCESS, 0, "SUCCESS", kComplete},
      {status::NO_MEMORY, 1, "NO_MEMORY", kFailure},
      {status::NO_MECH, 2, "NO_MECH", kNameNotMn},
      {status::LABEL_NOT_SET, 4, "LABEL_NOT_SET", kFailure},
      {status::END_OF_LIST, 5, "END_OF_LIST", kFailure},
      {status::NO_SUCH_MEMBER, 6, "NO_SUCH_MEMBER", kFailure},
      {status::NO_ALGORITHM_CODE, 7, "NO_ALGORITHM_CODE", kUnavailable},
      {status::BAD_INPUT, 10, "BAD_INPUT", kCallInaccessibleRead},
      {status::INVALID_MECH, 23, "INVALID_MECH", kBadMech},
      {status::MECH_NOT_SUPPORTED, 24, "MECH_NOT_SUPPORTED", kBadMech},
      {status::BAD_NAME_TYPE, 36, "BAD_NAME_TYPE", kBadNameType},
      {status::BAD_OID, 38, "BAD_OID", kFailure},
  };
  ASSERT_EQ(std::size(kRows), std::size(kPinned))
      << "a status was added to or removed from orbi_name/status.def";
  for (size_t i = 0; i < std::size(kPinned); ++i) {
    const auto& pinned = kPinned[i];
    SCOPED_TRACE(pinned.name);
    EXPECT_EQ(pinned.constant, pinned.value);
    EXPECT_EQ(kRows[i].value, pinned.value);
    EXPECT_STREQ(kRows[i].name, pinned.name);
    EXPECT_STREQ(orbi_name::StatusName(pinned.value), pinned.name);
    EXPECT_EQ(orbi_name::GssMajorStatus(pinned.value), pinned.major);
    // Only success is no error to a GSS-API caller.
    EXPECT_EQ(IsGssError(pinned.major), pinned.value != status::SUCCESS);
  }
}

// Every row of the list is what the library answers: its name, its message
// (each one a status's own) and its major status.
TEST(Status, TheLibraryAnswersWithTheList) {
  // The major statuses the rows name, by name (RFC 2744 section 3.9.1).
  const std::map<std::string, OM_uint32> kMajors = {
      {"GSS_S_COMPLETE", kComplete},
      {"GSS_S_CALL_INACCESSIBLE_READ", kCallInaccessibleRead},
      {"GSS_S_BAD_MECH", kBadMech},
      {"GSS_S_BAD_NAMETYPE", kBadNameType},
      {"GSS_S_FAILURE", kFailure},
      {"GSS_S_UNAVAILABLE", kUnavailable},
      {"GSS_S_NAME_NOT_MN", kNameNotMn},
  };
  std::set<OM_uint32> values;
  std::set<std::string> messages;
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.name);
    EXPECT_TRUE(values.insert(row.value).second) << "value used twice";
    ASSERT_NE(orbi_name::StatusName(row.value), nullptr);
    EXPECT_STREQ(orbi_name::StatusName(row.value), row.name);
    const char* message = orbi_name::StatusMessage(row.value);
    ASSERT_NE(message, nullptr);
    EXPECT_STREQ(message, row.message);
    EXPECT_TRUE(messages.insert(message).second) << "message used twice";
    const auto major = kMajors.find(row.major_name);
    ASSERT_NE(major, kMajors.end()) << row.major_name;
    EXPECT_EQ(orbi_name::GssMajorStatus(row.value), major->second);
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
