// Tests of CopyExpandedName: one new name per entry of a name's text.
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

// Texts of a chain, checking that each member carries the source's types and
// the nameLength that ChangeExternalName gives; destroys the chain.
std::vector<std::string> TakeChain(PLVORBIInternalName* first,
                                   const PLVORBIInternalName& source) {
  std::vector<std::string> texts;
  while (first != nullptr) {
    texts.push_back(TextOf(*first));
    EXPECT_EQ(Peer::nameType(*first), Peer::nameType(source));
    EXPECT_EQ(Peer::mechType(*first), Peer::mechType(source));
    EXPECT_EQ(Peer::nameLength(*first), texts.back().size() + 1);
    EXPECT_NE(first, &source);
    PLVORBIInternalName* next = first->GetNextMember();
    delete first;
    first = next;
  }
  return texts;
}

TEST(CopyExpandedName, OneMemberPerEntry) {
  const struct {
    const char* label;
    const char* text;
    std::vector<std::string> members;
    bool end_of_list;
  } kCases[] = {
      {"three entries",
       "db\nalice\nbob\ncarol",
       {"db\nalice", "db\nbob", "db\ncarol"},
       false},
      {"path only", "db", {"db"}, true},
      {"empty last entry", "db\nalice\n", {"db\nalice", "db\n"}, false},
      {"only an empty entry", "db\n", {"db\n"}, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName source, next;
    BindRecord(source, c.text);
    ASSERT_EQ(source.SetNextMember(&next), status::SUCCESS);
    TraceRecorder recorder;
    PLVORBIInternalName* first = source.CopyExpandedName();
    std::vector<std::string> level1;
    for (const std::string& t : recorder.texts(kLevel1)) {
      if (t.rfind(kCopyExpandedNameText, 0) == 0) {
        level1.push_back(t);
      }
    }
    EXPECT_EQ(level1,
              c.end_of_list
                  ? std::vector<std::string>{kCopyExpandedNameEndOfListText}
                  : std::vector<std::string>{});
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(TakeChain(first, source), c.members);
    // The source is unchanged, its link included.
    EXPECT_EQ(TextOf(source), c.text);
    EXPECT_EQ(source.GetNextMember(), &next);
  }
}

TEST(CopyExpandedName, NoDatabasePathGivesNull) {
  const struct {
    const char* label;
    const char* text;  // null: a name without text
  } kCases[] = {
      {"no text", nullptr},
      {"empty text", ""},
      {"leading separator", "\nalice\nbob"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName source;
    BindRecord(source, c.text);
    TraceRecorder recorder;
    EXPECT_EQ(source.CopyExpandedName(), nullptr);
    // Not a shortage of memory, and not the end of a list.
    for (const std::string& t : recorder.texts(kLevel1)) {
      EXPECT_NE(t, kCopyExpandedNameNoMemoryText);
      EXPECT_NE(t, kCopyExpandedNameEndOfListText);
    }
  }
}

TEST(CopyExpandedName, LongWalkReadsEveryEntryOnce) {
  // Many entries: the expansion continues from the cursor, so the member
  // count and order follow the entries exactly.
  std::string text = "db";
  std::vector<std::string> expected;
  for (int i = 0; i < 500; ++i) {
    std::string entry = "user" + std::to_string(i);
    text += "\n" + entry;
    expected.push_back("db\n" + entry);
  }
  PLVORBIInternalName source;
  BindRecord(source, text.c_str());
  PLVORBIInternalName* first = source.CopyExpandedName();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(TakeChain(first, source), expected);
}

// Building the chain of an expansion takes steps linear in its length: each
// member is linked behind the last one, never after a walk from the first.
// The steps are counted through the trace records of the chain's link
// operations, which every step writes.
TEST(CopyExpandedName, ChainIsBuiltInLinearSteps) {
  for (int count : {16, 256}) {
    SCOPED_TRACE(count);
    std::string text = "db";
    for (int i = 0; i < count; ++i) text += "\ne" + std::to_string(i);
    PLVORBIInternalName source;
    BindRecord(source, text.c_str());
    PLVORBIInternalName* first = nullptr;
    size_t steps = 0;
    {
      TraceRecorder recorder;
      first = source.CopyExpandedName();
      for (const std::string& t : recorder.texts(kEntryLevel)) {
        if (t == kGetNextMemberText || t == kSetNextMemberText) ++steps;
      }
    }
    ASSERT_NE(first, nullptr);
    // One link per member behind the first, and no walk.
    EXPECT_LE(steps, static_cast<size_t>(count));
    EXPECT_EQ(TakeChain(first, source).size(), static_cast<size_t>(count));
  }
}

// --- Trace records -----------------------------------------------------------

TEST(EntriesTrace, ExpansionIsTracedAroundItsSteps) {
  PLVORBIInternalName name;
  BindRecord(name, "db");
  TraceRecorder recorder;
  PLVORBIInternalName* first = name.CopyExpandedName();
  ASSERT_NE(first, nullptr);
  std::vector<std::string> entries = recorder.texts(kEntryLevel);
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries.front(), kCopyExpandedNameText);
  EXPECT_EQ(recorder.texts(kExitLevel).back(), kCopyExpandedNameText);
  std::vector<TraceRecord> records = recorder.records();
  bool found = false;
  for (const TraceRecord& r : records) {
    if (r.level == kLevel1 && r.text == kCopyExpandedNameEndOfListText) {
      found = true;
      EXPECT_EQ(r.file, kNameSource);
      EXPECT_GT(r.line, 0u);
    }
  }
  EXPECT_TRUE(found);
  recorder.clear();
  TakeChain(first, name);
}

}  // namespace
