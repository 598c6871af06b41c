#include "command_line.h"

#include <stdio.h>
#include <string.h>

#include <new>
#include <string>
#include <utility>

#include "args.h"
#include "commands.h"
#include "orbi_name/version.h"
#include "session.h"
#include "trace_sink.h"

namespace orbi_tool {

namespace {

constexpr char kOutOfMemory[] = "out of memory";

// Options a command takes besides --trace, --json and --help.
enum Option : unsigned {
  kRaw = 1u << 0,
  kIn = 1u << 1,
  kType = 1u << 2,
  kContent = 1u << 3,
};

#define ORBI_TOOL_TEXT_HELP                                                    \
  "\nTEXT is the name: \\n stands for a line feed, \\\\ for a backslash and\n" \
  "\\xHH for the byte HH (\\x2d for a name that is just '-'); any other\n"     \
  "backslash stands for itself. With - or --in FILE the name is the bytes\n"   \
  "of standard input or FILE, as they are (at most 64 MiB), so a name may\n"   \
  "hold a zero byte.\n"                                                        \
  "\n--type sets the name type: default (also without --type), anonymous,\n"   \
  "exported, or an OID in dotted text or braces. The library takes the\n"      \
  "default, exported and anonymous types only. With exported, TEXT is an\n"    \
  "exported name token in hex, and - or --in FILE give it in hex or as\n"      \
  "raw bytes; such a name is bound to the mechanism already. With\n"           \
  "anonymous, TEXT may be left out.\n"

#define ORBI_TOOL_JSON_HELP                                                 \
  "\n--json prints one JSON object instead; byte strings appear as\n"       \
  "{\"text\": ..., \"hex\": ...}, text with bytes that are not printable\n" \
  "UTF-8 as \\u00XX.\n"

const Command kCommands[] = {
    {"show", &RunShow, 0, 1, kIn | kType,
     "show [--trace] [--json] [--type TYPE] TEXT | - | --in FILE",
     "Imports the name, binds it to the library's mechanism and prints the\n"
     "displayed name, the name type and mechanism OIDs and the exported\n"
     "name token in hex.\n" ORBI_TOOL_TEXT_HELP ORBI_TOOL_JSON_HELP},
    {"export", &RunExport, 0, 1, kRaw | kIn | kType,
     "export [--trace] [--json | --raw] [--type TYPE] TEXT | - | --in FILE",
     "Imports and binds the name as show does and writes the exported name\n"
     "token: hex and a line feed, or with --raw the token's "
     "bytes.\n" ORBI_TOOL_TEXT_HELP ORBI_TOOL_JSON_HELP},
    {"inspect", &RunInspect, 0, 1, kIn,
     "inspect [--trace] [--json] [HEX | - | --in FILE]",
     "Reads an exported name token and prints its fields: identifier,\n"
     "mechanism OID, name length, name (escaped) and name type OID. Then the\n"
     "library imports the token as an exported name. The token is HEX, or\n"
     "for - or no argument standard input, or FILE: input that holds only\n"
     "hex digits, blanks, line ends and colons is read as hex, anything else\n"
     "as the token's raw bytes (at most 64 MiB), so that both\n"
     "'orbi-name export alice | orbi-name inspect' and the same with\n"
     "export --raw work. In hex, blanks or colons may stand between byte\n"
     "pairs. A token that does not read gets, on stderr, the fields read\n"
     "before the wrong one and a message naming it, and exit 1; with\n"
     "--json, one error object that holds those fields under "
     "\"fields\".\n" ORBI_TOOL_JSON_HELP},
    {"expand", &RunExpand, 0, 1, kIn | kType,
     "expand [--trace] [--json] [--type TYPE] TEXT | - | --in FILE",
     "Imports the name, whose first line is a database path and each further\n"
     "line an entry, and prints the database path, each entry and the\n"
     "expanded names, one per entry.\n" ORBI_TOOL_TEXT_HELP
         ORBI_TOOL_JSON_HELP},
    {"oid", &RunOid, 1, 1, kContent, "oid [--trace] [--json] [--content] OID",
     "Reads an OID as dotted text (1.2.840.113549), as text in braces\n"
     "(\"{1 2 840 113549}\") or in hex, and prints which of these it read,\n"
     "all three forms, the algorithm code it maps to (or none) and the OID\n"
     "table entry that holds it. Hex that is a well-formed full DER\n"
     "encoding, tag 06, length octets and exactly that many content octets\n"
     "(06 09 2a 86 48 86 f7 0d 01 01 01), is read as one; other hex as DER\n"
     "content octets (2a864886f70d), and --content reads any hex so. Hex\n"
     "that starts with 06 but is no well-formed full encoding is refused\n"
     "without --content. Blanks or colons may stand between byte pairs. The\n"
     "text forms take no arc of 0: give such an OID in hex.\n\n"
     "--json prints one JSON object instead.\n"},
};

#undef ORBI_TOOL_TEXT_HELP
#undef ORBI_TOOL_JSON_HELP

void PrintUsage(FILE* out) {
  fprintf(out, "usage: %s [--trace] [--json] COMMAND [ARGS]\n", kProgram);
  fprintf(out, "       %s --help | --version\n\ncommands:\n", kProgram);
  for (const Command& command : kCommands) {
    fprintf(out, "  %s %s\n", kProgram, command.usage);
  }
  fprintf(out,
          "\n--trace writes the library's trace records to stderr, one per "
          "line.\n"
          "--json prints one JSON object per command on stdout; an error is "
          "then a\nJSON object on stderr: {\"command\", \"error\", "
          "\"exit\"}.\n"
          "A failing command writes nothing to stdout.\n"
          "COMMAND --help describes a command. Exit status: 0 success, 1 "
          "input\nrefused, 2 usage error.\n");
}

int PrintVersion() {
  // The version is the ProductVersion line of the library's own data.
  static const char kKey[] = "@(#)ProductVersion: ";
  const char* line = strstr(plvorbiname_SCCSInfo, kKey);
  std::string version = "unknown";
  if (line != nullptr) {
    line += sizeof kKey - 1;
    version.assign(line, strcspn(line, "\n"));
  }
  printf("%s %s\n%s\n", kProgram, version.c_str(), plvorbiname_LegalNotice);
  return kExitOk;
}

// OptionValue takes the value of an option that has one, given as
// "--name=VALUE" or "--name VALUE"; null when arg is not that option. A
// missing value sets *missing.
const char* OptionValue(const char* name, int argc, const char* const* argv,
                        int* i, bool* missing) {
  const size_t length = strlen(name);
  const char* arg = argv[*i];
  if (strncmp(arg, name, length) != 0) return nullptr;
  if (arg[length] == '=') return arg + length + 1;
  if (arg[length] != '\0') return nullptr;
  if (*i + 1 >= argc) {
    *missing = true;
    return nullptr;
  }
  return argv[++*i];
}

}  // namespace

int Finish(int result) {
  if (fflush(stdout) != 0 || ferror(stdout) != 0) {
    fprintf(stderr, "%s: cannot write to standard output\n", kProgram);
    return kExitRefused;
  }
  return result;
}

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine line;
  // --json is known before anything else so that every error, usage errors
  // included, takes its form.
  for (int j = 1; j < argc && strcmp(argv[j], "--") != 0; ++j) {
    if (strcmp(argv[j], "--json") == 0) line.json = true;
  }
  auto usage_error = [&line](const char* command, std::string message) {
    line.request = Request::kUsageError;
    line.error_command = command;
    line.error = std::move(message);
    return line;
  };

  int i = 1;
  for (; i < argc && argv[i][0] == '-'; ++i) {
    const char* arg = argv[i];
    if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      line.request = Request::kUsage;
      return line;
    }
    if (strcmp(arg, "--version") == 0) {
      line.request = Request::kVersion;
      return line;
    }
    if (strcmp(arg, "--trace") == 0) {
      line.trace = true;
      continue;
    }
    if (strcmp(arg, "--json") == 0) continue;
    return usage_error(nullptr, std::string("unknown option '") + arg + "'");
  }
  if (i == argc) return usage_error(nullptr, "no command given");

  for (const Command& candidate : kCommands) {
    if (strcmp(argv[i], candidate.name) == 0) line.command = &candidate;
  }
  const Command* command = line.command;
  if (command == nullptr) {
    return usage_error(nullptr,
                       std::string("unknown command '") + argv[i] + "'");
  }

  Args& args = line.args;
  bool options_done = false;
  for (++i; i < argc; ++i) {
    const char* arg = argv[i];
    if (options_done || arg[0] != '-' || arg[1] == '\0') {
      args.positional.push_back(arg);
      continue;
    }
    bool missing = false;
    const char* value = nullptr;
    if (strcmp(arg, "--") == 0) {
      options_done = true;
    } else if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
      line.request = Request::kCommandHelp;
      return line;
    } else if (strcmp(arg, "--trace") == 0) {
      line.trace = true;
    } else if (strcmp(arg, "--json") == 0) {
      // Seen above.
    } else if ((command->options & kRaw) != 0 && strcmp(arg, "--raw") == 0) {
      args.raw = true;
    } else if ((command->options & kContent) != 0 &&
               strcmp(arg, "--content") == 0) {
      args.content = true;
    } else if ((command->options & kIn) != 0 &&
               ((value = OptionValue("--in", argc, argv, &i, &missing)) !=
                    nullptr ||
                missing)) {
      if (missing) return usage_error(command->name, "--in needs a FILE");
      args.in = value;
    } else if ((command->options & kType) != 0 &&
               ((value = OptionValue("--type", argc, argv, &i, &missing)) !=
                    nullptr ||
                missing)) {
      if (missing) return usage_error(command->name, "--type needs a TYPE");
      args.type = value;
    } else {
      return usage_error(command->name,
                         std::string("unknown option '") + arg + "'");
    }
  }
  if (args.positional.size() < command->min_args ||
      args.positional.size() > command->max_args) {
    // The text form prints the "orbi-name: usage: ..." line that scripts
    // match.
    return usage_error(
        line.json ? command->name : nullptr,
        std::string("usage: ") + kProgram + " " + command->usage);
  }
  line.request = Request::kRun;
  return line;
}

int Main(int argc, char** argv) {
  bool json = false;
  const char* command = nullptr;
  // Running out of memory, in the tool's own strings or in the library, ends
  // the command with one message and exit 1 (DescribeOid turns a library
  // shortage into std::bad_alloc); what the command built is dropped, so
  // nothing reaches standard output.
  try {
    const CommandLine line = ParseCommandLine(argc, argv);
    json = line.json;
    switch (line.request) {
      case Request::kUsage:
        PrintUsage(stdout);
        return kExitOk;
      case Request::kVersion:
        return PrintVersion();
      case Request::kCommandHelp:
        printf("usage: %s %s\n\n%s", kProgram, line.command->usage,
               line.command->help);
        return kExitOk;
      case Request::kUsageError:
        Session::ReportError(line.error_command, line.json, kExitUsage,
                             line.error, nullptr, nullptr);
        return kExitUsage;
      case Request::kRun:
        break;
    }
    command = line.command->name;
    if (line.trace) TurnTracingOn();
    Session session(line.command->name, line.json);
    const int result = line.command->run(&session, line.args);
    if (result == kExitOk) session.Write();
    return result;
  } catch (const std::bad_alloc&) {
    Session::ReportError(command, json, kExitRefused, kOutOfMemory, nullptr,
                         nullptr);
    return kExitRefused;
  }
}

}  // namespace orbi_tool
