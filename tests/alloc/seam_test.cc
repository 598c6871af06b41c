// The seam itself: it must see the library's allocations, fail the chosen
// one only, and count a block as live until the library or the caller
// releases it. A seam that saw nothing would make every loop pass.
#include <stdlib.h>

#include "alloc_seam.h"
#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"

namespace {

namespace status = orbi_name::status;

TEST(AllocSeam, CountsFailsAndTracksTheLibrarysBlocks) {
  PLVORBIInternalName name;
  char text[] = "alice";
  const size_t live = orbi_alloc::LiveBlocks();
  {
    orbi_alloc::FailNth fail(-1);  // count only
    ASSERT_EQ(name.ChangeExternalName(text), status::SUCCESS);
    EXPECT_EQ(fail.count(), 1);
    EXPECT_FALSE(fail.failed());
  }
  EXPECT_EQ(orbi_alloc::LiveBlocks(), live + 1);  // the name's text

  gss_buffer_desc out = {0, nullptr};
  {
    orbi_alloc::FailNth fail(0);
    EXPECT_EQ(name.Display(&out, nullptr), status::NO_MEMORY);
    EXPECT_TRUE(fail.failed());
  }
  // Outside a FailNth nothing fails and nothing is counted.
  ASSERT_EQ(name.Display(&out, nullptr), status::SUCCESS);
  EXPECT_EQ(orbi_alloc::LiveBlocks(), live + 2);
  orbi_alloc::Free(out.value);
  EXPECT_EQ(orbi_alloc::LiveBlocks(), live + 1);
  EXPECT_EQ(name.Clean(), status::SUCCESS);
  EXPECT_EQ(orbi_alloc::LiveBlocks(), live);
}

TEST(AllocSeam, TheTestsOwnAllocationsAreNotCounted) {
  orbi_alloc::FailNth fail(0);
  void* mine = malloc(16);  // the test executable is not wrapped
  EXPECT_NE(mine, nullptr);
  free(mine);
  EXPECT_EQ(fail.count(), 0);
}

}  // namespace
