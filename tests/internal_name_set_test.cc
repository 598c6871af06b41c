// Tests of the name set (add, remove, count, walk, adoption) and of the
// expansion of one set into another.
#include "orbi_name/internal_name_set.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"
#include "trace_texts.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;
using SetPeer = PLVORBIInternalNameSetPeer;

// A name made with new, for adoption by a set.
PLVORBIInternalName* NewName(const char* text) {
  auto* name = new PLVORBIInternalName();
  SetRecord(*name, text);
  return name;
}

std::string Text(const PLVORBIInternalName& name) {
  const char* value = Peer::nameValue(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The members' texts in the order a GetMember walk yields them.
std::vector<std::string> Walk(PLVORBIInternalNameSet& set) {
  std::vector<std::string> texts;
  for (PLVORBIInternalName* m = set.GetMember(nullptr); m != nullptr;
       m = set.GetMember(m)) {
    texts.push_back(Text(*m));
  }
  return texts;
}

// Adds a name with each text; every one must be new.
void AddAll(PLVORBIInternalNameSet& set,
            const std::vector<std::string>& texts) {
  for (const std::string& text : texts) {
    PLVORBIInternalName name;
    SetRecord(name, text.c_str());
    int index = 0;
    ASSERT_EQ(set.AddMember(&name, index), status::SUCCESS);
    ASSERT_EQ(index, static_cast<int>(set.GetCount()));
  }
}

// A set that destroys its members when the test is done with it.
class OwningSet : public PLVORBIInternalNameSet {
 public:
  using PLVORBIInternalNameSet::PLVORBIInternalNameSet;
  ~OwningSet() { EXPECT_EQ(RemoveAllMembers(), status::SUCCESS); }
};

// --- AddMember -------------------------------------------------------------

TEST(NameSetAdd, NullMemberLeavesIndexAndSet) {
  OwningSet set;
  AddAll(set, {"alice"});
  int index = 42;
  EXPECT_EQ(set.AddMember(nullptr, index), status::NO_SUCH_MEMBER);
  EXPECT_EQ(index, 42);
  EXPECT_EQ(Walk(set), std::vector<std::string>{"alice"});
}

TEST(NameSetAdd, FirstAddKeepsASeparateCopy) {
  OwningSet set;
  auto* name = new PLVORBIInternalName();
  SetRecord(*name, "alice", ORBIGetOID(kORBIDefaultNameTypeIndex),
            ORBIGetOID(kORBIMechanismIndex));
  int index = 0;
  ASSERT_EQ(set.AddMember(name, index), status::SUCCESS);
  EXPECT_EQ(index, 1);
  PLVORBIInternalName* member = set.GetMember(nullptr);
  ASSERT_NE(member, nullptr);
  EXPECT_NE(member, name);
  EXPECT_EQ(*member == *name, 1);
  EXPECT_NE(Peer::nameValue(*member), Peer::nameValue(*name));
  EXPECT_EQ(member->GetNextMember(), nullptr);
  // Changing and then destroying the caller's name leaves the member alone.
  SetRecord(*name, "mallory");
  delete name;
  EXPECT_EQ(Text(*member), "alice");
  EXPECT_EQ(Peer::nameType(*member), ORBIGetOID(kORBIDefaultNameTypeIndex));
  EXPECT_EQ(Peer::mechType(*member), ORBIGetOID(kORBIMechanismIndex));
  EXPECT_EQ(set.GetCount(), 1u);
}

TEST(NameSetAdd, EqualMemberIsFoundAtItsPosition) {
  OwningSet set;
  const std::vector<std::string> five = {"a", "b", "c", "d", "e"};
  AddAll(set, five);
  const struct {
    const char* text;
    int index;
  } kCases[] = {{"a", 1}, {"c", 3}, {"e", 5}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    PLVORBIInternalName name;
    SetRecord(name, c.text);
    int index = 0;
    EXPECT_EQ(set.AddMember(&name, index), status::SUCCESS);
    EXPECT_EQ(index, c.index);
    EXPECT_EQ(set.GetCount(), 5u);
  }
  // One of the set's own members is found where it stands.
  PLVORBIInternalName* second = set.GetMember(set.GetMember(nullptr));
  int index = 0;
  EXPECT_EQ(set.AddMember(second, index), status::SUCCESS);
  EXPECT_EQ(index, 2);
  // A new name goes last.
  PLVORBIInternalName name;
  SetRecord(name, "f");
  ASSERT_EQ(set.AddMember(&name, index), status::SUCCESS);
  EXPECT_EQ(index, 6);
  ASSERT_EQ(set.AddMember(&name, index), status::SUCCESS);
  EXPECT_EQ(index, 6);
  EXPECT_EQ(Walk(set),
            (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
}

TEST(NameSetAdd, NamesThatDifferInOneFieldAreBothKept) {
  // The default name type's bytes held at another address.
  std::vector<unsigned char> bytes =
      OidBytes(ORBIGetOID(kORBIDefaultNameTypeIndex));
  gss_OID_desc equal_by_value{static_cast<OM_uint32>(bytes.size()),
                              bytes.data()};
  // "alice" imported from a buffer without a NUL: nameLength 5, where
  // ChangeExternalName gives 6.
  char alice[] = {'a', 'l', 'i', 'c', 'e'};
  gss_buffer_desc alice_without_nul{sizeof alice, alice};
  PLVORBIInternalName base;
  SetRecord(base, "alice", ORBIGetOID(kORBIDefaultNameTypeIndex),
            ORBIGetOID(kORBIMechanismIndex));
  const struct {
    const char* label;
    void (*make)(PLVORBIInternalName&, gss_OID, gss_buffer_t);
  } kCases[] = {
      {"text",
       [](PLVORBIInternalName& n, gss_OID, gss_buffer_t) {
         SetRecord(n, "alicf", ORBIGetOID(kORBIDefaultNameTypeIndex),
                   ORBIGetOID(kORBIMechanismIndex));
       }},
      {"nameLength",
       [](PLVORBIInternalName& n, gss_OID, gss_buffer_t buffer) {
         ASSERT_EQ(n.Set(ORBIGetOID(kORBIDefaultNameTypeIndex), buffer),
                   status::SUCCESS);
         ASSERT_EQ(n.SetMechType(ORBIGetOID(kORBIMechanismIndex)),
                   status::SUCCESS);
         ASSERT_EQ(Peer::nameLength(n), 5u);
         ASSERT_EQ(Text(n), "alice");
       }},
      {"type pointer equal by value",
       [](PLVORBIInternalName& n, gss_OID other_type, gss_buffer_t) {
         SetRecord(n, "alice", other_type, ORBIGetOID(kORBIMechanismIndex));
       }},
      {"no mechanism",
       [](PLVORBIInternalName& n, gss_OID, gss_buffer_t) {
         SetRecord(n, "alice", ORBIGetOID(kORBIDefaultNameTypeIndex), nullptr);
       }},
      {"mechanism pointer",
       [](PLVORBIInternalName& n, gss_OID, gss_buffer_t) {
         SetRecord(n, "alice", ORBIGetOID(kORBIDefaultNameTypeIndex),
                   ORBIGetOID(kReservedEntryIndex));
       }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    OwningSet set;
    int index = 0;
    ASSERT_EQ(set.AddMember(&base, index), status::SUCCESS);
    PLVORBIInternalName variant;
    c.make(variant, &equal_by_value, &alice_without_nul);
    ASSERT_EQ(set.AddMember(&variant, index), status::SUCCESS);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(set.GetCount(), 2u);
    // Each is found again at its own place.
    ASSERT_EQ(set.AddMember(&base, index), status::SUCCESS);
    EXPECT_EQ(index, 1);
    ASSERT_EQ(set.AddMember(&variant, index), status::SUCCESS);
    EXPECT_EQ(index, 2);
  }
}

// --- RemoveMember, RemoveAllMembers ----------------------------------------

TEST(NameSetRemove, TakesOutTheEqualMember) {
  const struct {
    const char* label;
    const char* remove;
    OM_uint32 status;
    std::vector<std::string> left;
  } kCases[] = {
      {"first", "a", status::SUCCESS, {"b", "c", "d"}},
      {"middle", "c", status::SUCCESS, {"a", "b", "d"}},
      {"last", "d", status::SUCCESS, {"a", "b", "c"}},
      {"absent", "x", status::NO_SUCH_MEMBER, {"a", "b", "c", "d"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    OwningSet set;
    AddAll(set, {"a", "b", "c", "d"});
    PLVORBIInternalName name;
    SetRecord(name, c.remove);
    EXPECT_EQ(set.RemoveMember(&name), c.status);
    EXPECT_EQ(Walk(set), c.left);
    EXPECT_EQ(set.GetCount(), c.left.size());
    // The chain still ends in a null link, and a new name goes last.
    PLVORBIInternalName* last = nullptr;
    for (PLVORBIInternalName* m = set.GetMember(nullptr); m != nullptr;
         m = set.GetMember(m)) {
      last = m;
    }
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(Text(*last), c.left.back());
    PLVORBIInternalName z;
    SetRecord(z, "z");
    int index = 0;
    ASSERT_EQ(set.AddMember(&z, index), status::SUCCESS);
    EXPECT_EQ(index, static_cast<int>(c.left.size()) + 1);
  }
}

TEST(NameSetRemove, RefusedWithoutAMemberToTake) {
  OwningSet set;
  PLVORBIInternalName name;
  SetRecord(name, "a");
  EXPECT_EQ(set.RemoveMember(nullptr), status::NO_SUCH_MEMBER);
  EXPECT_EQ(set.RemoveMember(&name), status::NO_SUCH_MEMBER);
  AddAll(set, {"a"});
  EXPECT_EQ(set.RemoveMember(nullptr), status::NO_SUCH_MEMBER);
  EXPECT_EQ(set.GetCount(), 1u);
}

TEST(NameSetRemove, OwnMemberPassedIn) {
  // The pointer from GetMember is the member destroyed.
  OwningSet set;
  AddAll(set, {"a", "b", "c"});
  PLVORBIInternalName* second = set.GetMember(set.GetMember(nullptr));
  EXPECT_EQ(set.RemoveMember(second), status::SUCCESS);
  EXPECT_EQ(Walk(set), (std::vector<std::string>{"a", "c"}));
}

TEST(NameSetRemove, AdoptedChainWithEqualNamesLosesOneAtATime) {
  PLVORBIInternalName* first = NewName("a");
  PLVORBIInternalName* twin1 = NewName("twin");
  PLVORBIInternalName* twin2 = NewName("twin");
  ASSERT_EQ(first->SetNextMember(twin1), status::SUCCESS);
  ASSERT_EQ(twin1->SetNextMember(twin2), status::SUCCESS);
  OwningSet set(first);
  EXPECT_EQ(set.GetCount(), 3u);
  PLVORBIInternalName twin;
  SetRecord(twin, "twin");
  ASSERT_EQ(set.RemoveMember(&twin), status::SUCCESS);
  EXPECT_EQ(set.GetMember(first), twin2) << "the first of the two goes";
  EXPECT_EQ(set.GetCount(), 2u);
  ASSERT_EQ(set.RemoveMember(&twin), status::SUCCESS);
  EXPECT_EQ(set.GetMember(first), nullptr);
  EXPECT_EQ(set.RemoveMember(&twin), status::NO_SUCH_MEMBER);
  EXPECT_EQ(Walk(set), std::vector<std::string>{"a"});
}

TEST(NameSetRemove, RemoveAllThenRefill) {
  OwningSet set;
  EXPECT_EQ(set.RemoveAllMembers(), status::SUCCESS);
  EXPECT_EQ(set.GetCount(), 0u);
  AddAll(set, {"a", "b", "c"});
  EXPECT_EQ(set.RemoveAllMembers(), status::SUCCESS);
  EXPECT_EQ(set.GetCount(), 0u);
  EXPECT_EQ(set.GetMember(nullptr), nullptr);
  EXPECT_EQ(SetPeer::firstMember(set), nullptr);
  AddAll(set, {"c", "a"});
  EXPECT_EQ(Walk(set), (std::vector<std::string>{"c", "a"}));
}

// --- Adoption, walk, destruction -------------------------------------------

TEST(NameSetWalk, AdoptedChainInChainOrder) {
  PLVORBIInternalName* first = NewName("x");
  PLVORBIInternalName* second = NewName("y");
  PLVORBIInternalName* third = NewName("z");
  ASSERT_EQ(first->SetNextMember(second), status::SUCCESS);
  ASSERT_EQ(second->SetNextMember(third), status::SUCCESS);
  OwningSet set(first);
  EXPECT_EQ(set.GetCount(), 3u);
  EXPECT_EQ(set.GetMember(nullptr), first);
  EXPECT_EQ(set.GetMember(first), second);
  EXPECT_EQ(set.GetMember(second), third);
  EXPECT_EQ(set.GetMember(third), nullptr);
  EXPECT_EQ(Walk(set), (std::vector<std::string>{"x", "y", "z"}));
}

TEST(NameSetWalk, EmptySets) {
  PLVORBIInternalNameSet empty;
  PLVORBIInternalNameSet adopted_null(nullptr);
  for (PLVORBIInternalNameSet* set : {&empty, &adopted_null}) {
    EXPECT_EQ(set->GetCount(), 0u);
    EXPECT_EQ(set->GetMember(nullptr), nullptr);
  }
}

TEST(NameSetWalk, DestroyingTheSetLeavesItsMembers) {
  PLVORBIInternalName* adopted = NewName("kept");
  PLVORBIInternalName* added = nullptr;
  {
    PLVORBIInternalNameSet set(adopted);
    PLVORBIInternalName name;
    SetRecord(name, "added");
    int index = 0;
    ASSERT_EQ(set.AddMember(&name, index), status::SUCCESS);
    added = set.GetMember(adopted);
  }
  ASSERT_NE(added, nullptr);
  // Both are alive and usable by their holder.
  EXPECT_EQ(Text(*adopted), "kept");
  EXPECT_EQ(adopted->GetNextMember(), added);
  char text[] = "changed";
  EXPECT_EQ(adopted->ChangeExternalName(text), status::SUCCESS);
  EXPECT_EQ(Text(*adopted), "changed");
  EXPECT_EQ(Text(*added), "added");
  delete added;
  delete adopted;
}

// --- Trace records -----------------------------------------------------------

TEST(NameSetTrace, EveryOperationIsTracedWithItsSignature) {
  TraceRecorder recorder(kTraceComponent, kEntryLevel | kExitLevel);
  {
    PLVORBIInternalName* adopted = NewName("a");
    PLVORBIInternalNameSet first(adopted);
    PLVORBIInternalNameSet set;
    recorder.clear();
    PLVORBIInternalName name;
    SetRecord(name, "b");
    recorder.clear();
    int index = 0;
    (void)set.AddMember(&name, index);
    (void)set.GetCount();
    (void)set.GetMember(nullptr);
    (void)set.RemoveMember(&name);
    (void)first.CopyExpandedNameSet(&set);
    (void)set.RemoveAllMembers();
    (void)first.RemoveAllMembers();
  }
  // The set operations' own records, among those of the member operations.
  std::vector<std::string> set_entries;
  for (const TraceRecord& r : recorder.records()) {
    if (r.level == kEntryLevel && r.file == kNameSetSource) {
      EXPECT_GT(r.line, 0u);
      set_entries.push_back(r.text);
    }
  }
  const std::vector<std::string> expected = {
      kAddMemberText,
      kGetCountText,
      kGetMemberText,
      kRemoveMemberText,
      kCopyExpandedNameSetText,
      // The expansion adds through the destination's AddMember.
      kAddMemberText,
      kRemoveAllMembersText,
      kRemoveAllMembersText,
      kNameSetDestructorText,
      kNameSetDestructorText,
  };
  EXPECT_EQ(set_entries, expected);
  // Every entry record has its exit record.
  size_t exits = 0;
  for (const TraceRecord& r : recorder.records()) {
    if (r.level == kExitLevel) {
      EXPECT_TRUE(r.file_null);
      ++exits;
    }
  }
  EXPECT_EQ(exits, recorder.texts(kEntryLevel).size());
}

TEST(NameSetTrace, Constructors) {
  TraceRecorder recorder(kTraceComponent, kEntryLevel);
  { PLVORBIInternalNameSet set; }
  { PLVORBIInternalNameSet set(nullptr); }
  std::vector<std::string> set_entries;
  for (const TraceRecord& r : recorder.records()) {
    if (r.file == kNameSetSource) set_entries.push_back(r.text);
  }
  EXPECT_EQ(set_entries,
            (std::vector<std::string>{
                kNameSetConstructorText, kNameSetDestructorText,
                kNameSetAdoptingConstructorText, kNameSetDestructorText}));
}

// --- CopyExpandedNameSet -----------------------------------------------------

TEST(ExpandedNameSet, ExpansionsJoinTheDestinationInOrder) {
  const struct {
    const char* label;
    std::vector<std::string> source;
    std::vector<std::string> destination;  // before the call
    std::vector<std::string> expected;     // after it
  } kCases[] = {
      {"empty source", {}, {"x"}, {"x"}},
      {"three entries",
       {"db\nalice\nbob\ncarol"},
       {},
       {"db\nalice", "db\nbob", "db\ncarol"}},
      {"path only", {"db"}, {}, {"db"}},
      {"shared names",
       {"db\nalice\nbob", "db\nbob\ncarol"},
       {},
       {"db\nalice", "db\nbob", "db\ncarol"}},
      {"destination holds one",
       {"db\nalice\nbob\ncarol"},
       {"x", "db\nbob"},
       {"x", "db\nbob", "db\nalice", "db\ncarol"}},
      {"two members, two paths",
       {"p\na", "q\na\nb"},
       {},
       {"p\na", "q\na", "q\nb"}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    OwningSet source, destination;
    AddAll(source, c.source);
    AddAll(destination, c.destination);
    EXPECT_EQ(source.CopyExpandedNameSet(&destination), status::SUCCESS);
    EXPECT_EQ(Walk(destination), c.expected);
    EXPECT_EQ(Walk(source), c.source);
    // Every expanded member keeps the source member's types.
    for (PLVORBIInternalName* m = destination.GetMember(nullptr); m != nullptr;
         m = destination.GetMember(m)) {
      EXPECT_EQ(Peer::nameType(*m), ORBIGetOID(kORBIDefaultNameTypeIndex));
    }
  }
}

TEST(ExpandedNameSet, MemberThatCannotBeExpandedStopsTheWalk) {
  // The middle member has no database path, so it has no expansion.
  const struct {
    const char* label;
    const char* failing;
  } kCases[] = {
      {"leading separator", "\nbob"},
      {"empty text", ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    OwningSet source, destination;
    AddAll(source, {"db\nalice\nann", c.failing, "db\ncarol"});
    EXPECT_EQ(source.CopyExpandedNameSet(&destination), status::NO_MEMORY);
    EXPECT_EQ(Walk(destination),
              (std::vector<std::string>{"db\nalice", "db\nann"}));
    EXPECT_EQ(source.GetCount(), 3u);
  }
}

TEST(ExpandedNameSet, NullOrSameDestinationIsRefused) {
  OwningSet set;
  AddAll(set, {"db\nalice"});
  EXPECT_EQ(set.CopyExpandedNameSet(nullptr), status::BAD_INPUT);
  EXPECT_EQ(set.CopyExpandedNameSet(&set), status::BAD_INPUT);
  EXPECT_EQ(Walk(set), std::vector<std::string>{"db\nalice"});
}

TEST(ExpandedNameSet, MembersAreSeparateCopies) {
  OwningSet source, destination;
  AddAll(source, {"db\nalice"});
  ASSERT_EQ(source.CopyExpandedNameSet(&destination), status::SUCCESS);
  ASSERT_EQ(source.CopyExpandedNameSet(&destination), status::SUCCESS);
  EXPECT_EQ(destination.GetCount(), 1u);
  PLVORBIInternalName* copy = destination.GetMember(nullptr);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, source.GetMember(nullptr));
  // Emptying the source leaves the destination's member whole.
  EXPECT_EQ(source.RemoveAllMembers(), status::SUCCESS);
  EXPECT_EQ(Text(*copy), "db\nalice");
}

}  // namespace
