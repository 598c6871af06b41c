// The tool's command line, parsed without running anything: what each
// argument list asks for, and the message of every usage error.
#include "command_line.h"

#include <string>
#include <vector>

#include "gtest/gtest.h"

namespace {

using orbi_tool::CommandLine;
using orbi_tool::ParseCommandLine;
using orbi_tool::Request;

CommandLine Parse(const std::vector<const char*>& args) {
  std::vector<const char*> argv = {"orbi-name"};
  argv.insert(argv.end(), args.begin(), args.end());
  return ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

std::string Joined(const std::vector<const char*>& items) {
  std::string out;
  for (const char* item : items)
    out += std::string(out.empty() ? "" : "|") + item;
  return out;
}

TEST(CommandLine, WhatEachLineAsksFor) {
  const struct {
    std::vector<const char*> args;
    Request request;
    const char* command;  // null: none
    bool json;
    bool trace;
    const char* positional;  // the positional arguments joined by '|'
  } kCases[] = {
      {{"--help"}, Request::kUsage, nullptr, false, false, ""},
      {{"-h"}, Request::kUsage, nullptr, false, false, ""},
      {{"--trace", "--help", "bogus"},
       Request::kUsage,
       nullptr,
       false,
       true,
       ""},
      {{"--version"}, Request::kVersion, nullptr, false, false, ""},
      {{"show", "alice"}, Request::kRun, "show", false, false, "alice"},
      {{"--json", "show", "alice"},
       Request::kRun,
       "show",
       true,
       false,
       "alice"},
      {{"show", "alice", "--json"},
       Request::kRun,
       "show",
       true,
       false,
       "alice"},
      {{"--trace", "export", "alice"},
       Request::kRun,
       "export",
       false,
       true,
       "alice"},
      {{"expand", "--trace", "db\\nalice"},
       Request::kRun,
       "expand",
       false,
       true,
       "db\\nalice"},
      {{"show", "-"}, Request::kRun, "show", false, false, "-"},
      {{"show", "--", "--json"}, Request::kRun, "show", false, false, "--json"},
      {{"show", "--", "-x"}, Request::kRun, "show", false, false, "-x"},
      {{"inspect"}, Request::kRun, "inspect", false, false, ""},
      {{"oid", "--content", "2a03"},
       Request::kRun,
       "oid",
       false,
       false,
       "2a03"},
      {{"show", "--help"}, Request::kCommandHelp, "show", false, false, ""},
      {{"oid", "-h", "--bogus"},
       Request::kCommandHelp,
       "oid",
       false,
       false,
       ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(Joined(c.args));
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.request, c.request);
    if (c.command == nullptr) {
      EXPECT_EQ(line.command, nullptr);
    } else {
      ASSERT_NE(line.command, nullptr);
      EXPECT_STREQ(line.command->name, c.command);
    }
    EXPECT_EQ(line.json, c.json);
    EXPECT_EQ(line.trace, c.trace);
    EXPECT_EQ(Joined(line.args.positional), c.positional);
    EXPECT_EQ(line.error, "");
  }
}

TEST(CommandLine, OptionsOfACommand) {
  const struct {
    std::vector<const char*> args;
    bool raw;
    bool content;
    const char* in;    // null: none
    const char* type;  // null: none
  } kCases[] = {
      {{"export", "--raw", "alice"}, true, false, nullptr, nullptr},
      {{"oid", "--content", "2a03"}, false, true, nullptr, nullptr},
      {{"show", "--in", "f"}, false, false, "f", nullptr},
      {{"show", "--in=f"}, false, false, "f", nullptr},
      {{"show", "--in="}, false, false, "", nullptr},
      {{"show", "--type", "anonymous"}, false, false, nullptr, "anonymous"},
      {{"show", "--type=1.2.3", "a"}, false, false, nullptr, "1.2.3"},
      {{"export", "--type", "exported", "--raw", "--in", "t"},
       true,
       false,
       "t",
       "exported"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(Joined(c.args));
    const CommandLine line = Parse(c.args);
    ASSERT_EQ(line.request, Request::kRun) << line.error;
    EXPECT_EQ(line.args.raw, c.raw);
    EXPECT_EQ(line.args.content, c.content);
    EXPECT_STREQ(line.args.in, c.in);
    EXPECT_STREQ(line.args.type, c.type);
  }
}

TEST(CommandLine, UsageErrors) {
  const struct {
    std::vector<const char*> args;
    const char* error_command;  // null: the tool as a whole
    const char* error;
  } kCases[] = {
      {{}, nullptr, "no command given"},
      {{"--trace"}, nullptr, "no command given"},
      {{"--bogus", "show"}, nullptr, "unknown option '--bogus'"},
      {{"-x"}, nullptr, "unknown option '-x'"},
      {{"frobnicate"}, nullptr, "unknown command 'frobnicate'"},
      {{"Show", "a"}, nullptr, "unknown command 'Show'"},
      // Exact spellings only: no abbreviations, no clusters.
      {{"show", "--ty", "x", "a"}, "show", "unknown option '--ty'"},
      {{"show", "-hx"}, "show", "unknown option '-hx'"},
      // An option another command takes.
      {{"show", "--raw", "a"}, "show", "unknown option '--raw'"},
      {{"export", "--content", "a"}, "export", "unknown option '--content'"},
      {{"oid", "--in", "f"}, "oid", "unknown option '--in'"},
      {{"show", "--in"}, "show", "--in needs a FILE"},
      {{"show", "a", "--type"}, "show", "--type needs a TYPE"},
      {{"show", "a", "b"},
       nullptr,
       "usage: orbi-name show [--trace] [--json] [--type TYPE] TEXT | - | "
       "--in FILE"},
      {{"oid"},
       nullptr,
       "usage: orbi-name oid [--trace] [--json] [--content] OID"},
      // With --json the usage line is reported for the command.
      {{"--json", "oid"},
       "oid",
       "usage: orbi-name oid [--trace] [--json] [--content] OID"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(Joined(c.args));
    const CommandLine line = Parse(c.args);
    EXPECT_EQ(line.request, Request::kUsageError);
    EXPECT_EQ(line.error, c.error);
    EXPECT_STREQ(line.error_command, c.error_command);
  }
}

}  // namespace
