// A main for the fuzz targets built without libFuzzer, so that the checked-in
// corpora are ordinary tests of any build: runs the target once on every
// input named on the command line, where a directory stands for every regular
// file below it (in name order, so that runs repeat), all in one process as
// libFuzzer runs a corpus.
//
//   <target>_replay FILE_OR_DIRECTORY...
//
// Success is one line on stdout. A failing input is named on stderr, whatever
// way it fails: a broken invariant aborts, a sanitizer reports and stops the
// process, a leak is found after the input, a signal kills the process, or
// the input runs longer than kSecondsPerInput. Exit status 0 when every input
// passed, 1 when one failed (or the process dies), 2 on a usage error or an
// unreadable or empty input path.
#include <signal.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Defined by the sanitizer runtimes when one is linked in, null otherwise.
// The death callback runs when a sanitizer stops the process; the hooks see
// every allocation and release; the leak check reports the leaks so far,
// without stopping, and returns nonzero when there were any.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void))
    __attribute__((weak));
extern "C" int __sanitizer_install_malloc_and_free_hooks(
    void (*malloc_hook)(const volatile void*, size_t),
    void (*free_hook)(const volatile void*)) __attribute__((weak));
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

namespace {

// Generous for a corpus input under a sanitizer on a loaded machine; only a
// hang should reach it.
constexpr unsigned kSecondsPerInput = 60;

// The input being run, read by the failure handlers; null between inputs.
const char* volatile g_current_input = nullptr;
volatile sig_atomic_t g_reported = 0;

// Allocations and releases while an input runs. A leak check costs about as
// much as a whole input, so, as libFuzzer does, it runs only after an input
// that allocated more blocks than it released.
std::atomic<size_t> g_allocations{0};
std::atomic<size_t> g_releases{0};
void CountAllocation(const volatile void*, size_t) { ++g_allocations; }
void CountRelease(const volatile void*) { ++g_releases; }

// Async-signal-safe: only write(2).
void WriteStderr(const char* text) {
  size_t left = strlen(text);
  while (left > 0) {
    const ssize_t written = write(STDERR_FILENO, text, left);
    if (written <= 0) return;
    text += written;
    left -= static_cast<size_t>(written);
  }
}

// Names the failing input once, however many handlers see the failure (a
// sanitizer's death callback and then the abort it ends with).
void ReportFailure(const char* what) {
  if (g_reported) return;
  g_reported = 1;
  const char* input = g_current_input;
  WriteStderr("replay: ");
  WriteStderr(what);
  if (input != nullptr) {
    WriteStderr(" on input ");
    WriteStderr(input);
  } else {
    WriteStderr(" outside any input (a leak at exit is found only then)");
  }
  WriteStderr("\n");
}

void OnSanitizerDeath() { ReportFailure("failed"); }

void OnFatalSignal(int signal_number) {
  ReportFailure(signal_number == SIGALRM ? "timed out" : "crashed");
  // Die of the same signal with its default action, so that the test runner
  // sees a crash as a crash; a timeout ends as an abort.
  if (signal_number == SIGALRM) signal_number = SIGABRT;
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

void InstallFailureHandlers() {
  std::vector<int> signals = {SIGABRT, SIGILL, SIGALRM};
  if (__sanitizer_set_death_callback != nullptr) {
    // A sanitizer handles SIGSEGV, SIGBUS and SIGFPE itself and reports with
    // a stack trace before it calls back; taking those signals over would
    // lose that report.
    __sanitizer_set_death_callback(OnSanitizerDeath);
  } else {
    signals.insert(signals.end(), {SIGSEGV, SIGBUS, SIGFPE});
  }
  struct sigaction action;
  memset(&action, 0, sizeof(action));
  action.sa_handler = OnFatalSignal;
  action.sa_flags = SA_RESETHAND | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : signals) {
    sigaction(signal_number, &action, nullptr);
  }
}

// Appends the inputs that `path` names: the file itself, or every regular
// file below the directory, sorted. False, with a message, when the path
// cannot be read or a directory holds no file.
[[nodiscard]] bool CollectInputs(const char* path,
                                 std::vector<std::string>* inputs) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (error || !fs::exists(status)) {
    fprintf(stderr, "replay: cannot read %s\n", path);
    return false;
  }
  if (!fs::is_directory(status)) {
    inputs->push_back(path);
    return true;
  }
  std::vector<std::string> found;
  for (fs::recursive_directory_iterator it(path, error), end;
       !error && it != end; it.increment(error)) {
    if (it->is_regular_file(error)) found.push_back(it->path().string());
  }
  if (error) {
    fprintf(stderr, "replay: cannot list %s: %s\n", path,
            error.message().c_str());
    return false;
  }
  if (found.empty()) {
    fprintf(stderr, "replay: no input files in %s\n", path);
    return false;
  }
  std::sort(found.begin(), found.end());
  inputs->insert(inputs->end(), found.begin(), found.end());
  return true;
}

[[nodiscard]] bool ReadInput(const std::string& path,
                             std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in),
                std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

// UndefinedBehaviorSanitizer's defaults for this program (UBSAN_OPTIONS still
// overrides them): abort on a report, so that the abort handler names the
// input. GCC links UBSan as a runtime of its own beside AddressSanitizer's,
// which never calls the death callback set above, and would otherwise end
// the process with a bare exit status.
extern "C" const char* __ubsan_default_options() { return "abort_on_error=1"; }

int main(int argc, char** argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
    return 2;
  }
  std::vector<std::string> inputs;
  for (int i = 1; i < argc; ++i) {
    if (!CollectInputs(argv[i], &inputs)) return 2;
  }

  InstallFailureHandlers();
  const bool counting = __sanitizer_install_malloc_and_free_hooks != nullptr &&
                        __sanitizer_install_malloc_and_free_hooks(
                            CountAllocation, CountRelease) != 0;
  std::vector<uint8_t> bytes;
  for (const std::string& input : inputs) {
    if (!ReadInput(input, &bytes)) {
      fprintf(stderr, "replay: cannot read %s\n", input.c_str());
      return 2;
    }
    // An exact-size heap copy, so that AddressSanitizer sees a read past the
    // end of the input as libFuzzer's own buffer would show it.
    std::unique_ptr<uint8_t[]> copy(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.get());

    g_current_input = input.c_str();
    g_allocations = 0;
    g_releases = 0;
    alarm(kSecondsPerInput);
    const int result = LLVMFuzzerTestOneInput(copy.get(), bytes.size());
    alarm(0);
    // Read before the copy is released, which is not the input's doing.
    const bool may_leak = !counting || g_allocations.load() > g_releases.load();
    copy.reset();
    // libFuzzer reserves every return value but 0 and -1 (do not add the
    // input to the corpus).
    if (result != 0 && result != -1) {
      ReportFailure("returned an unsupported value");
      return 1;
    }
    if (may_leak && __lsan_do_recoverable_leak_check != nullptr &&
        __lsan_do_recoverable_leak_check() != 0) {
      ReportFailure("leaked memory");
      // Not through exit(): the leak check at exit would report the same
      // leak a second time.
      fflush(stdout);
      _exit(1);
    }
    g_current_input = nullptr;
  }
  printf("replay: %zu inputs ok\n", inputs.size());
  return 0;
}
