// The lock service: mutual exclusion, waiters that are woken, and a lock
// taken while the process had one thread and released after it had more.
#include "orbi_services/mutex.h"

#include <pthread.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <string>
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

// KeepBusy runs n loop iterations without giving up the processor.
void KeepBusy(int n) {
  for (volatile int i = 0; i < n; i = i + 1) {
  }
}

// CpuTime is the processor time that clock has counted.
std::chrono::nanoseconds CpuTime(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return std::chrono::seconds(now.tv_sec) +
         std::chrono::nanoseconds(now.tv_nsec);
}

// SleepsOnFutex is true while thread tid of this process sleeps in a futex
// wait on word: /proc/self/task/TID/syscall then holds the system call's
// number and its arguments in hex, the futex word's address first, and
// "running" while the thread runs.
bool SleepsOnFutex(pid_t tid, const void* word) {
  std::ifstream file("/proc/self/task/" + std::to_string(tid) + "/syscall");
  long number = -1;
  std::string address;
  if (!(file >> number >> address)) return false;
  return number == SYS_futex &&
         std::stoull(address, nullptr, 16) == reinterpret_cast<uintptr_t>(word);
}

// A thread that finds the lock held spins a little, then sleeps in the
// kernel until the release wakes it, so a lock held for long costs its
// waiters next to no processor time. The holder keeps the lock until it sees
// the waiter asleep on the lock's word, or until the waiter has used far
// more processor time than its spins and one system call take: processor
// time, unlike elapsed time, does not stretch with the machine's load.
TEST(Mutex, AWaiterSleepsAfterItsSpins) {
  {
    std::ifstream own("/proc/self/task/" + std::to_string(syscall(SYS_gettid)) +
                      "/syscall");
    long number = -1;
    if (!(own >> number)) GTEST_SKIP() << "no /proc/self/task/TID/syscall";
  }
  constexpr std::chrono::milliseconds kBudget(250);
  PLVMutex mutex;
  mutex.lock();
  std::atomic<pid_t> tid{0};
  std::atomic<bool> acquired{false};
  std::thread waiter([&] {
    tid = static_cast<pid_t>(syscall(SYS_gettid));
    mutex.lock();
    acquired = true;
    mutex.unlock();
  });
  while (tid.load() == 0) std::this_thread::yield();
  clockid_t clock{};
  const bool have_clock =
      pthread_getcpuclockid(waiter.native_handle(), &clock) == 0;
  EXPECT_TRUE(have_clock);
  bool asleep = false;
  std::chrono::nanoseconds spent{0};
  while (have_clock && !acquired.load() &&
         !(asleep = SleepsOnFutex(tid, &mutex)) &&
         (spent = CpuTime(clock)) < kBudget) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_FALSE(acquired.load()) << "the lock was taken while held";
  mutex.unlock();
  waiter.join();
  EXPECT_TRUE(asleep)
      << "the waiter used "
      << std::chrono::duration_cast<std::chrono::milliseconds>(spent).count()
      << " ms of processor time and did not sleep";
}

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
  // Every holder counts itself in and checks that it is the only one, so a
  // lock that lets a second thread in is caught in the act, not only through
  // a lost update. This thread holds the lock while the others start (in a
  // process of its own it takes the lock on the one-thread path) and lets
  // them go together. Each holder pauses inside, so that the others try the
  // lock while it is held even when all share one core, and outside, so that
  // they keep arriving at a held lock afresh, not only after a wake.
  constexpr int kThreads = 4;
  constexpr int kRounds = 100;
  constexpr std::chrono::microseconds kPause(50);
  PLVMutex mutex;
  long counter = 0;  // guarded by mutex; a lost update shows in the total
  std::atomic<int> holders{0};
  std::atomic<long> overlaps{0};
  auto enter = [&] {
    if (holders.fetch_add(1) != 0) ++overlaps;
  };
  auto leave = [&] {
    if (holders.fetch_sub(1) != 1) ++overlaps;
  };
  mutex.lock();
  enter();
  std::atomic<int> started{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      ++started;
      for (int i = 0; i < kRounds; ++i) {
        mutex.lock();
        enter();
        const long seen = counter;
        std::this_thread::sleep_for(kPause);
        counter = seen + 1;
        leave();
        mutex.unlock();
        std::this_thread::sleep_for(kPause);
      }
    });
  }
  LetWaitersBlock(started, kThreads);
  leave();
  mutex.unlock();
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(overlaps.load(), 0) << "two threads held the lock at once";
  EXPECT_EQ(counter, long{kThreads} * kRounds);
}

TEST(Mutex, HandOffBetweenTwoThreads) {
  // Two threads take turns under the lock, so the lock changes hands at
  // every step and the contended path runs again and again. The mover keeps
  // the lock a while after its move, for lengths spread from far below to
  // far above a waiter's spin, so that the other thread, come for its turn,
  // takes the lock while spinning, sleeps and is woken, or is just falling
  // asleep at the release: a release that misses a sleeping waiter leaves
  // it asleep and the game hangs. A thread that is not on turn looks a
  // bounded number of times, then pauses between looks, so that it does not
  // keep the processor from the other: a step costs the same work however
  // loaded the machine is.
  constexpr int kSteps = 400;
  constexpr int kHoldLengths = 40;      // lengths in one sweep, 20% apart
  constexpr double kShortestHold = 50;  // loop iterations
  constexpr int kLooksBeforePause = 10000;
  constexpr std::chrono::microseconds kPause(20);
  PLVMutex mutex;
  int turn = 0;  // guarded by mutex
  auto play = [&](int me) {
    for (int step = 0; step < kSteps; ++step) {
      for (int look = 1;; ++look) {
        mutex.lock();
        if (turn % 2 == me) {
          ++turn;
          KeepBusy(static_cast<int>(kShortestHold *
                                    std::pow(1.2, step % kHoldLengths)));
          mutex.unlock();
          break;
        }
        mutex.unlock();
        if (look % kLooksBeforePause == 0) std::this_thread::sleep_for(kPause);
      }
    }
  };
  std::thread a(play, 0), b(play, 1);
  a.join();  // a lost wake-up hangs here
  b.join();
  EXPECT_EQ(turn, 2 * kSteps);
}

}  // namespace
