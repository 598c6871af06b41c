// Helpers shared by the benchmark programs: the tracing switch, the inputs
// every program uses, and small holders that release what an operation hands
// out.
#ifndef ORBI_NAME_BENCH_BENCH_SUPPORT_H_
#define ORBI_NAME_BENCH_BENCH_SUPPORT_H_

#include <benchmark/benchmark.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "orbi_name/internal_name.h"
#include "orbi_services/gss_types.h"
#include "orbi_services/oid_table.h"
#include "orbi_services/trace.h"

namespace orbi_bench {

// The library's trace component.
inline constexpr uint32_t kTraceComponent = 0x400;

// A sink that takes every record and keeps none: it returns 1 so that every
// entry record makes its exit record due, which is the full cost of tracing.
inline int DiscardRecord(void*, const char*, unsigned int, unsigned long,
                         const char*, unsigned int) {
  return 1;
}

// TraceMode turns the default trace object on (all levels of the library's
// component, records discarded) when on is true, and off again on
// destruction. Benchmarks take the mode from an argument named "trace", so
// each has a row with tracing off (the default) and one with tracing on.
class TraceMode {
 public:
  explicit TraceMode(bool on) : on_(on) {
    if (!on_) return;
    PLVTrace* trace = PLVTrace::s_defaultTracePtr;
    trace->SetSink(&DiscardRecord, nullptr);
    trace->componentMask = kTraceComponent;
    trace->levelMask = 0xFFFFFFFFu;
    trace->on = 1;
  }
  ~TraceMode() {
    if (!on_) return;
    PLVTrace* trace = PLVTrace::s_defaultTracePtr;
    trace->on = 0;
    trace->componentMask = 0;
    trace->levelMask = 0;
    trace->SetSink(nullptr, nullptr);
  }
  TraceMode(const TraceMode&) = delete;
  TraceMode& operator=(const TraceMode&) = delete;

 private:
  bool on_;
};

// Names of the benchmarks: 5 bytes, and 17 bytes with an explicit realm (the
// same text the peers import).
inline constexpr char kName5[] = "alice";
inline constexpr char kName17[] = "alice@EXAMPLE.COM";

// A buffer over a constant text, without its NUL (as a caller passes one).
inline gss_buffer_desc TextBuffer(const char* text) {
  gss_buffer_desc buffer;
  buffer.length = static_cast<OM_uint32>(strlen(text));
  buffer.value = const_cast<char*>(text);
  return buffer;
}

// OwnedOID is a caller's own copy of a gss_OID: equal bytes at another
// address, as a caller that built the OID itself passes it.
class OwnedOID {
 public:
  explicit OwnedOID(gss_OID source) {
    bytes_.assign(static_cast<const char*>(source->elements), source->length);
    desc_.length = source->length;
    desc_.elements = &bytes_[0];
  }
  gss_OID get() { return &desc_; }

 private:
  std::string bytes_;
  gss_OID_desc desc_;
};

// The table indices the benchmarks use.
inline gss_OID DefaultNameType() {
  return ORBIGetOID(kORBIDefaultNameTypeIndex);
}
inline gss_OID Mechanism() { return ORBIGetOID(kORBIMechanismIndex); }

// FailIf stops a benchmark whose operation did not succeed, so that a broken
// operation never shows as a fast one.
inline bool FailIf(benchmark::State& state, bool failed, const char* what) {
  if (failed) state.SkipWithError(what);
  return failed;
}

// A text of a database path and count entries, one per line:
// "/var/db/orbi\nentry00001\nentry00002...".
inline std::string EntriesText(int count) {
  std::string text = "/var/db/orbi";
  char entry[32];
  for (int i = 1; i <= count; ++i) {
    snprintf(entry, sizeof(entry), "\nentry%05d", i);
    text += entry;
  }
  return text;
}

// Deletes a chain of names linked through their next member.
inline void DeleteChain(PLVORBIInternalName* first) {
  while (first != nullptr) {
    PLVORBIInternalName* next = first->GetNextMember();
    delete first;
    first = next;
  }
}

}  // namespace orbi_bench

#endif  // ORBI_NAME_BENCH_BENCH_SUPPORT_H_
