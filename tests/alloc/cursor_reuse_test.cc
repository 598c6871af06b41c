// Entry cursors against an allocator that hands a freed block straight back.
//
// A cursor is valid only for the text its name held when Read made it. These
// cases put a new text into the very block the old text used (the seam's
// ReuseFreedBlocks does what glibc's caches do, in every build,
// AddressSanitizer included), so a check that went by the block's address would
// take the old cursor for a position of the new text. Each case asserts first
// that the block did come back, then that the old cursor is refused and touches
// nothing.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "alloc_seam.h"
#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

void Import(PLVORBIInternalName& name, const std::string& bytes,
            gss_OID type = nullptr) {
  std::string copy = bytes;
  gss_buffer_desc buffer = {static_cast<OM_uint32>(copy.size()), copy.data()};
  ASSERT_EQ(name.Set(type, &buffer), status::SUCCESS);
}

// An exported name token of the mechanism and the default name type whose
// name is the given bytes, NULs included.
std::string TokenFor(const std::string& name_bytes) {
  std::string token("\x04\x01", 2);
  auto put = [&token](uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i)
      token.push_back(static_cast<char>(value >> (8 * i)));
  };
  gss_OID mech = ORBIGetOID(kORBIMechanismIndex);
  gss_OID type = ORBIGetOID(kORBIDefaultNameTypeIndex);
  put(mech->length, 2);
  token.append(static_cast<const char*>(mech->elements), mech->length);
  put(static_cast<uint32_t>(name_bytes.size()), 4);
  token += name_bytes;
  put(type->length, 2);
  token.append(static_cast<const char*>(type->elements), type->length);
  return token;
}

// Reads one entry; returns its text, or "" when Read did not give 0.
std::string ReadEntry(PLVORBIInternalName& name, unsigned long& cursor,
                      OM_uint32* result) {
  gss_buffer_desc entry = {0, nullptr};
  *result = name.Read(&entry, cursor);
  std::string text;
  if (*result == status::SUCCESS) {
    text.assign(static_cast<char*>(entry.value), entry.length - 1);
  }
  orbi_alloc::Free(entry.value);
  return text;
}

// The cursor after the first entry of name's text.
unsigned long CursorAfterFirstEntry(PLVORBIInternalName& name) {
  unsigned long cursor = 0;
  OM_uint32 result;
  EXPECT_EQ(ReadEntry(name, cursor, &result), "alice");
  EXPECT_EQ(result, status::SUCCESS);
  return cursor;
}

void ExpectRefused(PLVORBIInternalName& name, unsigned long cursor) {
  const unsigned long held = cursor;
  gss_buffer_desc entry = {7, nullptr};
  EXPECT_EQ(name.Read(&entry, cursor), status::BAD_INPUT);
  EXPECT_EQ(cursor, held);
  EXPECT_EQ(entry.length, 7u);
  EXPECT_EQ(entry.value, nullptr);
}

constexpr char kOld[] = "db\nalice\nbob";  // "bob" starts at offset 9

TEST(CursorReuse, ChangeExternalNameOfTheSameLength) {
  orbi_alloc::ReuseFreedBlocks reuse;
  PLVORBIInternalName name;
  char old_text[] = "db\nalice\nbob";
  ASSERT_EQ(name.ChangeExternalName(old_text), status::SUCCESS);
  const char* old_block = Peer::nameValue(name);
  const unsigned long cursor = CursorAfterFirstEntry(name);
  char new_text[] = "db\nxxxxx\nyyy";
  ASSERT_EQ(name.ChangeExternalName(new_text), status::SUCCESS);
  ASSERT_EQ(Peer::nameValue(name), old_block) << "the block did not come back";
  ExpectRefused(name, cursor);
}

TEST(CursorReuse, SetAlternatingBetweenTwoBlocks) {
  orbi_alloc::ReuseFreedBlocks reuse;
  PLVORBIInternalName name;
  Import(name, kOld);
  const char* old_block = Peer::nameValue(name);
  const unsigned long cursor = CursorAfterFirstEntry(name);
  // The first re-import takes a new block and frees the old one; the second
  // gets the old one back.
  Import(name, "db\nqqqqq\nrrr");
  ASSERT_NE(Peer::nameValue(name), old_block);
  ExpectRefused(name, cursor);
  Import(name, "db\nxxxxx\nyyy");
  ASSERT_EQ(Peer::nameValue(name), old_block) << "the block did not come back";
  ExpectRefused(name, cursor);
  // A cursor of the text it now holds reads on.
  unsigned long fresh = 0;
  OM_uint32 result;
  EXPECT_EQ(ReadEntry(name, fresh, &result), "xxxxx");
  EXPECT_EQ(ReadEntry(name, fresh, &result), "yyy");
  EXPECT_EQ(result, status::SUCCESS);
}

TEST(CursorReuse, CursorOfADeletedNameOnTheNameInItsBlock) {
  orbi_alloc::ReuseFreedBlocks reuse;
  auto* first = new PLVORBIInternalName;
  Import(*first, kOld);
  const char* old_block = Peer::nameValue(*first);
  const unsigned long cursor = CursorAfterFirstEntry(*first);
  orbi_alloc::DeleteName(first);
  PLVORBIInternalName second;
  Import(second, "db\nxxxxx\nyyy");
  ASSERT_EQ(Peer::nameValue(second), old_block)
      << "the block did not come back";
  ExpectRefused(second, cursor);
}

TEST(CursorReuse, OldCursorBehindTheFirstNulOfATokenText) {
  orbi_alloc::ReuseFreedBlocks reuse;
  PLVORBIInternalName name;
  Import(name, kOld);
  const char* old_block = Peer::nameValue(name);
  const unsigned long cursor = CursorAfterFirstEntry(name);
  Import(name, "db\nqqqqq\nrrr");
  // The token's name has the old length and a separator at the old place,
  // but its text ends at the NUL at index 2: it has no entries at all.
  Import(name, TokenFor(std::string("db\0alice\nbob", 12)),
         ORBIGetOID(kORBIExportedNameTypeIndex));
  ASSERT_EQ(Peer::nameValue(name), old_block) << "the block did not come back";
  ASSERT_EQ(Peer::nameLength(name), 12u);
  ExpectRefused(name, cursor);
  unsigned long fresh = 0;
  OM_uint32 result;
  ReadEntry(name, fresh, &result);
  EXPECT_EQ(result, status::END_OF_LIST);
}

TEST(CursorReuse, AssignmentIntoTheOldBlock) {
  orbi_alloc::ReuseFreedBlocks reuse;
  PLVORBIInternalName name, other;
  Import(name, kOld);
  const char* old_block = Peer::nameValue(name);
  const unsigned long cursor = CursorAfterFirstEntry(name);
  Import(other, "db\nxxxxx\nyyy");
  Import(name, "db\nqqqqq\nrrr");
  name = other;
  ASSERT_EQ(Peer::nameValue(name), old_block) << "the block did not come back";
  ExpectRefused(name, cursor);
  // The copy's cursors are its own: other's cursor does not fit it either.
  unsigned long others = 0;
  OM_uint32 result;
  EXPECT_EQ(ReadEntry(other, others, &result), "xxxxx");
  ExpectRefused(name, others);
}

}  // namespace
