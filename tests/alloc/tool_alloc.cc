// orbi-name when memory runs out: the tool's commands run in this process
// against the seam build of the library, with the library's k-th allocation
// failing for every k a run reaches. A run whose allocation failed must say
// so on stderr in one line, exit 1 and write nothing to stdout; a run the
// shortage did not reach must give the clean run's output. The tool's own
// shortage (std::bad_alloc in its strings) ends the same way. (Blocks the
// library hands the tool are released with the tool's own free, which the
// seam does not see, so leaks are not counted here; valgrind runs of the tool
// see them.)
#include <stdio.h>

#include <new>
#include <string>
#include <vector>

#include "alloc_seam.h"
#include "command_line.h"
#include "gtest/gtest.h"

namespace {

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

// RunTool runs the tool's main on args with stdout and stderr captured.
Outcome RunTool(const std::vector<const char*>& args, long fail_at) {
  std::vector<const char*> argv = {"orbi-name"};
  argv.insert(argv.end(), args.begin(), args.end());
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Outcome outcome;
  {
    orbi_alloc::FailNth fail(fail_at);
    outcome.status = orbi_tool::Finish(orbi_tool::Main(
        static_cast<int>(argv.size()), const_cast<char**>(argv.data())));
    if (!fail.failed()) outcome.status += 1000;  // marks a run not reached
  }
  fflush(stdout);
  fflush(stderr);
  outcome.out = testing::internal::GetCapturedStdout();
  outcome.err = testing::internal::GetCapturedStderr();
  return outcome;
}

TEST(ToolAlloc, EveryLibraryShortageIsReported) {
  const std::vector<std::vector<const char*>> kLines = {
      {"show", "alice"},
      {"show", "db\\nalice\\nbob"},
      {"--json", "show", "alice"},
      {"export", "alice"},
      {"expand", "db\\nalice\\nbob"},
      {"--json", "expand", "db\\nalice"},
      {"show", "--type", "default", "alice"},
      {"oid", "1.2.840.113549.3.7"},
      {"--json", "oid", "2a864886f70d0307"},
      {"oid", "{1 2 3}"},
  };
  for (const auto& args : kLines) {
    std::string label;
    for (const char* arg : args) label += std::string(" ") + arg;
    SCOPED_TRACE(label);
    const Outcome clean = RunTool(args, -1);
    ASSERT_EQ(clean.status, 1000) << clean.err;
    for (long k = 0;; ++k) {
      SCOPED_TRACE(k);
      const Outcome run = RunTool(args, k);
      if (run.status >= 1000) {
        // k is past the last allocation: the run is the clean one.
        EXPECT_EQ(run.out, clean.out);
        break;
      }
      ASSERT_LT(k, 1000) << "no end to the allocations";
      EXPECT_EQ(run.status, 1) << run.err;
      EXPECT_EQ(run.out, "");
      // One line, naming the shortage.
      ASSERT_FALSE(run.err.empty());
      EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
      EXPECT_NE(run.err.find(args[0][0] == '-' ? "\"exit\":1}" : "orbi-name: "),
                std::string::npos)
          << run.err;
      EXPECT_TRUE(run.err.find("NO_MEMORY") != std::string::npos ||
                  run.err.find("no memory") != std::string::npos ||
                  run.err.find("out of memory") != std::string::npos)
          << run.err;
    }
  }
}

}  // namespace
