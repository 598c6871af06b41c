// The main of every benchmark program, ours and the peers': one process runs
// its benchmarks in one of two worlds.
//
//   PROGRAM [benchmark flags]             a one-thread process: no thread is
//                                         ever started, so glibc's
//                                         __libc_single_threaded stays true
//                                         and locks and malloc that test it
//                                         take their plain path
//   PROGRAM --threaded [benchmark flags]  a thread is started and joined
//                                         before the first benchmark, so the
//                                         flag is false for the whole run
//                                         (glibc never sets it back) and
//                                         every lock takes its atomic path
//
// A process that has started a thread never becomes a one-thread process
// again, so the two worlds are two runs of the program (bench/compare.sh and
// bench/smoke.sh run each program both ways). Benchmarks that run several
// threads themselves (->Threads(2)) would turn a one-thread run threaded
// halfway through; they are registered through ThreadedOnly and exist only in
// the --threaded run. A one-thread run that finds the flag false at its end
// (a peer library that started a thread of its own, say) fails rather than
// report threaded numbers as one-thread ones.
//
// The run's world is in the JSON context as "process": "one-thread" or
// "threaded".
#ifndef ORBI_NAME_BENCH_BENCH_MAIN_H_
#define ORBI_NAME_BENCH_BENCH_MAIN_H_

#include <benchmark/benchmark.h>
#include <stdio.h>
#include <string.h>

#include <thread>
#include <vector>

#if defined(__has_include)
#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define ORBI_BENCH_HAS_SINGLE_THREADED 1
#endif
#endif

namespace orbi_bench {

// ProcessIsSingleThreaded returns glibc's flag, or false where there is none
// (every lock then takes its atomic path in both runs).
inline bool ProcessIsSingleThreaded() {
#ifdef ORBI_BENCH_HAS_SINGLE_THREADED
  return __libc_single_threaded != 0;
#else
  return false;
#endif
}

using Registration = void (*)();

inline std::vector<Registration>& ThreadedOnlyRegistrations() {
  static std::vector<Registration> registrations;
  return registrations;
}

// A namespace-scope ThreadedOnly object hands over a function that registers
// benchmarks (benchmark::RegisterBenchmark) for the --threaded run only.
struct ThreadedOnly {
  explicit ThreadedOnly(Registration registration) {
    ThreadedOnlyRegistrations().push_back(registration);
  }
};

// Main runs the program's benchmarks in the world its arguments ask for.
inline int Main(int argc, char** argv) {
  bool threaded = false;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--threaded") == 0) {
      threaded = true;
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  argv[argc] = nullptr;

  if (threaded) {
    std::thread([] {}).join();
#ifdef ORBI_BENCH_HAS_SINGLE_THREADED
    if (ProcessIsSingleThreaded()) {
      fprintf(stderr,
              "%s: the process counts as one-thread after a thread "
              "was joined; no threaded run is possible\n",
              argv[0]);
      return 1;
    }
#endif
    for (Registration registration : ThreadedOnlyRegistrations()) {
      registration();
    }
  }
  benchmark::AddCustomContext("process", threaded ? "threaded" : "one-thread");
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!threaded && !ProcessIsSingleThreaded()) {
#ifdef ORBI_BENCH_HAS_SINGLE_THREADED
    fprintf(stderr,
            "%s: a thread was started during the one-thread run; its rows "
            "are not one-thread figures\n",
            argv[0]);
    return 1;
#endif
  }
  return 0;
}

}  // namespace orbi_bench

#endif  // ORBI_NAME_BENCH_BENCH_MAIN_H_
