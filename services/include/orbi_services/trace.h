// PLVTrace: the default trace object that the name library writes its records
// to, and the inline test the library uses to decide whether to write one.
//
// The object starts off. A program turns it on by setting the three words and
// routes the records to a function of its own with SetSink. Configure the
// trace object before other threads use the library: the three words are
// read without a lock on every record.
//
// The sink runs while the trace object's lock is held, and often while the
// library holds the lock of the name or set whose operation writes the
// record. It must return without calling the library or SetSink: either
// would wait for a lock its own thread holds.
#ifndef ORBI_SERVICES_TRACE_H_
#define ORBI_SERVICES_TRACE_H_

#include <stdint.h>

#include <mutex>

// The component of the name library's records and the levels they are
// written at; a program selects them through componentMask and levelMask.
inline constexpr unsigned long kPLVTraceNameComponent = 0x400;
inline constexpr unsigned long kPLVTraceEntryLevel = 0x80000000ul;  // entry
inline constexpr unsigned long kPLVTraceExitLevel = 0x40000000ul;   // exit
// Level-1 records name an outcome ("... returns BAD_INPUT").
inline constexpr unsigned long kPLVTraceOutcomeLevel = 1;

class PLVTrace {
 public:
  // Receives one record. file is null and line 0 for exit records. Returns
  // non-zero when the record was taken, which makes an exit record due.
  using Sink = int (*)(void* context, const char* file, unsigned int line,
                       unsigned long level, const char* text,
                       unsigned int length);

  PLVTrace() = default;
  PLVTrace(const PLVTrace&) = delete;
  PLVTrace& operator=(const PLVTrace&) = delete;

  // The first three 32-bit words, read directly by PLVTraceEnabled.
  uint32_t on = 0;             // non-zero: tracing is on
  uint32_t componentMask = 0;  // components whose records are written
  uint32_t levelMask = 0;      // levels whose records are written

  // write hands one record to the sink. Returns the sink's result, or 0 when
  // no sink is set (nothing was written).
  int write(const char* file, unsigned int line, unsigned long level,
            const char* text, unsigned int length);

  // SetSink routes every later record to sink(context, ...); a null sink
  // drops records. Safe to call while other threads write; not from a sink.
  void SetSink(Sink sink, void* context);

  // The process's default trace object, read afresh for every record.
  static PLVTrace* s_defaultTracePtr;

 private:
  std::mutex sink_mutex_;
  Sink sink_ = nullptr;
  void* sink_context_ = nullptr;
};

// PLVTraceEnabled is true when trace is not null, is on, and both component
// and level meet its masks.
inline bool PLVTraceEnabled(const PLVTrace* trace, unsigned long component,
                            unsigned long level) {
  return trace != nullptr && trace->on != 0 &&
         (component & trace->componentMask) != 0 &&
         (level & trace->levelMask) != 0;
}

#endif  // ORBI_SERVICES_TRACE_H_
