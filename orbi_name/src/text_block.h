// The block that holds a name's text.
//
// A text block is one malloc block laid out as
//
//   nameLength bytes | NUL | trailer
//
// The first nameLength bytes are the name (they may hold NULs of their own);
// the NUL behind them makes the block a C string even where they hold none.
// The trailer carries what the entry cursor needs to tell, in constant time,
// whether a cursor belongs to the text the name holds now:
//
//   text_end  index of the first NUL: the text as a C string ends there, and
//             no entry lies behind it (text_end <= nameLength)
//   stamp     a number that every new text block receives from one
//             process-wide counter: a text that replaces another, in this
//             name or in any other, has another stamp, wherever the
//             allocator puts its block (the numbers repeat only after 2^32
//             blocks)
//
// Every writer of nameValue takes its block from AllocateText and seals it
// with SealText before the block becomes nameValue; the trailer is then read
// at nameValue + nameLength + 1.
#ifndef ORBI_NAME_SRC_TEXT_BLOCK_H_
#define ORBI_NAME_SRC_TEXT_BLOCK_H_

#include <assert.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>

#include "orbi_services/mutex.h"
#include "short_bytes.h"

namespace orbi_name {
namespace internal {

// The library measures blocks in size_t and counts on it being wide enough
// for any 32-bit length plus a few bytes of overhead, so that such sums
// never wrap.
static_assert(sizeof(size_t) >= 8, "size_t must be 64 bits wide");

struct TextTrailer {
  uint32_t text_end;
  uint32_t stamp;
};

// The source of the stamps. Relaxed order suffices: a stamp only has to
// differ from the others, and the name's lock orders its use.
extern std::atomic<uint32_t> g_next_text_stamp;

// AllocateText returns an unsealed block for a text of length bytes, or null
// when none could be had. The caller fills the first length bytes and then
// calls SealText; the block is released with free.
[[nodiscard]] inline char* AllocateText(uint32_t length) {
  return static_cast<char*>(
      malloc(static_cast<size_t>(length) + 1 + sizeof(TextTrailer)));
}

// SealText writes the NUL behind the length bytes of block and the trailer,
// with text_end as given and a new stamp. REQUIRES: block came from
// AllocateText(length), text_end <= length and block[text_end] is NUL (or
// text_end == length).
inline void SealText(char* block, uint32_t length, uint32_t text_end) {
  assert(text_end <= length);
  block[length] = '\0';
  assert(block[text_end] == '\0');
  // While the process has one thread a plain increment does; a locked one
  // costs several nanoseconds even uncontended.
  uint32_t stamp;
  if (PLVMutex::ProcessIsSingleThreaded()) {
    stamp = g_next_text_stamp.load(std::memory_order_relaxed);
    g_next_text_stamp.store(stamp + 1, std::memory_order_relaxed);
  } else {
    stamp = g_next_text_stamp.fetch_add(1, std::memory_order_relaxed);
  }
  const TextTrailer trailer = {text_end, stamp};
  memcpy(block + static_cast<size_t>(length) + 1, &trailer, sizeof trailer);
}

// TextEnd returns the index of the first NUL among the length bytes at text,
// or length when there is none.
[[nodiscard]] inline uint32_t TextEnd(const char* text, uint32_t length) {
  return static_cast<uint32_t>(FirstNul(text, length));
}

// ReadTrailer returns the trailer of a sealed block of a length-byte text.
[[nodiscard]] inline TextTrailer ReadTrailer(const char* block,
                                             uint32_t length) {
  TextTrailer trailer;
  // The trailer follows the NUL without alignment.
  memcpy(&trailer, block + static_cast<size_t>(length) + 1, sizeof trailer);
  // The text ends at or before the NUL behind the counted bytes.
  assert(trailer.text_end <= length && block[trailer.text_end] == '\0');
  return trailer;
}

}  // namespace internal
}  // namespace orbi_name

#endif  // ORBI_NAME_SRC_TEXT_BLOCK_H_
