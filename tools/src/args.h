// What the command line gives a command besides --trace and --json.
#ifndef ORBI_TOOL_ARGS_H_
#define ORBI_TOOL_ARGS_H_

#include <vector>

namespace orbi_tool {

struct Args {
  std::vector<const char*> positional;
  bool raw = false;            // --raw
  bool content = false;        // --content
  const char* in = nullptr;    // --in FILE
  const char* type = nullptr;  // --type VALUE
};

}  // namespace orbi_tool

#endif  // ORBI_TOOL_ARGS_H_
