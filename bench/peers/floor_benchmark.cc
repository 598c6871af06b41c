// The floor: what the name operations cannot avoid on this machine. An
// operation's floor in compare.sh is a sum of these rows (its allocations,
// copies, lock and comparisons).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>

#include "../bench_main.h"

namespace {

void BM_Floor_MallocFree32(benchmark::State& state) {
  for (auto _ : state) {
    void* block = malloc(32);
    benchmark::DoNotOptimize(block);
    free(block);
  }
}
BENCHMARK(BM_Floor_MallocFree32);

void BM_Floor_MallocMemcpyFree24(benchmark::State& state) {
  char source[24];
  memset(source, 'a', sizeof(source));
  benchmark::DoNotOptimize(source);
  for (auto _ : state) {
    void* block = malloc(32);
    benchmark::DoNotOptimize(block);
    memcpy(block, source, sizeof(source));
    benchmark::ClobberMemory();
    free(block);
  }
}
BENCHMARK(BM_Floor_MallocMemcpyFree24);

void BM_Floor_MutexLockUnlock(benchmark::State& state) {
  std::mutex mutex;
  for (auto _ : state) {
    mutex.lock();
    benchmark::ClobberMemory();
    mutex.unlock();
  }
}
BENCHMARK(BM_Floor_MutexLockUnlock);

void BM_Floor_Memcmp9(benchmark::State& state) {
  unsigned char a[9] = {0x2B, 0x06, 0x01, 0x04, 0x01, 0x81, 0xFD, 0x59, 0x01};
  unsigned char b[9];
  memcpy(b, a, sizeof(a));
  for (auto _ : state) {
    benchmark::DoNotOptimize(a);
    benchmark::DoNotOptimize(b);
    int difference = memcmp(a, b, sizeof(a));
    benchmark::DoNotOptimize(difference);
  }
}
BENCHMARK(BM_Floor_Memcmp9);

}  // namespace

int main(int argc, char** argv) { return orbi_bench::Main(argc, argv); }
