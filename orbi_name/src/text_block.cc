#include "text_block.h"

#include <assert.h>
#include <stdlib.h>

#include <atomic>

namespace orbi_name {
namespace internal {

namespace {

// The source of the stamps. Relaxed order suffices: a stamp only has to
// differ from the others, and the name's lock orders its use.
std::atomic<uint32_t> g_next_stamp{1};

}  // namespace

char* AllocateText(uint32_t length) {
  constexpr size_t kOverhead = 1 + sizeof(TextTrailer);
  return static_cast<char*>(malloc(static_cast<size_t>(length) + kOverhead));
}

void SealText(char* block, uint32_t length, uint32_t text_end) {
  assert(text_end <= length);
  block[length] = '\0';
  assert(block[text_end] == '\0');
  const TextTrailer trailer = {
      text_end, g_next_stamp.fetch_add(1, std::memory_order_relaxed)};
  memcpy(block + static_cast<size_t>(length) + 1, &trailer, sizeof trailer);
}

}  // namespace internal
}  // namespace orbi_name
