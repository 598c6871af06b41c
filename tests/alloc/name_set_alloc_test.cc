// Allocation failures in the name set's operations: AddMember makes a copy
// of the caller's name, CopyExpandedNameSet expands every member and adds
// the names. The operations that only walk or remove allocate nothing.
#include <string>
#include <vector>

#include "alloc_loop.h"
#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

void SetText(PLVORBIInternalName& name, const std::string& text) {
  gss_buffer_desc buffer = {static_cast<OM_uint32>(text.size()),
                            const_cast<char*>(text.data())};
  EXPECT_EQ(name.Set(static_cast<gss_OID>(nullptr), &buffer), status::SUCCESS);
}

// The texts of a set's members, in order.
std::vector<std::string> Texts(PLVORBIInternalNameSet& set) {
  std::vector<std::string> texts;
  for (PLVORBIInternalName* m = set.GetMember(nullptr); m != nullptr;
       m = set.GetMember(m)) {
    texts.push_back(Peer::nameValue(*m) != nullptr ? Peer::nameValue(*m)
                                                   : "<null>");
  }
  return texts;
}

void AddAll(PLVORBIInternalNameSet& set,
            const std::vector<std::string>& texts) {
  for (const std::string& text : texts) {
    PLVORBIInternalName name;
    SetText(name, text);
    int index = 0;
    EXPECT_EQ(set.AddMember(&name, index), status::SUCCESS);
  }
}

TEST(NameSetAlloc, AddMemberAddsNothingOnFailure) {
  const struct {
    const char* label;
    std::vector<std::string> members;
    const char* added;
    int index_on_failure;
    int index_on_success;
    int points;
  } kCases[] = {
      // The member's name object, then its copy of the text.
      {"empty set", {}, "alice", 0, 1, 2},
      {"new name at the end", {"alice", "bob"}, "carol", 2, 3, 2},
      {"name already present", {"alice", "bob"}, "bob", -1, 2, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const int points = RunAllocLoop([&](long k) {
      PLVORBIInternalNameSet set;
      AddAll(set, c.members);
      PLVORBIInternalName name;
      SetText(name, c.added);
      int index = -7;
      OM_uint32 result;
      bool failed;
      {
        orbi_alloc::FailNth fail(k);
        result = set.AddMember(&name, index);
        failed = fail.failed();
      }
      std::vector<std::string> expected = c.members;
      if (failed) {
        EXPECT_EQ(result, status::NO_MEMORY);
        EXPECT_EQ(index, c.index_on_failure);
      } else {
        EXPECT_EQ(result, status::SUCCESS);
        EXPECT_EQ(index, c.index_on_success);
        if (static_cast<size_t>(index) > c.members.size()) {
          expected.push_back(c.added);
        }
      }
      EXPECT_EQ(Texts(set), expected);
      EXPECT_EQ(set.RemoveAllMembers(), status::SUCCESS);
      return failed;
    });
    EXPECT_EQ(points, c.points);
  }
}

TEST(NameSetAlloc, WalkingAndRemovingAllocateNothing) {
  PLVORBIInternalNameSet set;
  AddAll(set, {"alice", "bob", "carol"});
  PLVORBIInternalName bob;
  SetText(bob, "bob");
  orbi_alloc::FailNth fail(0);
  EXPECT_EQ(set.GetCount(), 3u);
  EXPECT_NE(set.GetMember(set.GetMember(nullptr)), nullptr);
  EXPECT_EQ(set.RemoveMember(&bob), status::SUCCESS);
  EXPECT_EQ(set.RemoveAllMembers(), status::SUCCESS);
  PLVORBIInternalNameSet other;
  EXPECT_EQ(other.GetCount(), 0u);
  EXPECT_EQ(fail.count(), 0);
}

// CopyExpandedNameSet: 1 when a member's expansion fails (what earlier
// members added stays, later members add nothing); a name whose copy cannot
// be made is left out and the status stays 0. Every step must leave the
// destination free of duplicates and the source unchanged.
TEST(NameSetAlloc, CopyExpandedNameSet) {
  const std::vector<std::string> kSource = {"db\nalice\nbob", "db\nbob\ncarol"};
  const std::vector<std::string> kExpanded = {"db\nalice", "db\nbob",
                                              "db\ncarol"};
  int failures_reported = 0;
  int names_left_out = 0;
  const int points = RunAllocLoop([&](long k) {
    PLVORBIInternalNameSet source;
    AddAll(source, kSource);
    PLVORBIInternalNameSet destination;
    OM_uint32 result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = source.CopyExpandedNameSet(&destination);
      failed = fail.failed();
    }
    EXPECT_EQ(Texts(source), kSource);
    const std::vector<std::string> got = Texts(destination);
    // Whatever was added is kExpanded with some names left out, in order.
    size_t next = 0;
    for (const std::string& text : got) {
      while (next < kExpanded.size() && kExpanded[next] != text) ++next;
      EXPECT_LT(next, kExpanded.size()) << text << " out of order or twice";
      ++next;
    }
    if (!failed) {
      EXPECT_EQ(result, status::SUCCESS);
      EXPECT_EQ(got, kExpanded);
    } else if (result == status::NO_MEMORY) {
      ++failures_reported;
    } else {
      // A name left out by the first member's expansion may still come in
      // with the second's.
      EXPECT_EQ(result, status::SUCCESS);
      ++names_left_out;
    }
    EXPECT_EQ(source.RemoveAllMembers(), status::SUCCESS);
    EXPECT_EQ(destination.RemoveAllMembers(), status::SUCCESS);
    return failed;
  });
  // Each member's expansion: the path, two reads and two members of three
  // allocations each (9); each name added anew: its object and text (2).
  // The first member adds two names, the second one (bob is present).
  EXPECT_EQ(points, 9 + 2 * 2 + 9 + 2);
  EXPECT_EQ(failures_reported, 18);
  EXPECT_EQ(names_left_out, 6);
}

}  // namespace
