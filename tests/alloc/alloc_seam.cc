// The allocation seam: the --wrap targets of the test build of the library.
// Linked into orbi_name_seam only; the real library never sees this file.
//
// __real_X is the C library's (or the C++ runtime's) X, __wrap_X is what the
// library's own references to X reach. The sanitizers still intercept the
// real functions, so AddressSanitizer keeps seeing every block.
#include "alloc_seam.h"

#include <malloc.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>
#include <new>

#include "orbi_name/internal_name.h"
#include "orbi_services/asn.h"

extern "C" {
void* __real_malloc(size_t size);
void* __real_calloc(size_t count, size_t size);
void* __real_realloc(void* block, size_t size);
void __real_free(void* block);
void* __real__Znwm(size_t size);
void* __real__Znam(size_t size);
void* __real__ZnwmRKSt9nothrow_t(size_t size, const std::nothrow_t& tag);
void* __real__ZnamRKSt9nothrow_t(size_t size, const std::nothrow_t& tag);
void __real__ZdlPv(void* block);
void __real__ZdaPv(void* block);
void __real__ZdlPvm(void* block, size_t size);
void __real__ZdaPvm(void* block, size_t size);
void __real__ZdlPvRKSt9nothrow_t(void* block, const std::nothrow_t& tag);
void __real__ZdaPvRKSt9nothrow_t(void* block, const std::nothrow_t& tag);
}

namespace {

// Per-thread counting state. Plain data with initial-exec TLS, so reading it
// from inside malloc never allocates.
struct Counter {
  bool active;
  bool failed;
  long fail_at;
  long count;
};
__attribute__((tls_model("initial-exec"))) thread_local Counter t_counter;

// Decides the fate of one allocation on this thread: true means fail it.
[[nodiscard]] bool ShouldFail() {
  Counter& c = t_counter;
  if (!c.active) return false;
  const long number = c.count++;
  if (number != c.fail_at) return false;
  c.failed = true;
  return true;
}

// Freed blocks kept for reuse on this thread while a ReuseFreedBlocks is
// alive, the most recent last. Plain data, as the counter.
constexpr int kKeptMax = 64;
struct Kept {
  bool active;
  int count;
  void* blocks[kKeptMax];
};
__attribute__((tls_model("initial-exec"))) thread_local Kept t_kept;

// Takes the most recently kept block that holds size bytes, or null.
[[nodiscard]] void* TakeKept(size_t size) {
  Kept& k = t_kept;
  if (!k.active) return nullptr;
  for (int i = k.count - 1; i >= 0; --i) {
    void* block = k.blocks[i];
    if (malloc_usable_size(block) < size) continue;
    for (int j = i; j + 1 < k.count; ++j) k.blocks[j] = k.blocks[j + 1];
    --k.count;
    return block;
  }
  return nullptr;
}

// Keeps block for reuse instead of releasing it; false when none is kept.
[[nodiscard]] bool Keep(void* block) {
  Kept& k = t_kept;
  if (!k.active || block == nullptr || k.count == kKeptMax) return false;
  k.blocks[k.count++] = block;
  return true;
}

// The blocks handed out and not yet released: a chained hash set whose nodes
// come from the real malloc, so tracking never re-enters the seam.
struct Node {
  void* block;
  Node* next;
};
constexpr size_t kBuckets = 4096;
Node* g_buckets[kBuckets];
size_t g_live = 0;
std::mutex g_live_mutex;

[[nodiscard]] size_t BucketOf(const void* block) {
  const auto bits = reinterpret_cast<uintptr_t>(block);
  return (bits >> 4 ^ bits >> 16) % kBuckets;
}

void Track(void* block) {
  if (block == nullptr) return;
  auto* node = static_cast<Node*>(__real_malloc(sizeof(Node)));
  if (node == nullptr) abort();  // the seam cannot keep its books
  std::lock_guard<std::mutex> guard(g_live_mutex);
  Node*& head = g_buckets[BucketOf(block)];
  node->block = block;
  node->next = head;
  head = node;
  ++g_live;
}

// Forgets block if the seam handed it out; blocks that the library received
// from its caller (an adopted name, say) were never tracked.
void Untrack(void* block) {
  if (block == nullptr) return;
  Node* found = nullptr;
  {
    std::lock_guard<std::mutex> guard(g_live_mutex);
    for (Node** link = &g_buckets[BucketOf(block)]; *link != nullptr;
         link = &(*link)->next) {
      if ((*link)->block == block) {
        found = *link;
        *link = found->next;
        --g_live;
        break;
      }
    }
  }
  __real_free(found);
}

}  // namespace

extern "C" {

void* __wrap_malloc(size_t size) {
  if (ShouldFail()) return nullptr;
  void* block = TakeKept(size);
  if (block == nullptr) block = __real_malloc(size);
  Track(block);
  return block;
}

void* __wrap_calloc(size_t count, size_t size) {
  if (ShouldFail()) return nullptr;
  void* block = nullptr;
  if (size == 0 || count <= SIZE_MAX / size) {
    block = TakeKept(count * size);
    if (block != nullptr) memset(block, 0, count * size);
  }
  if (block == nullptr) block = __real_calloc(count, size);
  Track(block);
  return block;
}

void* __wrap_realloc(void* block, size_t size) {
  // A failed realloc leaves the old block as it was, as the C library's does.
  if (ShouldFail()) return nullptr;
  void* grown = __real_realloc(block, size);
  if (grown != nullptr || size == 0) Untrack(block);
  Track(grown);
  return grown;
}

void __wrap_free(void* block) {
  Untrack(block);
  if (!Keep(block)) __real_free(block);
}

void* __wrap__Znwm(size_t size) {
  if (ShouldFail()) throw std::bad_alloc();
  void* block = __real__Znwm(size);
  Track(block);
  return block;
}

void* __wrap__Znam(size_t size) {
  if (ShouldFail()) throw std::bad_alloc();
  void* block = __real__Znam(size);
  Track(block);
  return block;
}

void* __wrap__ZnwmRKSt9nothrow_t(size_t size, const std::nothrow_t& tag) {
  if (ShouldFail()) return nullptr;
  void* block = __real__ZnwmRKSt9nothrow_t(size, tag);
  Track(block);
  return block;
}

void* __wrap__ZnamRKSt9nothrow_t(size_t size, const std::nothrow_t& tag) {
  if (ShouldFail()) return nullptr;
  void* block = __real__ZnamRKSt9nothrow_t(size, tag);
  Track(block);
  return block;
}

void __wrap__ZdlPv(void* block) {
  Untrack(block);
  __real__ZdlPv(block);
}

void __wrap__ZdaPv(void* block) {
  Untrack(block);
  __real__ZdaPv(block);
}

void __wrap__ZdlPvm(void* block, size_t size) {
  Untrack(block);
  __real__ZdlPvm(block, size);
}

void __wrap__ZdaPvm(void* block, size_t size) {
  Untrack(block);
  __real__ZdaPvm(block, size);
}

void __wrap__ZdlPvRKSt9nothrow_t(void* block, const std::nothrow_t& tag) {
  Untrack(block);
  __real__ZdlPvRKSt9nothrow_t(block, tag);
}

void __wrap__ZdaPvRKSt9nothrow_t(void* block, const std::nothrow_t& tag) {
  Untrack(block);
  __real__ZdaPvRKSt9nothrow_t(block, tag);
}

}  // extern "C"

namespace orbi_alloc {

FailNth::FailNth(long fail_at) { t_counter = Counter{true, false, fail_at, 0}; }

FailNth::~FailNth() { t_counter.active = false; }

bool FailNth::failed() const { return t_counter.failed; }

long FailNth::count() const { return t_counter.count; }

ReuseFreedBlocks::ReuseFreedBlocks() { t_kept.active = true; }

ReuseFreedBlocks::~ReuseFreedBlocks() {
  Kept& k = t_kept;
  k.active = false;
  for (int i = 0; i < k.count; ++i) __real_free(k.blocks[i]);
  k.count = 0;
}

size_t LiveBlocks() {
  std::lock_guard<std::mutex> guard(g_live_mutex);
  return g_live;
}

// These are compiled into the wrapped link, so their free and delete reach
// the seam and the blocks are forgotten.
void Free(void* block) { free(block); }

void DeleteName(PLVORBIInternalName* name) { delete name; }

void DeleteObjectID(PLVASNObjectID* object) { delete object; }

}  // namespace orbi_alloc
