// The allocation seam of the test build of the library (orbi_name_seam).
//
// That build is linked with --wrap for malloc, calloc, realloc, free and the
// operator new/delete symbols, so every allocation the library makes (its
// services and the containers instantiated in it included) goes through the
// functions of alloc_seam.cc. The seam counts the allocations made on the
// calling thread while a FailNth is alive and fails one of them: malloc,
// calloc and realloc return null, the nothrow operator new returns null and
// the throwing one throws std::bad_alloc.
//
// The seam also keeps every block it handed out until the library frees it,
// so a test can tell that a call left nothing behind. Blocks that the library
// hands to the caller must be released through Free and DeleteName below:
// the test executable itself is not wrapped, so its own free and delete
// would leave the block counted as live.
#ifndef ORBI_NAME_TESTS_ALLOC_ALLOC_SEAM_H_
#define ORBI_NAME_TESTS_ALLOC_ALLOC_SEAM_H_

#include <stddef.h>

class PLVORBIInternalName;
class PLVASNObjectID;

namespace orbi_alloc {

// FailNth counts the allocations made on this thread during its lifetime
// and fails the one whose zero-based number is fail_at (none when fail_at is
// negative). Only one FailNth may be alive per thread.
class FailNth {
 public:
  explicit FailNth(long fail_at);
  ~FailNth();
  FailNth(const FailNth&) = delete;
  FailNth& operator=(const FailNth&) = delete;

  // Whether the chosen allocation was reached and failed.
  bool failed() const;
  // Allocations counted so far on this thread (the failed one included).
  long count() const;
};

// ReuseFreedBlocks makes the seam hand freed blocks straight back, as a
// caching allocator does, on this thread during its lifetime: a block the
// library frees with free is kept, and the next malloc or calloc that fits
// in it (by malloc_usable_size) gets the most recently kept one. Blocks
// still kept at the end are released. Only one may be alive per thread; it
// works the same under AddressSanitizer, which never reuses a block itself.
class ReuseFreedBlocks {
 public:
  ReuseFreedBlocks();
  ~ReuseFreedBlocks();
  ReuseFreedBlocks(const ReuseFreedBlocks&) = delete;
  ReuseFreedBlocks& operator=(const ReuseFreedBlocks&) = delete;
};

// Blocks and objects allocated through the seam and not yet released.
size_t LiveBlocks();

// Releases what the library handed to the caller, through the seam.
void Free(void* block);
void DeleteName(PLVORBIInternalName* name);
void DeleteObjectID(PLVASNObjectID* object);

}  // namespace orbi_alloc

#endif  // ORBI_NAME_TESTS_ALLOC_ALLOC_SEAM_H_
