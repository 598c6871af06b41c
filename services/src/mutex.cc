#include "orbi_services/mutex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

void FutexWait(std::atomic<uint32_t>* word, uint32_t expected) {
  // Returns at once when the word no longer holds expected, on a wake, or on
  // a signal; the caller looks at the word again in every case.
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAIT_PRIVATE,
          expected, nullptr, nullptr, 0);
}

void FutexWakeOne(std::atomic<uint32_t>* word) {
  syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), FUTEX_WAKE_PRIVATE, 1,
          nullptr, nullptr, 0);
}

static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t) &&
                  std::atomic<uint32_t>::is_always_lock_free,
              "the futex word is a plain 32-bit word");

}  // namespace

namespace {

// How often a thread that finds the lock held looks again before it sleeps:
// the locks guard short copies and comparisons of a name's fields, which
// take less time than a sleep and a wake in the kernel.
constexpr int kSpinLimit = 100;

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

}  // namespace

void PLVMutex::LockSlow(uint32_t state) {
  // Spin while the lock is merely held; once others sleep on it, join them.
  for (int spin = 0; spin < kSpinLimit && state != kContended; ++spin) {
    if (state == kFree) {
      if (state_.compare_exchange_weak(state, kHeld, std::memory_order_acquire,
                                       std::memory_order_relaxed)) {
        return;
      }
      continue;
    }
    CpuRelax();
    state = state_.load(std::memory_order_relaxed);
  }
  // Mark the lock contended before sleeping, so that its holder's release
  // wakes a waiter; whoever takes the lock from here on takes it as
  // contended, which at worst costs one needless wake.
  if (state != kContended) {
    state = state_.exchange(kContended, std::memory_order_acquire);
  }
  while (state != kFree) {
    FutexWait(&state_, kContended);
    state = state_.exchange(kContended, std::memory_order_acquire);
  }
}

void PLVMutex::Wake() { FutexWakeOne(&state_); }
