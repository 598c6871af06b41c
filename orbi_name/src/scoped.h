// Scoped helpers shared by the name library's sources: the trace discipline
// (entry, exit and level-1 records) and a lock guard over PLVMutex.
#ifndef ORBI_NAME_SRC_SCOPED_H_
#define ORBI_NAME_SRC_SCOPED_H_

#include <string.h>

#include "hints.h"
#include "orbi_services/mutex.h"
#include "orbi_services/trace.h"

namespace orbi_name {
namespace internal {

// The library's trace component and levels (orbi_services/trace.h).
inline constexpr unsigned long kTraceComponent = kPLVTraceNameComponent;
inline constexpr unsigned long kTraceEntry = kPLVTraceEntryLevel;
inline constexpr unsigned long kTraceExit = kPLVTraceExitLevel;
inline constexpr unsigned long kTraceLevel1 = kPLVTraceOutcomeLevel;

// The record operator= writes, also for each member CopyExpandedName makes
// (a member stands for a copy of the name).
inline constexpr char kAssignText[] = "PLVORBIInternalName::Operator=";

// Source paths written into the records, fixed so that records do not depend
// on where the tree was built.
inline constexpr const char kNameSource[] = "orbi_name/src/internal_name";
inline constexpr const char kNameSetSource[] =
    "orbi_name/src/internal_name_set";

// WriteExitRecord writes the exit record of text if the trace object, read
// afresh, is on for exit records. Out of line, so that a scope's exit costs
// one test of its flag where no record is due: the operation's own values
// need not be kept around a call on every way out. The entry record's write
// stays inline: when tracing is on, a call there would cost every traced
// operation a call and the saving of its arguments.
ORBI_NOINLINE inline void WriteExitRecord(const char* text,
                                          unsigned int length) {
  PLVTrace* trace = PLVTrace::s_defaultTracePtr;
  if (PLVTraceEnabled(trace, kTraceComponent, kTraceExit)) {
    trace->write(nullptr, 0, kTraceExit, text, length);
  }
}

// TraceScope writes the entry record on construction and, when that record
// was taken, the exit record on every way out (returns and unwinding alike).
// The text is a template argument, a constant character array, so its
// length is known when the library is compiled and the scope carries only
// whether an exit record is due.
template <const auto& kText>
class TraceScope {
 public:
  TraceScope(const char* file, unsigned int line) {
    PLVTrace* trace = PLVTrace::s_defaultTracePtr;
    if (PLVTraceEnabled(trace, kTraceComponent, kTraceEntry)) {
      exit_due_ = trace->write(file, line, kTraceEntry, kText, kLength) != 0;
    }
  }
  ~TraceScope() {
    if (exit_due_) WriteExitRecord(kText, kLength);
  }
  TraceScope(const TraceScope&) = delete;
  TraceScope& operator=(const TraceScope&) = delete;

 private:
  // The text without its NUL.
  static constexpr auto kLength = static_cast<unsigned int>(sizeof(kText) - 1);

  bool exit_due_ = false;
};

// TraceLevel1 writes one level-1 record; it makes no exit record due. Inline,
// so the length of a constant text is counted when the library is compiled.
inline void TraceLevel1(const char* file, unsigned int line, const char* text) {
  PLVTrace* trace = PLVTrace::s_defaultTracePtr;
  if (PLVTraceEnabled(trace, kTraceComponent, kTraceLevel1)) {
    trace->write(file, line, kTraceLevel1, text,
                 static_cast<unsigned int>(strlen(text)));
  }
}

// MutexLock holds a PLVMutex for its scope.
class ORBI_SCOPED_CAPABILITY MutexLock {
 public:
  explicit MutexLock(PLVMutex& mutex) ORBI_ACQUIRE(mutex) : mutex_(mutex) {
    mutex_.lock();
  }
  ~MutexLock() ORBI_RELEASE() { mutex_.unlock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  PLVMutex& mutex_;
};

}  // namespace internal
}  // namespace orbi_name

// Trace macros: the line is the call site's, the file the fixed source path.
// A scope's text must be a named constant character array (a template
// argument).
#define ORBI_TRACE_SCOPE(file, text) \
  ::orbi_name::internal::TraceScope<text> orbi_trace_scope_((file), __LINE__)
// A second trace scope in the same block needs a name of its own.
#define ORBI_TRACE_SCOPE_NAMED(name, file, text) \
  ::orbi_name::internal::TraceScope<text> name((file), __LINE__)
#define ORBI_TRACE_LEVEL1(file, text) \
  ::orbi_name::internal::TraceLevel1((file), __LINE__, (text))

#endif  // ORBI_NAME_SRC_SCOPED_H_
