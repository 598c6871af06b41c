// Tests of the name record: construction, Clean, the name type and mechanism
// accessors, the chain link, ChangeExternalName, equality and copy, and the
// trace discipline every traced operation follows.
#include "orbi_name/internal_name.h"

#include <string.h>

#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"
#include "trace_texts.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

// Gives name the text and returns it, for one-line set-up.
PLVORBIInternalName& WithText(PLVORBIInternalName& name, const char* text) {
  std::string copy(text);
  EXPECT_EQ(name.ChangeExternalName(copy.data()), status::SUCCESS);
  return name;
}

std::string Text(const PLVORBIInternalName& name) {
  const char* value = Peer::nameValue(name);
  return value == nullptr ? std::string() : std::string(value);
}

// --- The record --------------------------------------------------------

TEST(NameRecord, NewRecordIsEmpty) {
  PLVORBIInternalName name;
  EXPECT_EQ(Peer::nameValue(name), nullptr);
  EXPECT_EQ(Peer::nameLength(name), 0u);
  EXPECT_EQ(Peer::nameType(name), nullptr);
  EXPECT_EQ(Peer::mechType(name), nullptr);
  EXPECT_EQ(Peer::separator(name), '\n');
  EXPECT_EQ(Peer::tokenId(name), 0x0401u);
  EXPECT_EQ(name.GetNameType(), ORBIGetOID(kORBIDefaultNameTypeIndex));
  EXPECT_EQ(Peer::nameType(name), nullptr) << "GetNameType must not store";
  EXPECT_EQ(name.GetNextMember(), nullptr);
  PLVORBIInternalName other;
  EXPECT_EQ(name == other, 1);
}

TEST(NameRecord, CleanKeepsChainAndIsRepeatable) {
  PLVORBIInternalName name, next;
  WithText(name, "alice");
  Peer::setNameType(name, ORBIGetOID(kORBIDefaultNameTypeIndex));
  ASSERT_EQ(name.SetMechType(ORBIGetOID(kORBIMechanismIndex)), status::SUCCESS);
  ASSERT_EQ(name.SetNextMember(&next), status::SUCCESS);
  EXPECT_EQ(name.Clean(), status::SUCCESS);
  EXPECT_EQ(Peer::nameValue(name), nullptr);
  EXPECT_EQ(Peer::nameLength(name), 0u);
  EXPECT_EQ(Peer::nameType(name), nullptr);
  EXPECT_EQ(Peer::mechType(name), nullptr);
  EXPECT_EQ(name.GetNextMember(), &next);
  EXPECT_EQ(name.Clean(), status::SUCCESS);
  EXPECT_EQ(name.GetNextMember(), &next);
  EXPECT_EQ(name.SetNextMember(nullptr), status::SUCCESS);
  EXPECT_EQ(name.GetNextMember(), nullptr);
}

TEST(NameRecord, SetMechTypeStoresOnlyTheTablePointer) {
  // An equal OID held elsewhere: the same bytes as the mechanism.
  gss_OID mech = ORBIGetOID(kORBIMechanismIndex);
  std::vector<unsigned char> bytes = OidBytes(mech);
  gss_OID_desc copy{mech->length, bytes.data()};
  const struct {
    const char* label;
    gss_OID mech;
    OM_uint32 status;
    gss_OID stored;
  } kCases[] = {
      {"null", nullptr, status::BAD_INPUT, nullptr},
      {"equal bytes elsewhere", &copy, status::MECH_NOT_SUPPORTED, nullptr},
      {"another table entry", ORBIGetOID(kORBIDefaultNameTypeIndex),
       status::MECH_NOT_SUPPORTED, nullptr},
      {"the mechanism", mech, status::SUCCESS, mech},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName name;
    EXPECT_EQ(name.SetMechType(c.mech), c.status);
    EXPECT_EQ(Peer::mechType(name), c.stored);
  }
}

TEST(NameRecord, ChangeExternalNameCountsTheNul) {
  PLVORBIInternalName name;
  Peer::setNameType(name, ORBIGetOID(kORBIDefaultNameTypeIndex));
  WithText(name, "bob");
  EXPECT_EQ(Text(name), "bob");
  EXPECT_EQ(Peer::nameLength(name), 4u);
  WithText(name, "");
  ASSERT_NE(Peer::nameValue(name), nullptr);
  EXPECT_EQ(Peer::nameValue(name)[0], '\0');
  EXPECT_EQ(Peer::nameLength(name), 1u);
  EXPECT_EQ(Peer::nameType(name), ORBIGetOID(kORBIDefaultNameTypeIndex))
      << "type is kept";
}

TEST(NameRecord, ChangeExternalNameRefusesNull) {
  PLVORBIInternalName name;
  Peer::setNameType(name, ORBIGetOID(kORBIDefaultNameTypeIndex));
  WithText(name, "carol");
  EXPECT_EQ(name.ChangeExternalName(nullptr), status::BAD_INPUT);
  EXPECT_EQ(Text(name), "carol");
  EXPECT_EQ(Peer::nameLength(name), 6u);
  EXPECT_EQ(Peer::nameType(name), ORBIGetOID(kORBIDefaultNameTypeIndex));
}

// --- Equality ----------------------------------------------------------

// A record's wanted text bytes, name type and mechanism.
struct RecordSpec {
  std::string bytes;
  gss_OID type;
  gss_OID mech;
};

// Fills name with the wanted record: the bytes (embedded NULs included) plus
// the NUL that ChangeExternalName counts, so nameLength is bytes.size() + 1.
void FillRecord(PLVORBIInternalName& name, const RecordSpec& wanted) {
  PLVORBIInternalName source;
  std::string placeholder(wanted.bytes.size(), 'x');
  ASSERT_EQ(source.ChangeExternalName(placeholder.data()), status::SUCCESS);
  memcpy(const_cast<char*>(Peer::nameValue(source)), wanted.bytes.data(),
         wanted.bytes.size());
  name = source;  // operator= copies all nameLength bytes
  Peer::setNameType(name, wanted.type);
  if (wanted.mech != nullptr) {
    ASSERT_EQ(name.SetMechType(wanted.mech), status::SUCCESS);
  }
}

TEST(NameRecord, EqualityOverLengthTextTypeAndMechanism) {
  gss_OID type = ORBIGetOID(kORBIDefaultNameTypeIndex);
  gss_OID mech = ORBIGetOID(kORBIMechanismIndex);
  std::vector<unsigned char> type_bytes = OidBytes(type);
  gss_OID_desc type_copy{type->length, type_bytes.data()};
  const struct {
    const char* label;
    RecordSpec a, b;
    int equal;
  } kCases[] = {
      {"same", {"alice", type, mech}, {"alice", type, mech}, 1},
      {"different text", {"alice", type, mech}, {"alicf", type, mech}, 0},
      {"different length", {"alice", type, mech}, {"alice2", type, mech}, 0},
      {"type null vs set", {"alice", nullptr, mech}, {"alice", type, mech}, 0},
      {"equal type at another address",
       {"alice", type, mech},
       {"alice", &type_copy, mech},
       0},
      {"mechanism missing", {"alice", type, mech}, {"alice", type, nullptr}, 0},
      {"differ only behind an embedded NUL",
       {std::string("ab\0cd", 5), type, mech},
       {std::string("ab\0xy", 5), type, mech},
       1},
      {"differ before the embedded NUL",
       {std::string("ab\0cd", 5), type, mech},
       {std::string("ax\0cd", 5), type, mech},
       0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName a, b;
    FillRecord(a, c.a);
    FillRecord(b, c.b);
    EXPECT_EQ(a == b, c.equal);
    EXPECT_EQ(b == a, c.equal);
  }
}

TEST(NameRecord, EqualityWithoutTextDoesNotCrash) {
  PLVORBIInternalName empty, cleaned, with_empty_text;
  WithText(cleaned, "dave");
  cleaned.Clean();
  EXPECT_EQ(empty == cleaned, 1);
  WithText(with_empty_text, "");  // nameLength 1: not equal to no text
  EXPECT_EQ(empty == with_empty_text, 0);
  EXPECT_EQ(with_empty_text == empty, 0);
}

// --- Copy --------------------------------------------------------------

TEST(NameRecord, AssignmentIsADeepCopyThatKeepsTheLink) {
  PLVORBIInternalName a, b, link;
  a.SetNextMember(&link);
  WithText(b, "erin");
  Peer::setNameType(b, ORBIGetOID(kORBIDefaultNameTypeIndex));
  b.SetMechType(ORBIGetOID(kORBIMechanismIndex));
  a = b;
  EXPECT_EQ(a == b, 1);
  EXPECT_NE(Peer::nameValue(a), Peer::nameValue(b));
  EXPECT_EQ(Peer::nameLength(a), 5u);
  EXPECT_EQ(Peer::nameType(a), ORBIGetOID(kORBIDefaultNameTypeIndex));
  EXPECT_EQ(Peer::mechType(a), ORBIGetOID(kORBIMechanismIndex));
  EXPECT_EQ(a.GetNextMember(), &link);
  WithText(b, "frank");
  EXPECT_EQ(Text(a), "erin");
  EXPECT_EQ(a == b, 0);
}

TEST(NameRecord, AssignmentCopiesEmbeddedNulBytes) {
  PLVORBIInternalName a, b;
  FillRecord(b, {std::string("p\0q", 3), ORBIGetOID(kORBIDefaultNameTypeIndex),
                 nullptr});
  a = b;
  ASSERT_EQ(Peer::nameLength(a), 4u);
  EXPECT_EQ(memcmp(Peer::nameValue(a), "p\0q\0", 4), 0);
  EXPECT_EQ(Peer::nameValue(a)[4], '\0') << "a NUL stands behind the copy";
}

TEST(NameRecord, AssignmentFromEmptyAndToSelf) {
  PLVORBIInternalName a, empty;
  WithText(a, "gina");
  // Through a second reference, as self-assignment reaches a real caller;
  // clang refuses a literal "a = a" under -Werror.
  PLVORBIInternalName& same = a;
  a = same;
  EXPECT_EQ(Text(a), "gina");
  EXPECT_EQ(Peer::nameLength(a), 5u);
  a = empty;
  EXPECT_EQ(Peer::nameValue(a), nullptr);
  EXPECT_EQ(Peer::nameLength(a), 0u);
  EXPECT_EQ(a == empty, 1);
}

// --- Trace discipline --------------------------------------------------

TEST(NameTrace, EntryAndExitRecords) {
  PLVORBIInternalName name;
  TraceRecorder recorder;
  name.Clean();
  std::vector<TraceRecord> records = recorder.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].file, kNameSource);
  EXPECT_FALSE(records[0].file_null);
  EXPECT_GT(records[0].line, 0u);
  EXPECT_EQ(records[0].level, kEntryLevel);
  EXPECT_EQ(records[0].text, kCleanText);
  EXPECT_TRUE(records[1].file_null);
  EXPECT_EQ(records[1].line, 0u);
  EXPECT_EQ(records[1].level, kExitLevel);
  EXPECT_EQ(records[1].text, kCleanText);
}

TEST(NameTrace, TextsOfTracedOperations) {
  TraceRecorder recorder;
  {
    PLVORBIInternalName name, other;
    name.GetNameType();
    name.SetMechType(ORBIGetOID(kORBIMechanismIndex));
    name.GetNextMember();
    name.SetNextMember(nullptr);
    recorder.clear();
  }
  // Two destructors, each with its Clean inside.
  EXPECT_EQ(recorder.texts(kEntryLevel),
            (std::vector<std::string>{kNameDestructorText, kCleanText,
                                      kNameDestructorText, kCleanText}));
  recorder.clear();
  PLVORBIInternalName name;
  name.GetNameType();
  name.SetMechType(ORBIGetOID(kORBIMechanismIndex));
  name.GetNextMember();
  name.SetNextMember(nullptr);
  EXPECT_EQ(recorder.texts(kEntryLevel),
            (std::vector<std::string>{kNameConstructorText, kGetNameTypeText,
                                      kSetMechTypeText, kGetNextMemberText,
                                      kSetNextMemberText}));
  EXPECT_EQ(recorder.texts(kExitLevel), recorder.texts(kEntryLevel));
}

TEST(NameTrace, LevelOneRecordsOnly) {
  PLVORBIInternalName a, b;
  TraceRecorder recorder;
  char text[] = "henry";
  a.ChangeExternalName(text);
  a.ChangeExternalName(nullptr);
  (void)(a == b);
  a = b;
  std::vector<TraceRecord> records = recorder.records();
  const char* kTexts[] = {kChangeExternalNameText, kChangeExternalNameText,
                          kEqualText, kAssignText};
  ASSERT_EQ(records.size(), 4u);
  for (size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(records[i].level, 1u);
    EXPECT_EQ(records[i].file, kNameSource);
    EXPECT_GT(records[i].line, 0u);
    EXPECT_EQ(records[i].text, kTexts[i]);
  }
}

TEST(NameTrace, MasksAndWriteResultDecideWhatIsWritten) {
  const struct {
    const char* label;
    uint32_t on;
    uint32_t component_mask;
    uint32_t level_mask;
    int write_result;
    std::vector<unsigned long> levels;
  } kCases[] = {
      {"all", 1, kTraceComponent, 0xFFFFFFFFu, 1, {kEntryLevel, kExitLevel}},
      {"entry level only", 1, kTraceComponent, kEntryLevel, 1, {kEntryLevel}},
      {"exit level only: no entry, so no exit due",
       1,
       kTraceComponent,
       kExitLevel,
       1,
       {}},
      {"entry write returns 0",
       1,
       kTraceComponent,
       0xFFFFFFFFu,
       0,
       {kEntryLevel}},
      {"off", 0, kTraceComponent, 0xFFFFFFFFu, 1, {}},
      {"component masked out", 1, 0x200, 0xFFFFFFFFu, 1, {}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName name;
    TraceRecorder recorder(c.component_mask, c.level_mask);
    PLVTrace::s_defaultTracePtr->on = c.on;
    recorder.set_write_result(c.write_result);
    name.GetNameType();
    std::vector<unsigned long> levels;
    for (const TraceRecord& r : recorder.records()) levels.push_back(r.level);
    EXPECT_EQ(levels, c.levels);
  }
}

TEST(NameTrace, LevelOneMaskedOut) {
  PLVORBIInternalName name;
  TraceRecorder recorder(kTraceComponent, kEntryLevel | kExitLevel);
  char text[] = "ivy";
  name.ChangeExternalName(text);
  EXPECT_TRUE(recorder.records().empty());
}

TEST(NameTrace, NothingWithoutTracing) {
  // The default trace object starts off; a sink set without turning it on
  // receives nothing.
  PLVORBIInternalName name;
  std::vector<std::string> seen;
  PLVTrace::s_defaultTracePtr->SetSink(
      [](void* context, const char*, unsigned int, unsigned long,
         const char* text, unsigned int length) {
        static_cast<std::vector<std::string>*>(context)->emplace_back(text,
                                                                      length);
        return 1;
      },
      &seen);
  name.Clean();
  PLVTrace::s_defaultTracePtr->SetSink(nullptr, nullptr);
  EXPECT_TRUE(seen.empty());
}

}  // namespace
