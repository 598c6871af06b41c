#include "trace_sink.h"

#include <stdio.h>

#include <string>

#include "byte_text.h"
#include "orbi_services/trace.h"

namespace orbi_tool {

int TraceToStderr(void* /*context*/, const char* file, unsigned int line,
                  unsigned long level, const char* text, unsigned int length) {
  std::string kind;
  if (level == kPLVTraceEntryLevel) {
    kind = "entry";
  } else if (level == kPLVTraceExitLevel) {
    kind = "exit";
  } else if (level == kPLVTraceOutcomeLevel) {
    kind = "level1";
  } else {
    kind = "level " + std::to_string(level);
  }
  std::string where;
  if (file != nullptr) where = std::string(file) + ":" + std::to_string(line);
  const std::string what =
      text == nullptr
          ? std::string()
          : Escape(reinterpret_cast<const unsigned char*>(text), length);
  fprintf(stderr, "trace %s%s%s %s\n", kind.c_str(), where.empty() ? "" : " ",
          where.c_str(), what.c_str());
  return 1;
}

void TurnTracingOn() {
  PLVTrace* trace = PLVTrace::s_defaultTracePtr;
  if (trace == nullptr) return;
  trace->SetSink(&TraceToStderr, nullptr);
  trace->componentMask = 0xFFFFFFFFu;
  trace->levelMask = 0xFFFFFFFFu;
  trace->on = 1;
}

}  // namespace orbi_tool
