// Benchmarks of a name that carries a database path and entries: the path,
// a walk of every entry with Read, and the expansion into one name per entry.
// The single-operation rows use 4 entries and come with tracing off and on;
// the scaling rows run k = 1 to 4096 entries and fit the complexity, which
// must come out linear (oN) for the walk and the expansion.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <string>

#include "bench_main.h"
#include "bench_support.h"
#include "import_text.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/status.h"

namespace {

using orbi_bench::DeleteChain;
using orbi_bench::EntriesText;
using orbi_bench::FailIf;
using orbi_bench::TraceMode;
namespace status = orbi_name::status;

bool Fill(PLVORBIInternalName& name, const std::string& text) {
  return orbi_bench::ImportText(name, text.data(), text.size(), false);
}

void BM_GetDatabasePath(benchmark::State& state) {
  PLVORBIInternalName name;
  if (FailIf(state, !Fill(name, EntriesText(4)), "Set failed")) return;
  TraceMode trace(state.range(0) != 0);
  for (auto _ : state) {
    gss_buffer_desc path;
    OM_uint32 result = name.GetDatabasePath(&path);
    if (FailIf(state, result != status::SUCCESS, "GetDatabasePath failed")) {
      break;
    }
    free(path.value);
  }
}
BENCHMARK(BM_GetDatabasePath)->ArgName("trace")->Arg(0)->Arg(1);

// Walks every entry of name from a cursor of 0 until Read reports the end;
// returns the number of entries read, or -1 on any other status.
int64_t Walk(PLVORBIInternalName& name) {
  unsigned long cursor = 0;
  int64_t count = 0;
  for (;;) {
    gss_buffer_desc entry;
    OM_uint32 result = name.Read(&entry, cursor);
    if (result == status::END_OF_LIST) return count;
    if (result != status::SUCCESS) return -1;
    free(entry.value);
    ++count;
  }
}

void ReadWalk(benchmark::State& state, int64_t entries) {
  PLVORBIInternalName name;
  if (FailIf(state, !Fill(name, EntriesText(static_cast<int>(entries))),
             "Set failed")) {
    return;
  }
  for (auto _ : state) {
    if (FailIf(state, Walk(name) != entries, "walk failed")) break;
  }
  state.SetComplexityN(entries);
  state.SetItemsProcessed(state.iterations() * entries);
}

void ExpandName(benchmark::State& state, int64_t entries) {
  PLVORBIInternalName name;
  if (FailIf(state, !Fill(name, EntriesText(static_cast<int>(entries))),
             "Set failed")) {
    return;
  }
  for (auto _ : state) {
    PLVORBIInternalName* first = name.CopyExpandedName();
    if (FailIf(state, first == nullptr, "CopyExpandedName failed")) break;
    DeleteChain(first);
  }
  state.SetComplexityN(entries);
  state.SetItemsProcessed(state.iterations() * entries);
}

// A walk of 4 entries, and an expansion of 4 entries (the chain deleted).
void BM_ReadWalk(benchmark::State& state) {
  TraceMode trace(state.range(0) != 0);
  ReadWalk(state, 4);
}
void BM_CopyExpandedName(benchmark::State& state) {
  TraceMode trace(state.range(0) != 0);
  ExpandName(state, 4);
}
BENCHMARK(BM_ReadWalk)->ArgName("trace")->Arg(0)->Arg(1);
BENCHMARK(BM_CopyExpandedName)->ArgName("trace")->Arg(0)->Arg(1);

// Scaling in the number of entries k.
void BM_Scaling_ReadWalk(benchmark::State& state) {
  ReadWalk(state, state.range(0));
}
void BM_Scaling_CopyExpandedName(benchmark::State& state) {
  ExpandName(state, state.range(0));
}
BENCHMARK(BM_Scaling_ReadWalk)
    ->RangeMultiplier(4)
    ->Range(1, 4096)
    ->Complexity();
BENCHMARK(BM_Scaling_CopyExpandedName)
    ->RangeMultiplier(4)
    ->Range(1, 4096)
    ->Complexity();

}  // namespace

int main(int argc, char** argv) { return orbi_bench::Main(argc, argv); }
