// The lock service: mutual exclusion, waiters that are woken, and a lock
// taken while the process had one thread and released after it had more.
#include "orbi_services/mutex.h"

#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "gtest/gtest.h"

#if defined(__has_include)
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define HAVE_SINGLE_THREADED_FLAG 1
#endif
#endif

namespace {

// Waits until every waiter announced that it is about to lock, then a while
// longer, so that they are most likely asleep in the kernel.
void LetWaitersBlock(const std::atomic<int>& arrived, int count) {
  while (arrived.load() < count) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

TEST(Mutex, HeldOverThreadCreationAndReleasedAfter) {
  // ctest runs each case in a process of its own, so this one starts with a
  // single thread and takes the lock on the plain path.
  PLVMutex mutex;
#ifdef HAVE_SINGLE_THREADED_FLAG
  const bool started_single = __libc_single_threaded != 0;
#else
  const bool started_single = false;
#endif
  mutex.lock();
  std::atomic<int> arrived{0};
  std::atomic<bool> acquired{false};
  std::thread waiter([&] {
    arrived = 1;
    mutex.lock();
    acquired = true;
    mutex.unlock();
  });
  LetWaitersBlock(arrived, 1);
  EXPECT_FALSE(acquired.load()) << "the lock was taken while held";
  mutex.unlock();
  waiter.join();  // a lost wake-up hangs here
  EXPECT_TRUE(acquired.load());
  if (!started_single) GTEST_SKIP() << "the process had threads already";
}

// Locking twice from one thread hangs once the process has threads; in a
// process that has one, the plain path would take the lock again silently,
// so it asserts instead. ThreadSanitizer reports the double lock itself.
#if !defined(NDEBUG) && defined(HAVE_SINGLE_THREADED_FLAG) && \
    !defined(ORBI_MUTEX_TSAN)
TEST(MutexDeathTest, SecondLockOnOneThreadIsCaught) {
  // A child that runs this case alone, before any thread exists.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        PLVMutex mutex;
        if (__libc_single_threaded == 0) abort();  // not the path under test
        mutex.lock();
        mutex.lock();
      },
      "locked twice");
}
#endif

TEST(Mutex, EveryWaiterIsWoken) {
  constexpr int kWaiters = 8;
  constexpr int kRounds = 50;
  for (int round = 0; round < kRounds; ++round) {
    PLVMutex mutex;
    int inside = 0;  // guarded by mutex
    mutex.lock();
    std::atomic<int> arrived{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
      waiters.emplace_back([&] {
        ++arrived;
        mutex.lock();
        ++inside;
        mutex.unlock();
      });
    }
    if (round % 10 == 0) LetWaitersBlock(arrived, kWaiters);
    mutex.unlock();
    for (auto& waiter : waiters) waiter.join();  // a lost wake-up hangs here
    mutex.lock();
    EXPECT_EQ(inside, kWaiters);
    mutex.unlock();
  }
}

TEST(Mutex, MutualExclusionUnderContention) {
  constexpr int kThreads = 4;
  constexpr int kIncrements = 100000;
  PLVMutex mutex;
  long counter = 0;  // guarded by mutex; a lost update shows in the total
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < kIncrements; ++i) {
        mutex.lock();
        const long seen = counter;
        counter = seen + 1;
        mutex.unlock();
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(counter, long{kThreads} * kIncrements);
}

TEST(Mutex, HandOffBetweenTwoThreads) {
  // Each thread waits for its turn under the lock, so the lock changes hands
  // at every step and the contended path runs again and again.
  constexpr int kSteps = 20000;
  PLVMutex mutex;
  int turn = 0;  // guarded by mutex
  auto play = [&](int me) {
    for (int step = 0; step < kSteps; ++step) {
      for (;;) {
        mutex.lock();
        if (turn % 2 == me) {
          ++turn;
          mutex.unlock();
          break;
        }
        mutex.unlock();
      }
    }
  };
  std::thread a(play, 0), b(play, 1);
  a.join();
  b.join();
  EXPECT_EQ(turn, 2 * kSteps);
}

}  // namespace
