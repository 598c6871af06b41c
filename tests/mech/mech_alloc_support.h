// The allocation-failure step the module's allocation suites share
// (mech_alloc_test, mech_heimdal_alloc_test): one entry point called with the
// k-th allocation failed, for every k (alloc_loop.h).
#ifndef ORBI_TESTS_MECH_MECH_ALLOC_SUPPORT_H_
#define ORBI_TESTS_MECH_MECH_ALLOC_SUPPORT_H_

#include <gssapi/gssapi.h>

#include <functional>

#include "alloc_loop.h"
#include "alloc_seam.h"
#include "gtest/gtest.h"
#include "module_test_support.h"

namespace orbi_mech_test {

// Runs call with the k-th allocation failed, for every k until it
// succeeds. A failed call must give GSS_S_FAILURE and NO_MEMORY; before each
// call, prepare (when given) makes what the call reads, with no allocation
// failed; after each call, after(failed) checks its outputs and releases
// what it handed out and what prepare made (through the module or
// orbi_alloc::Free).
inline void ExpectNoMemoryOrSuccess(
    const std::function<void()>& prepare,
    const std::function<OM_uint32(OM_uint32*)>& call,
    const std::function<void(bool failed)>& after) {
  const int points = RunAllocLoop([&](long k) {
    if (prepare) prepare();
    OM_uint32 minor = 77;
    OM_uint32 major;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      major = call(&minor);
      failed = fail.failed();
    }
    EXPECT_EQ(major, failed ? GSS_S_FAILURE : GSS_S_COMPLETE);
    EXPECT_EQ(minor, failed ? kNoMemory : 0u);
    after(failed);
    return failed;
  });
  EXPECT_GT(points, 0);
}

inline void ExpectNoMemoryOrSuccess(
    const std::function<OM_uint32(OM_uint32*)>& call,
    const std::function<void(bool failed)>& after) {
  ExpectNoMemoryOrSuccess(nullptr, call, after);
}

}  // namespace orbi_mech_test

#endif  // ORBI_TESTS_MECH_MECH_ALLOC_SUPPORT_H_
