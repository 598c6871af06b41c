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

namespace orbi_tool {

// Main reads the command line, runs the command and writes its output;
// returns the exit status.
int Main(int argc, char** argv);

// Finish flushes standard output and returns result, or kExitRefused with a
// message when the output could not be written.
int Finish(int result);

}  // namespace orbi_tool

#endif  // ORBI_TOOL_COMMAND_LINE_H_
