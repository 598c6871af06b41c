// Benchmarks of the name set: a set built from 8 offers of 4 distinct names
// (what a credential's name list or an OID set of offered mechanisms sees),
// AddMember into sets of n members, and the expansion of a whole set.
#include <benchmark/benchmark.h>
#include <stdio.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_main.h"
#include "bench_support.h"
#include "import_text.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_name/status.h"

namespace {

using orbi_bench::EntriesText;
using orbi_bench::FailIf;
using orbi_bench::Mechanism;
using orbi_bench::TraceMode;
namespace status = orbi_name::status;

bool Fill(PLVORBIInternalName& name, const std::string& text) {
  return orbi_bench::ImportText(name, text.data(), text.size(), true);
}

// Distinct canonical names "member00001@EXAMPLE.COM", ... owned by the
// caller.
std::vector<std::unique_ptr<PLVORBIInternalName>> DistinctNames(int count) {
  std::vector<std::unique_ptr<PLVORBIInternalName>> names;
  char text[64];
  for (int i = 1; i <= count; ++i) {
    snprintf(text, sizeof(text), "member%05d@EXAMPLE.COM", i);
    names.emplace_back(new PLVORBIInternalName);
    if (!Fill(*names.back(), text)) names.clear();
  }
  return names;
}

// 8 offers of 4 distinct names, each offered twice, into an empty set; the
// set's members released afterwards.
void BM_AddMember8Offers4Distinct(benchmark::State& state) {
  auto names = DistinctNames(4);
  if (FailIf(state, names.size() != 4, "prepare failed")) return;
  static constexpr int kOffers[8] = {0, 1, 0, 2, 1, 3, 2, 3};
  TraceMode trace(state.range(0) != 0);
  for (auto _ : state) {
    PLVORBIInternalNameSet set;
    int index = 0;
    OM_uint32 result = status::SUCCESS;
    for (int offer : kOffers) {
      result |= set.AddMember(names[offer].get(), index);
    }
    set.RemoveAllMembers();
    if (FailIf(state, result != status::SUCCESS || index != 4,
               "AddMember failed")) {
      break;
    }
  }
}
BENCHMARK(BM_AddMember8Offers4Distinct)->ArgName("trace")->Arg(0)->Arg(1);

// One set of 4 members shared by the benchmark's threads: each thread offers
// its own copy of a name the set holds (the last of the 4, so the walk
// compares with every member), which finds the equal member and adds
// nothing. The threads meet on the set's lock and the members' locks. Real
// time per operation per thread, as for the shared name in name_benchmark.
PLVORBIInternalNameSet* g_shared_set = nullptr;

void BM_SharedSetAddPresent(benchmark::State& state) {
  if (state.thread_index() == 0) {
    g_shared_set = new PLVORBIInternalNameSet;
    int index = 0;
    for (auto& name : DistinctNames(4)) {
      if (g_shared_set->AddMember(name.get(), index) != status::SUCCESS) break;
    }
  }
  auto mine = DistinctNames(4);
  bool failed = mine.size() != 4;
  // The loop starts and ends at a barrier of all threads: the set is filled
  // before any thread offers to it and released after the last has.
  for (auto _ : state) {
    if (failed) continue;
    int index = 0;
    failed = g_shared_set->AddMember(mine[3].get(), index) != status::SUCCESS ||
             index != 4;
  }
  if (failed) state.SkipWithError("AddMember of a present name failed");
  if (state.thread_index() == 0) {
    g_shared_set->RemoveAllMembers();
    delete g_shared_set;
    g_shared_set = nullptr;
  }
}
// Threads(2) starts a thread: a row of the --threaded run only.
const orbi_bench::ThreadedOnly kSharedSetRows([] {
  benchmark::RegisterBenchmark("BM_SharedSetAddPresent", BM_SharedSetAddPresent)
      ->Threads(1)
      ->Threads(2)
      ->UseRealTime();
});

// AddMember of a new name into a set of n members (a walk over all n for an
// equal one, then the copy at the end), followed by RemoveMember of that name
// (a second walk) so that the set keeps n members.
void BM_Scaling_AddMember(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  auto names = DistinctNames(n + 1);
  if (FailIf(state, static_cast<int>(names.size()) != n + 1,
             "prepare failed")) {
    return;
  }
  PLVORBIInternalNameSet set;
  int index = 0;
  for (int i = 0; i < n; ++i) {
    if (set.AddMember(names[i].get(), index) != status::SUCCESS) break;
  }
  if (FailIf(state, set.GetCount() != static_cast<OM_uint32>(n),
             "prepare failed")) {
    set.RemoveAllMembers();
    return;
  }
  PLVORBIInternalName* fresh = names[n].get();
  for (auto _ : state) {
    OM_uint32 added = set.AddMember(fresh, index);
    OM_uint32 removed = set.RemoveMember(fresh);
    if (FailIf(state,
               added != status::SUCCESS || index != n + 1 ||
                   removed != status::SUCCESS,
               "AddMember or RemoveMember failed")) {
      break;
    }
  }
  set.RemoveAllMembers();
  state.SetComplexityN(n);
}
BENCHMARK(BM_Scaling_AddMember)
    ->RangeMultiplier(4)
    ->Range(1, 4096)
    ->Complexity();

// CopyExpandedNameSet of a set of n members, each with a path of its own and
// 4 entries, into an empty set (4n names, all distinct). Each name added
// walks the set built so far for an equal member, so the expansion of a
// whole set grows as the square of its size.
void BM_Scaling_CopyExpandedNameSet(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  PLVORBIInternalNameSet source;
  int index = 0;
  bool ready = true;
  const std::string entries = EntriesText(4).substr(sizeof("/var/db/orbi") - 1);
  char path[64];
  for (int i = 1; i <= n && ready; ++i) {
    snprintf(path, sizeof(path), "/var/db/orbi%05d", i);
    PLVORBIInternalName member;
    ready = Fill(member, path + entries) &&
            source.AddMember(&member, index) == status::SUCCESS;
  }
  if (FailIf(state, !ready, "prepare failed")) {
    source.RemoveAllMembers();
    return;
  }
  for (auto _ : state) {
    PLVORBIInternalNameSet target;
    OM_uint32 result = source.CopyExpandedNameSet(&target);
    OM_uint32 count = target.GetCount();
    target.RemoveAllMembers();
    if (FailIf(
            state,
            result != status::SUCCESS || count != static_cast<OM_uint32>(4 * n),
            "CopyExpandedNameSet failed")) {
      break;
    }
  }
  source.RemoveAllMembers();
  state.SetComplexityN(4 * n);
  state.SetItemsProcessed(state.iterations() * 4 * n);
}
BENCHMARK(BM_Scaling_CopyExpandedNameSet)
    ->RangeMultiplier(4)
    ->Range(1, 256)
    ->Complexity();

}  // namespace

int main(int argc, char** argv) { return orbi_bench::Main(argc, argv); }
