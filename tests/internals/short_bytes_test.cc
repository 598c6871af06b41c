// The inline copy, compare and NUL scan against the C library's memcpy,
// memcmp and memchr, for every length around the boundaries where they
// change strategy (4, 8, 16, 32 bytes). Every span lives in a block of
// exactly its own size, so an AddressSanitizer build catches a read or a
// write outside it.
#include "short_bytes.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <vector>

namespace {

using orbi_name::internal::CopyBytes;
using orbi_name::internal::EqualBytes;
using orbi_name::internal::FindByte;
using orbi_name::internal::FirstNul;

constexpr size_t kMaxLength = 40;

struct FreeDeleter {
  void operator()(void* block) const { free(block); }
};
using Block = std::unique_ptr<unsigned char, FreeDeleter>;

// Pattern is the byte at index i of every test span: never zero.
unsigned char Pattern(size_t i) {
  return static_cast<unsigned char>(0x41 + (i * 7) % 50);
}

// ExactBlock is a malloc block of exactly n bytes (one byte for n == 0, not
// touched), filled with the pattern.
Block ExactBlock(size_t n) {
  Block block(static_cast<unsigned char*>(malloc(n == 0 ? 1 : n)));
  for (size_t i = 0; i < n; ++i) block.get()[i] = Pattern(i);
  return block;
}

TEST(ShortBytes, CopyBytesCopiesExactlyTheSpan) {
  for (size_t n = 0; n <= kMaxLength; ++n) {
    SCOPED_TRACE(n);
    Block source = ExactBlock(n);
    // The destination has a guard byte on each side of the span.
    std::vector<unsigned char> out(n + 2, 0xEE);
    CopyBytes(out.data() + 1, source.get(), n);
    EXPECT_EQ(out.front(), 0xEE);
    EXPECT_EQ(out.back(), 0xEE);
    EXPECT_EQ(memcmp(out.data() + 1, source.get(), n), 0);
  }
}

TEST(ShortBytes, EqualBytesFindsADifferenceAtEveryPosition) {
  for (size_t n = 0; n <= kMaxLength; ++n) {
    SCOPED_TRACE(n);
    Block a = ExactBlock(n);
    Block b = ExactBlock(n);
    EXPECT_TRUE(EqualBytes(a.get(), b.get(), n));
    for (size_t i = 0; i < n; ++i) {
      SCOPED_TRACE(i);
      // A flip of the top bit and of the bottom bit: word compares that
      // looked at only part of a byte would miss one of them.
      for (unsigned char flip : {0x80, 0x01}) {
        b.get()[i] ^= flip;
        EXPECT_FALSE(EqualBytes(a.get(), b.get(), n));
        b.get()[i] ^= flip;
      }
    }
  }
}

TEST(ShortBytes, FirstNulAgreesWithMemchr) {
  for (size_t n = 0; n <= kMaxLength; ++n) {
    SCOPED_TRACE(n);
    Block text = ExactBlock(n);
    EXPECT_EQ(FirstNul(text.get(), n), n);
    for (size_t nul = 0; nul < n; ++nul) {
      SCOPED_TRACE(nul);
      text.get()[nul] = 0;
      EXPECT_EQ(FirstNul(text.get(), n), nul);
      // A second NUL behind the first must not win.
      if (nul + 1 < n) {
        text.get()[n - 1] = 0;
        EXPECT_EQ(FirstNul(text.get(), n), nul);
        text.get()[n - 1] = Pattern(n - 1);
      }
      text.get()[nul] = Pattern(nul);
    }
  }
}

// The spans run past the inline window (16 bytes) and end in it, so both
// the window and the search behind it are checked, with the byte sought at
// every index and a second one behind the first.
TEST(ShortBytes, FindByteAgreesWithMemchr) {
  constexpr unsigned char kSought = '\n';  // never a pattern byte
  for (size_t n = 0; n <= kMaxLength; ++n) {
    SCOPED_TRACE(n);
    Block text = ExactBlock(n);
    EXPECT_EQ(FindByte(text.get(), n, kSought), n);
    for (size_t at = 0; at < n; ++at) {
      SCOPED_TRACE(at);
      text.get()[at] = kSought;
      EXPECT_EQ(FindByte(text.get(), n, kSought), at);
      if (at + 1 < n) {
        text.get()[n - 1] = kSought;
        EXPECT_EQ(FindByte(text.get(), n, kSought), at);
        text.get()[n - 1] = Pattern(n - 1);
      }
      text.get()[at] = Pattern(at);
    }
  }
}

// Every byte value is found as itself, the high ones included (the window
// compares bytes, not signed characters).
TEST(ShortBytes, FindByteFindsEveryByteValue) {
  for (const size_t n : {size_t{5}, size_t{16}, size_t{33}}) {
    for (unsigned value = 0; value <= 0xFF; ++value) {
      SCOPED_TRACE(testing::Message() << "n " << n << ", byte " << value);
      std::vector<unsigned char> text(n, 0);
      for (size_t i = 0; i < n; ++i) {
        text[i] = static_cast<unsigned char>(value + 1 + i % 200);
      }
      text[n - 1] = static_cast<unsigned char>(value);
      EXPECT_EQ(FindByte(text.data(), n, static_cast<unsigned char>(value)),
                n - 1);
    }
  }
}

}  // namespace
