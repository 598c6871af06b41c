// The entry cursor's positions, checked on their own: where one may land.
#include "entry_cursor.h"

#include <stdint.h>

#include "gtest/gtest.h"

namespace {

using orbi_name::internal::DecodeCursor;
using orbi_name::internal::EncodeCursor;

// The text "\nbob" lies in a block whose byte before the text is a
// separator too, so the bytes around every offset look like an entry's
// start: only the bounds tell which offsets are positions. Offset 0 would
// read the byte before the text, and is refused by the lower bound alone;
// offset 1, just after the text's first separator, is the first entry.
TEST(EntryCursor, OffsetsBetweenTheBounds) {
  const char block[] = "\n\nbob";
  const char* text = block + 1;
  constexpr uint32_t kStamp = 12345;
  constexpr uint32_t kTextEnd = 4;
  const struct {
    uint32_t offset;
    bool position;
  } kCases[] = {
      {0, false},                                // before the text
      {1, true},                                 // the first entry
      {2, false},                                // no separator before it
      {kTextEnd, false}, {kTextEnd + 1, false},  // past the text's end
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.offset);
    uint32_t offset = 77;
    EXPECT_EQ(DecodeCursor(EncodeCursor(kStamp, c.offset), text, kStamp,
                           kTextEnd, '\n', &offset),
              c.position);
    EXPECT_EQ(offset, c.position ? c.offset : 77u);
    // The same offset under another stamp is no position of this text.
    EXPECT_FALSE(DecodeCursor(EncodeCursor(kStamp + 1, c.offset), text, kStamp,
                              kTextEnd, '\n', &offset));
  }
}

}  // namespace
