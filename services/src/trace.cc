#include "orbi_services/trace.h"

namespace {
PLVTrace g_default_trace;
}  // namespace

PLVTrace* PLVTrace::s_defaultTracePtr = &g_default_trace;

int PLVTrace::write(const char* file, unsigned int line, unsigned long level,
                    const char* text, unsigned int length) {
  std::lock_guard<std::mutex> guard(sink_mutex_);
  if (sink_ == nullptr) return 0;
  return sink_(sink_context_, file, line, level, text, length);
}

void PLVTrace::SetSink(Sink sink, void* context) {
  std::lock_guard<std::mutex> guard(sink_mutex_);
  sink_ = sink;
  sink_context_ = context;
}
