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
// ThreadSanitizer builds keep a std::mutex underneath, whose operations the
// sanitizer knows.
#ifndef ORBI_SERVICES_MUTEX_H_
#define ORBI_SERVICES_MUTEX_H_

#include <stdint.h>

#include "orbi_services/thread_annotations.h"

#if defined(__SANITIZE_THREAD__)
#define ORBI_MUTEX_STD 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define ORBI_MUTEX_STD 1
#endif
#endif

#ifdef ORBI_MUTEX_STD
#include <mutex>
#else
#include <atomic>
#if defined(__has_include)
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define ORBI_MUTEX_SINGLE_THREADED_FLAG 1
#endif
#endif
#endif

class ORBI_CAPABILITY("mutex") PLVMutex {
 public:
  PLVMutex() = default;
  ~PLVMutex() = default;
  PLVMutex(const PLVMutex&) = delete;
  PLVMutex& operator=(const PLVMutex&) = delete;

  // lock blocks until the calling thread holds the lock. REQUIRES: the calling
  // thread does not hold it already.
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
#ifdef ORBI_MUTEX_STD
  std::mutex mutex_;
#else
  static constexpr uint32_t kFree = 0;
  static constexpr uint32_t kHeld = 1;
  static constexpr uint32_t kContended = 2;

  // LockSlow waits until the lock is taken by this thread; state is what the
  // failed compare-and-swap found.
  void LockSlow(uint32_t state);
  // Wake wakes one waiting thread.
  void Wake();

  std::atomic<uint32_t> state_{kFree};
#endif
};

#ifdef ORBI_MUTEX_STD
inline void PLVMutex::lock() { mutex_.lock(); }
inline void PLVMutex::unlock() { mutex_.unlock(); }
#else
inline void PLVMutex::lock() {
  if (ProcessIsSingleThreaded()) {
    state_.store(kHeld, std::memory_order_relaxed);
    return;
  }
  uint32_t expected = kFree;
  if (state_.compare_exchange_strong(expected, kHeld, std::memory_order_acquire,
                                     std::memory_order_relaxed)) {
    return;
  }
  LockSlow(expected);
}

inline void PLVMutex::unlock() {
  if (ProcessIsSingleThreaded()) {
    state_.store(kFree, std::memory_order_relaxed);
    return;
  }
  if (state_.exchange(kFree, std::memory_order_release) == kContended) Wake();
}
#endif

#endif  // ORBI_SERVICES_MUTEX_H_
