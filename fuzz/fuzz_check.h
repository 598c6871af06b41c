// Invariant checks for the fuzz targets: a broken invariant prints where and
// aborts, which libFuzzer (and the replay main) report as a crash.
#ifndef ORBI_NAME_FUZZ_FUZZ_CHECK_H_
#define ORBI_NAME_FUZZ_FUZZ_CHECK_H_

#include <stdio.h>
#include <stdlib.h>

#define FUZZ_CHECK(condition)                                              \
  do {                                                                     \
    if (!(condition)) {                                                    \
      fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, \
              #condition);                                                 \
      abort();                                                             \
    }                                                                      \
  } while (0)

#endif  // ORBI_NAME_FUZZ_FUZZ_CHECK_H_
