// Benchmarks of one name's operations: import, display, compare, copy,
// canonicalize, export, the whole import-to-token round, and one name shared
// by two threads. Every single-operation benchmark has a row with tracing off
// (trace:0) and one with tracing on into a discarding sink (trace:1); run
// with --threaded, every row is measured in a process that has started a
// thread (bench_main.h), and the shared-name rows are added.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <new>

#include "bench_main.h"
#include "bench_support.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"

namespace {

using orbi_bench::DefaultNameType;
using orbi_bench::FailIf;
using orbi_bench::kName17;
using orbi_bench::kName5;
using orbi_bench::Mechanism;
using orbi_bench::OwnedOID;
using orbi_bench::TextBuffer;
using orbi_bench::TraceMode;
namespace status = orbi_name::status;

const char* NameOfLength(int64_t length) {
  return length == 5 ? kName5 : kName17;
}

// Set on one name again and again: each call releases the previous text and
// copies the new one. type_kind 0 passes no type, 1 the table's own default
// type, 2 a caller's copy of it (compared by value).
void SetWithType(benchmark::State& state, int type_kind) {
  TraceMode trace(state.range(1) != 0);
  gss_buffer_desc input = TextBuffer(NameOfLength(state.range(0)));
  OwnedOID caller_type(DefaultNameType());
  gss_OID type = type_kind == 0   ? nullptr
                 : type_kind == 1 ? DefaultNameType()
                                  : caller_type.get();
  PLVORBIInternalName name;
  for (auto _ : state) {
    OM_uint32 result = name.Set(type, &input);
    if (FailIf(state, result != status::SUCCESS, "Set failed")) break;
  }
}

void BM_Set_NullType(benchmark::State& state) { SetWithType(state, 0); }
void BM_Set_TableType(benchmark::State& state) { SetWithType(state, 1); }
void BM_Set_CallerType(benchmark::State& state) { SetWithType(state, 2); }
BENCHMARK(BM_Set_NullType)
    ->ArgsProduct({{5, 17}, {0, 1}})
    ->ArgNames({"len", "trace"});
BENCHMARK(BM_Set_TableType)
    ->ArgsProduct({{5, 17}, {0, 1}})
    ->ArgNames({"len", "trace"});
BENCHMARK(BM_Set_CallerType)
    ->ArgsProduct({{5, 17}, {0, 1}})
    ->ArgNames({"len", "trace"});

// A new name, Set with the table's default type, destroyed: what
// gss_import_name followed by gss_release_name does.
void BM_ImportRelease(benchmark::State& state) {
  TraceMode trace(state.range(0) != 0);
  gss_buffer_desc input = TextBuffer(kName17);
  gss_OID type = DefaultNameType();
  for (auto _ : state) {
    auto* name = new (std::nothrow) PLVORBIInternalName;
    if (FailIf(state, name == nullptr, "new failed")) break;
    OM_uint32 result = name->Set(type, &input);
    delete name;
    if (FailIf(state, result != status::SUCCESS, "Set failed")) break;
  }
}
BENCHMARK(BM_ImportRelease)->ArgName("trace")->Arg(0)->Arg(1);

// A name imported with no type (it then holds the default type) and, when
// canonical, bound to the mechanism.
bool Prepare(PLVORBIInternalName& name, const char* text, bool canonical) {
  gss_buffer_desc input = TextBuffer(text);
  if (name.Set(static_cast<gss_OID>(nullptr), &input) != status::SUCCESS) {
    return false;
  }
  return !canonical || name.CanonicalizeName(Mechanism()) == status::SUCCESS;
}

void BM_Display(benchmark::State& state) {
  PLVORBIInternalName name;
  if (FailIf(state, !Prepare(name, kName17, false), "prepare failed")) return;
  TraceMode trace(state.range(0) != 0);
  for (auto _ : state) {
    gss_buffer_desc output;
    gss_OID type;
    OM_uint32 result = name.Display(&output, &type);
    if (FailIf(state, result != status::SUCCESS, "Display failed")) break;
    benchmark::DoNotOptimize(type);
    free(output.value);
  }
}
BENCHMARK(BM_Display)->ArgName("trace")->Arg(0)->Arg(1);

void CompareWith(benchmark::State& state, const char* other_text,
                 int expected) {
  PLVORBIInternalName name;
  PLVORBIInternalName other;
  if (FailIf(state,
             !Prepare(name, kName17, true) || !Prepare(other, other_text, true),
             "prepare failed")) {
    return;
  }
  TraceMode trace(state.range(0) != 0);
  for (auto _ : state) {
    int equal = name == other;
    if (FailIf(state, equal != expected, "wrong comparison result")) break;
  }
}

// Equal names: the whole text is compared.
void BM_CompareEqual(benchmark::State& state) {
  CompareWith(state, kName17, 1);
}
// Same length, different realm: the texts differ in the middle.
void BM_CompareUnequal(benchmark::State& state) {
  CompareWith(state, "alice@EXAMPLE.ORG", 0);
}
BENCHMARK(BM_CompareEqual)->ArgName("trace")->Arg(0)->Arg(1);
BENCHMARK(BM_CompareUnequal)->ArgName("trace")->Arg(0)->Arg(1);

// operator= into a new name, then its destruction: what gss_duplicate_name
// followed by gss_release_name does.
void BM_AssignNewRelease(benchmark::State& state) {
  PLVORBIInternalName source;
  if (FailIf(state, !Prepare(source, kName17, true), "prepare failed")) return;
  TraceMode trace(state.range(0) != 0);
  for (auto _ : state) {
    auto* copy = new (std::nothrow) PLVORBIInternalName;
    if (FailIf(state, copy == nullptr, "new failed")) break;
    *copy = source;
    benchmark::DoNotOptimize(copy);
    delete copy;
  }
}
BENCHMARK(BM_AssignNewRelease)->ArgName("trace")->Arg(0)->Arg(1);

// CanonicalizeName on a name with the default type: with the table's own
// mechanism pointer, and with a caller's copy of the mechanism OID.
void CanonicalizeWith(benchmark::State& state, bool caller_copy) {
  PLVORBIInternalName name;
  if (FailIf(state, !Prepare(name, kName17, false), "prepare failed")) return;
  OwnedOID copy(Mechanism());
  gss_OID mech = caller_copy ? copy.get() : Mechanism();
  TraceMode trace(state.range(0) != 0);
  for (auto _ : state) {
    OM_uint32 result = name.CanonicalizeName(mech);
    if (FailIf(state, result != status::SUCCESS, "CanonicalizeName failed")) {
      break;
    }
  }
}
void BM_Canonicalize_TableMech(benchmark::State& state) {
  CanonicalizeWith(state, false);
}
void BM_Canonicalize_CallerMech(benchmark::State& state) {
  CanonicalizeWith(state, true);
}
BENCHMARK(BM_Canonicalize_TableMech)->ArgName("trace")->Arg(0)->Arg(1);
BENCHMARK(BM_Canonicalize_CallerMech)->ArgName("trace")->Arg(0)->Arg(1);

// Export of a canonical name, the token released.
void BM_Export(benchmark::State& state) {
  PLVORBIInternalName name;
  if (FailIf(state, !Prepare(name, kName17, true), "prepare failed")) return;
  TraceMode trace(state.range(0) != 0);
  for (auto _ : state) {
    gss_buffer_desc token;
    OM_uint32 result = name.Export(&token);
    if (FailIf(state, result != status::SUCCESS, "Export failed")) break;
    free(token.value);
  }
}
BENCHMARK(BM_Export)->ArgName("trace")->Arg(0)->Arg(1);

// The whole round a mechanism makes for a caller: a new name imported with
// the table's default type, canonicalized, exported, and the token and the
// name released. mech 0 passes the table's mechanism pointer, 1 a caller's
// copy of it.
void BM_ImportCanonExportRelease(benchmark::State& state) {
  OwnedOID copy(Mechanism());
  gss_OID mech = state.range(0) == 0 ? Mechanism() : copy.get();
  gss_OID type = DefaultNameType();
  gss_buffer_desc input = TextBuffer(kName17);
  TraceMode trace(state.range(1) != 0);
  for (auto _ : state) {
    auto* name = new (std::nothrow) PLVORBIInternalName;
    if (FailIf(state, name == nullptr, "new failed")) break;
    gss_buffer_desc token;
    token.value = nullptr;
    OM_uint32 result = name->Set(type, &input);
    if (result == status::SUCCESS) result = name->CanonicalizeName(mech);
    if (result == status::SUCCESS) result = name->Export(&token);
    free(token.value);
    delete name;
    if (FailIf(state, result != status::SUCCESS, "round failed")) break;
  }
}
BENCHMARK(BM_ImportCanonExportRelease)
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"mech", "trace"});

// One name shared by the benchmark's threads: each thread compares it with
// its own equal name, or displays it, so the threads meet on the shared
// name's lock. Real time per operation per thread: with two threads on two
// cores, a rise over the one-thread row is the cost of the contention (the
// lock's word and the name moving between the cores, and waits in the
// kernel).
PLVORBIInternalName* g_shared_name = nullptr;

void BM_SharedCompare(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_shared_name = new PLVORBIInternalName;
    Prepare(*g_shared_name, kName17, true);
  }
  PLVORBIInternalName mine;
  Prepare(mine, kName17, true);
  // The loop starts and ends at a barrier of all threads: the shared name is
  // made before any thread reads it and destroyed after the last has.
  for (auto _ : state) {
    int equal = *g_shared_name == mine;
    benchmark::DoNotOptimize(equal);
  }
  if (state.thread_index() == 0) {
    delete g_shared_name;
    g_shared_name = nullptr;
  }
}

void BM_SharedDisplay(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_shared_name = new PLVORBIInternalName;
    Prepare(*g_shared_name, kName17, true);
  }
  for (auto _ : state) {
    gss_buffer_desc output;
    OM_uint32 result = g_shared_name->Display(&output, nullptr);
    if (result == status::SUCCESS) free(output.value);
    benchmark::DoNotOptimize(result);
  }
  if (state.thread_index() == 0) {
    delete g_shared_name;
    g_shared_name = nullptr;
  }
}

// Threads(2) starts a thread, so these rows exist only in the --threaded run
// (bench_main.h); their one-thread row is the uncontended figure on the
// atomic path, the one the two-thread row is judged against.
const orbi_bench::ThreadedOnly kSharedNameRows([] {
  benchmark::RegisterBenchmark("BM_SharedCompare", BM_SharedCompare)
      ->Threads(1)
      ->Threads(2)
      ->UseRealTime();
  benchmark::RegisterBenchmark("BM_SharedDisplay", BM_SharedDisplay)
      ->Threads(1)
      ->Threads(2)
      ->UseRealTime();
});

}  // namespace

int main(int argc, char** argv) { return orbi_bench::Main(argc, argv); }
