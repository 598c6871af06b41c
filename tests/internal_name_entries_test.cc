// Tests of a name's database path and entries: GetDatabasePath, the three
// Read forms and their cursor.
#include <string.h>

#include <functional>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"
#include "trace_texts.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

constexpr unsigned long kEnd = ~0ul;

// Takes a copy handed out through a gss_buffer_desc: checks the zero byte
// that ends it and the length that counts it, and frees it.
std::string TakeCopy(gss_buffer_desc& buffer) {
  EXPECT_NE(buffer.value, nullptr);
  if (buffer.value == nullptr) return std::string();
  EXPECT_GE(buffer.length, 1u);
  const char* bytes = static_cast<const char*>(buffer.value);
  EXPECT_EQ(bytes[buffer.length - 1], '\0');
  std::string out(bytes, buffer.length - 1);
  free(buffer.value);
  buffer.value = nullptr;
  return out;
}

// One Read form: reads the next entry into its own destination and, on 0,
// gives back the entry's characters.
using Reader = std::function<OM_uint32(PLVORBIInternalName&, unsigned long&,
                                       std::string*)>;

const struct {
  const char* label;
  Reader read;
} kReaders[] = {
    {"gss_buffer_t",
     [](PLVORBIInternalName& name, unsigned long& cursor, std::string* out) {
       gss_buffer_desc entry{0, nullptr};
       OM_uint32 result = name.Read(&entry, cursor);
       if (result == status::SUCCESS) *out = TakeCopy(entry);
       return result;
     }},
    {"PLVASNBuffer",
     [](PLVORBIInternalName& name, unsigned long& cursor, std::string* out) {
       PLVASNBuffer entry(0);
       unsigned char stale[] = "old";
       EXPECT_EQ(entry.append(stale, sizeof stale), 0);
       OM_uint32 result = name.Read(&entry, cursor);
       if (result == status::SUCCESS) {
         // The buffer is cleared first and holds the characters and a zero.
         EXPECT_GE(entry.length, 1u);
         EXPECT_EQ(entry.data[entry.length - 1], 0);
         *out =
             std::string(reinterpret_cast<char*>(entry.data), entry.length - 1);
       } else {
         EXPECT_EQ(entry.length, sizeof stale);
       }
       return result;
     }},
    {"PLVASNLabelString",
     [](PLVORBIInternalName& name, unsigned long& cursor, std::string* out) {
       PLVASNLabelString label(0);
       OM_uint32 result = name.Read(&label, cursor);
       if (result == status::SUCCESS) {
         EXPECT_EQ(label.selected(), 1);
         EXPECT_NE(label.visibleString.value(), nullptr);
         *out = label.visibleString.value() != nullptr
                    ? label.visibleString.value()
                    : "";
       } else {
         EXPECT_EQ(label.selected(), -1);
       }
       return result;
     }},
};

// --- Database path -------------------------------------------------------

TEST(DatabasePath, FirstLineOrRefusal) {
  const struct {
    const char* label;
    const char* text;  // null: a name without text
    OM_uint32 status;
    const char* path;
  } kCases[] = {
      {"path only", "db", status::SUCCESS, "db"},
      {"path and entries", "db/users\nalice\nbob", status::SUCCESS, "db/users"},
      {"path and an empty entry", "db\n", status::SUCCESS, "db"},
      {"leading separator", "\nalice", status::BAD_INPUT, nullptr},
      {"empty text", "", status::BAD_INPUT, nullptr},
      {"no text", nullptr, status::BAD_INPUT, nullptr},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName name;
    BindRecord(name, c.text);
    char untouched[] = "untouched";
    gss_buffer_desc path{99, untouched};
    ASSERT_EQ(name.GetDatabasePath(&path), c.status);
    if (c.path != nullptr) {
      EXPECT_EQ(path.length, strlen(c.path) + 1);
      EXPECT_EQ(TakeCopy(path), c.path);
    } else {
      EXPECT_EQ(path.length, 99u);
      EXPECT_EQ(path.value, untouched);
    }
    EXPECT_EQ(TextOf(name), c.text != nullptr ? c.text : "");
  }
}

TEST(DatabasePath, NullDestination) {
  PLVORBIInternalName name;
  BindRecord(name, "db\nalice");
  EXPECT_EQ(name.GetDatabasePath(nullptr), status::BAD_INPUT);
}

// --- Read ------------------------------------------------------------------

TEST(ReadEntries, WalksEveryEntryIntoEachDestination) {
  const struct {
    const char* label;
    const char* text;  // null: a name without text
    std::vector<std::string> entries;
  } kCases[] = {
      {"path only", "db", {}},
      {"two characters", "ab", {}},
      {"no text", nullptr, {}},
      {"one entry", "db\nalice", {"alice"}},
      {"three entries", "db\nalice\nbob\ncarol", {"alice", "bob", "carol"}},
      {"empty last entry", "db\nalice\n", {"alice", ""}},
      {"only an empty entry", "db\n", {""}},
      {"empty middle entry", "db\nalice\n\ncarol", {"alice", "", "carol"}},
  };
  for (const auto& reader : kReaders) {
    SCOPED_TRACE(reader.label);
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.label);
      PLVORBIInternalName name;
      BindRecord(name, c.text);
      unsigned long cursor = 0;
      std::vector<std::string> seen;
      std::string entry;
      OM_uint32 result;
      while ((result = reader.read(name, cursor, &entry)) == status::SUCCESS) {
        seen.push_back(entry);
        EXPECT_NE(cursor, 0u) << "a position is never 0";
        ASSERT_LE(seen.size(), c.entries.size());
      }
      EXPECT_EQ(result, status::END_OF_LIST);
      EXPECT_EQ(seen, c.entries);
      EXPECT_EQ(cursor, kEnd);
      // The end state is kept.
      EXPECT_EQ(reader.read(name, cursor, &entry), status::END_OF_LIST);
      EXPECT_EQ(cursor, kEnd);
      EXPECT_EQ(TextOf(name), c.text != nullptr ? c.text : "");
    }
  }
}

TEST(ReadEntries, ImportedTextsEndAtLengthOrFirstNul) {
  // Imported from buffers: nameLength is the buffer's length, which need not
  // count a NUL, and the text ends at the first NUL within it.
  const struct {
    const char* label;
    std::string bytes;
    std::vector<std::string> entries;
    std::vector<std::string> expansion;
  } kCases[] = {
      {"no NUL, empty last entry ending at nameLength",
       std::string("db\nalice\n"),
       {"alice", ""},
       {"db\nalice", "db\n"}},
      {"no NUL", std::string("db\nalice"), {"alice"}, {"db\nalice"}},
      {"embedded NUL", std::string("db\nal\0ice\nbob", 13), {"al"}, {"db\nal"}},
  };
  for (const auto& reader : kReaders) {
    SCOPED_TRACE(reader.label);
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.label);
      std::string bytes = c.bytes;
      gss_buffer_desc input{static_cast<OM_uint32>(bytes.size()), bytes.data()};
      PLVORBIInternalName name;
      ASSERT_EQ(name.Set(ORBIGetOID(kORBIDefaultNameTypeIndex), &input),
                status::SUCCESS);
      ASSERT_EQ(Peer::nameLength(name), bytes.size());
      unsigned long cursor = 0;
      std::vector<std::string> seen;
      std::string entry;
      OM_uint32 result;
      while ((result = reader.read(name, cursor, &entry)) == status::SUCCESS) {
        seen.push_back(entry);
        ASSERT_LE(seen.size(), c.entries.size());
      }
      EXPECT_EQ(result, status::END_OF_LIST);
      EXPECT_EQ(seen, c.entries);
      std::vector<std::string> members;
      for (PLVORBIInternalName* m = name.CopyExpandedName(); m != nullptr;) {
        members.push_back(TextOf(*m));
        PLVORBIInternalName* next = m->GetNextMember();
        delete m;
        m = next;
      }
      EXPECT_EQ(members, c.expansion);
    }
  }
}

TEST(ReadEntries, LastEntryEndsTheWalkAtOnce) {
  // Reading the last entry sets the cursor to all ones, an empty entry too.
  PLVORBIInternalName name;
  BindRecord(name, "db\nalice\n");
  unsigned long cursor = 0;
  gss_buffer_desc entry{0, nullptr};
  ASSERT_EQ(name.Read(&entry, cursor), status::SUCCESS);
  EXPECT_EQ(TakeCopy(entry), "alice");
  EXPECT_NE(cursor, kEnd);
  ASSERT_EQ(name.Read(&entry, cursor), status::SUCCESS);
  EXPECT_EQ(entry.length, 1u);
  EXPECT_EQ(TakeCopy(entry), "");
  EXPECT_EQ(cursor, kEnd);
}

TEST(ReadEntries, NullDestinationTouchesNothing) {
  PLVORBIInternalName name;
  BindRecord(name, "db\nalice");
  for (unsigned long start : {0ul, kEnd}) {
    unsigned long cursor = start;
    EXPECT_EQ(name.Read(static_cast<gss_buffer_t>(nullptr), cursor),
              status::BAD_INPUT);
    EXPECT_EQ(name.Read(static_cast<PLVASNBuffer*>(nullptr), cursor),
              status::BAD_INPUT);
    EXPECT_EQ(name.Read(static_cast<PLVASNLabelString*>(nullptr), cursor),
              status::BAD_INPUT);
    EXPECT_EQ(cursor, start);
  }
}

TEST(ReadEntries, LabelNeedsTheTablesDefaultTypeObject) {
  // The default name type's bytes held at another address.
  std::vector<unsigned char> bytes =
      OidBytes(ORBIGetOID(kORBIDefaultNameTypeIndex));
  gss_OID_desc equal_by_value{static_cast<OM_uint32>(bytes.size()),
                              bytes.data()};
  const struct {
    const char* label;
    gss_OID type;
  } kCases[] = {
      {"equal by value only", &equal_by_value},
      {"no type", nullptr},
      {"anonymous type", ORBIGetOID(kORBIAnonymousNameTypeIndex)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName name;
    BindRecord(name, "db\nalice");
    Peer::setNameType(name, c.type);
    PLVASNLabelString label(0);
    unsigned long cursor = 0;
    EXPECT_EQ(name.Read(&label, cursor), status::BAD_NAME_TYPE);
    EXPECT_EQ(cursor, 0u);
    EXPECT_EQ(label.selected(), -1);
    EXPECT_EQ(label.visibleString.value(), nullptr);
    // The other forms do not look at the type.
    gss_buffer_desc entry{0, nullptr};
    ASSERT_EQ(name.Read(&entry, cursor), status::SUCCESS);
    EXPECT_EQ(TakeCopy(entry), "alice");
  }
}

TEST(ReadEntries, LabelRefusingAnEntryStillAdvances) {
  PLVORBIInternalName name;
  BindRecord(name, "db\nbad\tentry\nok");
  PLVASNLabelString label(0);
  unsigned long cursor = 0;
  EXPECT_EQ(name.Read(&label, cursor), status::LABEL_NOT_SET);
  EXPECT_EQ(label.selected(), -1);
  ASSERT_EQ(name.Read(&label, cursor), status::SUCCESS);
  EXPECT_STREQ(label.visibleString.value(), "ok");
  EXPECT_EQ(label.selected(), 1);
  EXPECT_EQ(cursor, kEnd);
}

// A cursor that is not a position of the name's current text is refused
// with 10; cursor and destination stay as they were.
void ExpectRefused(PLVORBIInternalName& name, unsigned long cursor) {
  for (const auto& reader : kReaders) {
    SCOPED_TRACE(reader.label);
    unsigned long held = cursor;
    std::string entry = "untouched";
    EXPECT_EQ(reader.read(name, held, &entry), status::BAD_INPUT);
    EXPECT_EQ(held, cursor);
    EXPECT_EQ(entry, "untouched");
  }
}

TEST(ReadCursor, MadeUpValuesAreRefused) {
  PLVORBIInternalName name;
  BindRecord(name, "db\nalice\nbob\ncarol");
  unsigned long cursor = 0;
  gss_buffer_desc entry{0, nullptr};
  ASSERT_EQ(name.Read(&entry, cursor), status::SUCCESS);
  EXPECT_EQ(TakeCopy(entry), "alice");
  const unsigned long valid = cursor;
  const struct {
    const char* label;
    unsigned long cursor;
  } kCases[] = {
      {"small offsets", 1},
      {"offset of the second entry without check", 9},
      {"offset past the text", 1000},
      {"low half all ones", 0xFFFFFFFFul},
      {"high half all ones", 0xFFFFFFFF00000009ul},
      {"a check bit flipped", valid ^ (1ul << 40)},
      {"the top bit set", valid | (1ul << 63)},
      {"offset moved by one", valid + 1},
      {"offset moved back by one", valid - 1},
      {"all ones but one", kEnd - 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    ExpectRefused(name, c.cursor);
  }
  // The valid cursor still reads on.
  ASSERT_EQ(name.Read(&entry, cursor), status::SUCCESS);
  EXPECT_EQ(TakeCopy(entry), "bob");
}

TEST(ReadCursor, CursorOfAnotherNameIsRefused) {
  PLVORBIInternalName first, second;
  BindRecord(first, "db\nalice\nbob");
  BindRecord(second, "db\nalice\nbob");
  unsigned long cursor = 0;
  gss_buffer_desc entry{0, nullptr};
  ASSERT_EQ(first.Read(&entry, cursor), status::SUCCESS);
  EXPECT_EQ(TakeCopy(entry), "alice");
  ExpectRefused(second, cursor);
}

TEST(ReadCursor, StaleCursorAfterTheTextChanged) {
  const struct {
    const char* label;
    const char* text;  // null: Clean
  } kCases[] = {
      {"shorter text", "db\nal"},
      {"longer text", "db\nalice\nbob\ncarol\ndave"},
      {"same length, no separator at the old place", "dbxalicexbob"},
      {"no text", nullptr},
      {"path only", "d"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName name;
    BindRecord(name, "db\nalice\nbob");
    unsigned long cursor = 0;
    gss_buffer_desc entry{0, nullptr};
    ASSERT_EQ(name.Read(&entry, cursor), status::SUCCESS);
    EXPECT_EQ(TakeCopy(entry), "alice");
    BindRecord(name, c.text);
    ExpectRefused(name, cursor);
  }
}

TEST(ReadCursor, StaleCursorOfTheSameShapeIsRefused) {
  // The new text has the old length and a separator before the old offset;
  // wherever its block sits, the old cursor is not a position of it.
  // (tests/alloc/cursor_reuse_test.cc puts it into the old block.)
  PLVORBIInternalName name;
  BindRecord(name, "db\nalice\nbob");
  unsigned long cursor = 0;
  gss_buffer_desc entry{0, nullptr};
  ASSERT_EQ(name.Read(&entry, cursor), status::SUCCESS);
  EXPECT_EQ(TakeCopy(entry), "alice");
  BindRecord(name, "xyzuvwst\nQRS");
  ExpectRefused(name, cursor);
}

TEST(ReadCursor, NameWithoutTextHasNoEntries) {
  PLVORBIInternalName name;
  BindRecord(name, nullptr);
  unsigned long cursor = 0;
  gss_buffer_desc entry{7, nullptr};
  EXPECT_EQ(name.Read(&entry, cursor), status::END_OF_LIST);
  EXPECT_EQ(cursor, kEnd);
  EXPECT_EQ(entry.length, 7u);
  ExpectRefused(name, 0x0000000500000003ul);
}

TEST(EntriesTrace, EntryAndExitTexts) {
  PLVORBIInternalName name;
  BindRecord(name, "db\nalice\nbob");
  TraceRecorder recorder;
  gss_buffer_desc buffer{0, nullptr};
  ASSERT_EQ(name.GetDatabasePath(&buffer), status::SUCCESS);
  TakeCopy(buffer);
  unsigned long cursor = 0;
  ASSERT_EQ(name.Read(&buffer, cursor), status::SUCCESS);
  TakeCopy(buffer);
  PLVASNBuffer asn(0);
  ASSERT_EQ(name.Read(&asn, cursor), status::SUCCESS);
  cursor = 0;
  PLVASNLabelString label(0);
  ASSERT_EQ(name.Read(&label, cursor), status::SUCCESS);
  const std::vector<std::string> expected = {
      kGetDatabasePathText, kReadBufferText, kReadAsnBufferText,
      kReadBufferText,      kReadLabelText,  kReadBufferText,
  };
  EXPECT_EQ(recorder.texts(kEntryLevel), expected);
  // Every entry record names the source path; the forms that call the
  // gss_buffer_t form close after it.
  for (const TraceRecord& r : recorder.records()) {
    if (r.level == kEntryLevel) {
      EXPECT_EQ(r.file, kNameSource);
      EXPECT_GT(r.line, 0u);
    }
  }
  const std::vector<std::string> exits = {
      kGetDatabasePathText, kReadBufferText, kReadBufferText,
      kReadAsnBufferText,   kReadBufferText, kReadLabelText,
  };
  EXPECT_EQ(recorder.texts(kExitLevel), exits);
}

}  // namespace
