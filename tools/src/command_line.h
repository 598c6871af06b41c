// The command line: global options, the command and its options, help and
// version texts.
//
// The parser is written by hand rather than with getopt_long: glibc's
// getopt_long takes any unambiguous abbreviation of a long option ("--ty"
// for "--type") and takes clusters of short options apart ("-hx"), and the
// tool accepts only the exact spellings and reports every other argument
// that starts with '-' as an unknown option, word for word.
#ifndef ORBI_TOOL_COMMAND_LINE_H_
#define ORBI_TOOL_COMMAND_LINE_H_

#include <stddef.h>

#include <string>

#include "args.h"

namespace orbi_tool {

class Session;

// Command is one command of the tool: its name, what runs it, how many
// positional arguments it takes, the options it takes besides --trace,
// --json and --help (a set of Option bits), its usage line and help text.
struct Command {
  const char* name;
  int (*run)(Session*, const Args&);
  size_t min_args;
  size_t max_args;
  unsigned options;
  const char* usage;
  const char* help;
};

// What a command line asks for.
enum class Request {
  kRun,          // run command with args
  kUsage,        // print the tool's usage (--help before a command)
  kVersion,      // print the version (--version before a command)
  kCommandHelp,  // print command's usage and help (--help after it)
  kUsageError,   // report error, a usage error
};

// CommandLine is the parse of a command line: what it asks for, with the
// command, its arguments and the global flags.
struct CommandLine {
  Request request = Request::kUsageError;
  const Command* command = nullptr;  // kRun, kCommandHelp; the command of a
                                     // usage error when there is one
  Args args;                         // kRun
  bool json = false;                 // --json anywhere before "--"
  bool trace = false;                // --trace before or after the command
  std::string error;                 // kUsageError: the message
  // kUsageError: the command the error is reported for, or null for an
  // error of the tool as a whole.
  const char* error_command = nullptr;
};

// ParseCommandLine reads argv[1] to argv[argc - 1] and says what they ask
// for. It has no effects: it prints nothing and reads no file; the
// arguments it hands on point into argv.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// Main reads the command line, runs the command and writes its output;
// returns the exit status.
int Main(int argc, char** argv);

// Finish flushes standard output and returns result, or kExitRefused with a
// message when the output could not be written.
int Finish(int result);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_COMMAND_LINE_H_
