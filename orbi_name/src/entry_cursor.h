// The entry cursor of Read (orbi_name/internal_name.h): its two fixed values,
// and the positions that Read makes and checks.
#ifndef ORBI_NAME_SRC_ENTRY_CURSOR_H_
#define ORBI_NAME_SRC_ENTRY_CURSOR_H_

#include <limits.h>
#include <stdint.h>

namespace orbi_name {
namespace internal {

inline constexpr unsigned long kCursorNotBegun = 0;  // no entry read yet
inline constexpr unsigned long kCursorEnd = ~0ul;    // no entries left

// Entry cursor. 0 means that the walk has not begun and all ones that no
// entries are left. Every other value is a position made by EncodeCursor:
//
//   bits  0..31  offset: index in nameValue where the next entry starts
//   bits 32..62  check value: the text block's stamp mixed with the offset
//   bit  63      always 0
//
// The stamp changes with every new text of any name (text_block.h), so a
// cursor of an earlier text of this name, or of another name's text, has
// another check value even when the new text sits in the very block the old
// one used: it is refused, not read. Only 2^31 new texts in the process
// between the two would let the check values meet again; even then, and for
// a made-up value, DecodeCursor accepts an offset only where an entry can
// start in the current text: 1 <= offset <= text_end (never behind the
// text's first NUL) with the separator just before it. Every test takes
// constant time, so a walk or an expansion never rescans the text. The offset
// is at least 1 and bit 63 is 0, so a position is never 0 nor all ones.
static_assert(sizeof(unsigned long) * CHAR_BIT >= 64,
              "the entry cursor packs a 32-bit offset and a check value");
inline constexpr int kCheckShift = 32;
inline constexpr uint32_t kCheckMask = 0x7FFFFFFFu;
// No entry starts before offset 1: an entry follows a separator.
inline constexpr uint32_t kFirstEntryOffset = 1;

// The check value of a position: the stamp XOR a mix of the offset (the
// murmur3 finalizer, a bijection on 32 bits), cut to 31 bits. For one offset,
// two stamps give the same value only when they agree in their low 31 bits;
// for one stamp, nearby offsets give unrelated values.
[[nodiscard]] inline uint32_t CursorCheck(uint32_t stamp, uint32_t offset) {
  uint32_t x = offset;
  x ^= x >> 16;
  x *= 0x85EBCA6Bu;
  x ^= x >> 13;
  x *= 0xC2B2AE35u;
  x ^= x >> 16;
  return (stamp ^ x) & kCheckMask;
}

[[nodiscard]] inline unsigned long EncodeCursor(uint32_t stamp,
                                                uint32_t offset) {
  return (static_cast<unsigned long>(CursorCheck(stamp, offset))
          << kCheckShift) |
         offset;
}

// DecodeCursor sets *offset to the position that cursor designates in text,
// the text of a sealed block with the given stamp and text_end, and returns
// true, or returns false when cursor is not a position of this text (see
// above). Reads at most the one byte before the offset, inside the text.
[[nodiscard]] inline bool DecodeCursor(unsigned long cursor, const char* text,
                                       uint32_t stamp, uint32_t text_end,
                                       char separator, uint32_t* offset) {
  const auto candidate = static_cast<uint32_t>(cursor & 0xFFFFFFFFul);
  const unsigned long check = cursor >> kCheckShift;
  if (check != CursorCheck(stamp, candidate)) return false;
  if (candidate < kFirstEntryOffset || candidate > text_end) return false;
  if (text[candidate - 1] != separator) return false;
  *offset = candidate;
  return true;
}

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_ENTRY_CURSOR_H_
