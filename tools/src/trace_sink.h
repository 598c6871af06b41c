// The library's trace records on stderr, for --trace.
#ifndef ORBI_TOOL_TRACE_SINK_H_
#define ORBI_TOOL_TRACE_SINK_H_

namespace orbi_tool {

// TraceToStderr writes one record per line: its kind, the source position for
// entry and level-1 records, and the text, escaped. A trace sink: returns 1.
int TraceToStderr(void* context, const char* file, unsigned int line,
                  unsigned long level, const char* text, unsigned int length);

// TurnTracingOn sends every record of the library's default trace to
// TraceToStderr.
void TurnTracingOn();

}  // namespace orbi_tool

#endif  // ORBI_TOOL_TRACE_SINK_H_
