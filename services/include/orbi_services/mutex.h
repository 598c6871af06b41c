// PLVMutex: the lock service. A plain, non-recursive mutual-exclusion lock.
//
// The lock is one 32-bit word: 0 free, 1 held, 2 held with threads perhaps
// waiting. Taking a free lock is one compare-and-swap and releasing it one
// exchange, both inline; a thread that finds the lock held waits in the
// kernel (a futex) and is woken by the release. While the process has never
// had a second thread (glibc's __libc_single_threaded), no other thread can
// be holding or waiting for the lock, and both take plain loads and stores,
// as glibc's own locks do. Not fair: a releasing thread may take the lock
// again before a woken waiter does.
//
// The layout is the same in every build. ThreadSanitizer builds tell the
// sanitizer about each lock and release through its mutex annotations, so
// it checks the lock as it checks a std::mutex (order, double locking,
// races on what it guards), and take the atomic path throughout.
#ifndef ORBI_SERVICES_MUTEX_H_
#define ORBI_SERVICES_MUTEX_H_

#include <assert.h>
#include <stdint.h>

#include <atomic>

#include "orbi_services/thread_annotations.h"

#if defined(__SANITIZE_THREAD__)
#define ORBI_MUTEX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORBI_MUTEX_TSAN 1
#endif
#endif

#ifdef ORBI_MUTEX_TSAN
#include <sanitizer/tsan_interface.h>
#elif defined(__has_include)
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define ORBI_MUTEX_SINGLE_THREADED_FLAG 1
#endif
#endif

class ORBI_CAPABILITY("mutex") PLVMutex {
 public:
#ifdef ORBI_MUTEX_TSAN
  PLVMutex() { __tsan_mutex_create(this, 0); }
  ~PLVMutex() { __tsan_mutex_destroy(this, 0); }
#else
  PLVMutex() = default;
  ~PLVMutex() = default;
#endif
  PLVMutex(const PLVMutex&) = delete;
  PLVMutex& operator=(const PLVMutex&) = delete;

  // lock blocks until the calling thread holds the lock. REQUIRES: the calling
  // thread does not hold it already (asserted on the one-thread path, where
  // a second lock would otherwise pass unnoticed and only hang once the
  // process has a thread).
  void lock() ORBI_ACQUIRE();
  // unlock releases the lock. REQUIRES: the calling thread holds it.
  void unlock() ORBI_RELEASE();

  // ProcessIsSingleThreaded is true while the process has never had a second
  // thread (glibc's __libc_single_threaded), the test the lock's own fast
  // path makes; false where that is unknown, and in ThreadSanitizer builds.
  // Callers with a shortcut of the same kind ask it here.
  static bool ProcessIsSingleThreaded() {
#ifdef ORBI_MUTEX_SINGLE_THREADED_FLAG
    return __libc_single_threaded != 0;
#else
    return false;
#endif
  }

 private:
  static constexpr uint32_t kFree = 0;
  static constexpr uint32_t kHeld = 1;
  static constexpr uint32_t kContended = 2;

  // LockSlow waits until the lock is taken by this thread; state is what the
  // failed compare-and-swap found.
  void LockSlow(uint32_t state);
  // Wake wakes one waiting thread.
  void Wake();

  // LockAtomic and UnlockAtomic are lock and unlock for a process with
  // threads.
  void LockAtomic();
  void UnlockAtomic();

  std::atomic<uint32_t> state_{kFree};
};

inline void PLVMutex::LockAtomic() {
  uint32_t expected = kFree;
  if (state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                     std::memory_order_relaxed)) {
    return;
  }
  LockSlow(expected);
}

inline void PLVMutex::UnlockAtomic() {
  if (state_.exchange(kFree, std::memory_order_release) == kContended) Wake();
}

#ifdef ORBI_MUTEX_TSAN
inline void PLVMutex::lock() {
  __tsan_mutex_pre_lock(this, 0);
  LockAtomic();
  __tsan_mutex_post_lock(this, 0, 0);
}

inline void PLVMutex::unlock() {
  __tsan_mutex_pre_unlock(this, 0);
  UnlockAtomic();
  __tsan_mutex_post_unlock(this, 0);
}
#else
inline void PLVMutex::lock() {
  if (ProcessIsSingleThreaded()) {
    // No other thread exists, so a held lock is this thread's own.
    assert(state_.load(std::memory_order_relaxed) == kFree &&
           "PLVMutex locked twice by one thread");
    state_.store(kHeld, std::memory_order_relaxed);
    return;
  }
  LockAtomic();
}

inline void PLVMutex::unlock() {
  if (ProcessIsSingleThreaded()) {
    state_.store(kFree, std::memory_order_relaxed);
    return;
  }
  UnlockAtomic();
}
#endif

#endif  // ORBI_SERVICES_MUTEX_H_
