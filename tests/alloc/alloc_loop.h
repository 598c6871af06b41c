// The allocation-failure loop: for k = 0, 1, 2, ... a step prepares its
// objects, makes one call with the k-th allocation inside it failed, checks
// the status and the state left behind, and destroys everything it made. The
// loop ends at the first k at which no allocation was failed (the call then
// ran to its end) and reports k, the number of allocation points the call
// went through.
#ifndef ORBI_NAME_TESTS_ALLOC_ALLOC_LOOP_H_
#define ORBI_NAME_TESTS_ALLOC_ALLOC_LOOP_H_

#include "alloc_seam.h"
#include "gtest/gtest.h"

#if defined(__SANITIZE_ADDRESS__)
#define ORBI_ALLOC_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ORBI_ALLOC_LEAK_CHECK 1
#endif
#endif

#ifdef ORBI_ALLOC_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

// Failed assertions so far in the running test.
inline int FailedParts() {
  const ::testing::TestResult* result =
      ::testing::UnitTest::GetInstance()->current_test_info()->result();
  int failed = 0;
  for (int i = 0; i < result->total_part_count(); ++i) {
    if (result->GetTestPartResult(i).failed()) ++failed;
  }
  return failed;
}

// RunAllocLoop runs step(k) for k = 0, 1, ...; step returns whether the seam
// failed an allocation. After every step the seam must hold as many live
// blocks as before it, and under AddressSanitizer the leak checker must find
// nothing. Returns the number of allocation points, or -1 after a failure.
template <typename Step>
int RunAllocLoop(Step&& step) {
  constexpr int kLimit = 100000;
  const int failed_before = FailedParts();
  for (int k = 0; k < kLimit; ++k) {
    SCOPED_TRACE(::testing::Message() << "allocation " << k << " failed");
    const size_t live = orbi_alloc::LiveBlocks();
    const bool failed = step(k);
    EXPECT_EQ(orbi_alloc::LiveBlocks(), live) << "blocks left behind";
#ifdef ORBI_ALLOC_LEAK_CHECK
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "leak reported";
#endif
    // One failing step is enough to see; later steps would repeat it.
    if (FailedParts() != failed_before) return -1;
    if (!failed) return k;
  }
  ADD_FAILURE() << "the call never ran to its end";
  return -1;
}

#endif  // ORBI_NAME_TESTS_ALLOC_ALLOC_LOOP_H_
