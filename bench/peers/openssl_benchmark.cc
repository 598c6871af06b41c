// OpenSSL's OID conversions and comparison, the peer of the OID value's text
// forms and of OIDChecker. The benchmark names match the rows of our own
// programs that compare.sh puts beside them.
#include <benchmark/benchmark.h>
#include <openssl/asn1.h>
#include <openssl/objects.h>

#include "../bench_main.h"

namespace {

constexpr char kKerberosDotted[] = "1.2.840.113554.1.2.2";

// Text to value: a new object read from dotted text (numerical form only, no
// name lookup) and freed.
void BM_OIDFromText(benchmark::State& state) {
  for (auto _ : state) {
    ASN1_OBJECT* object = OBJ_txt2obj(kKerberosDotted, 1);
    if (object == nullptr) {
      state.SkipWithError("OBJ_txt2obj failed");
      break;
    }
    ASN1_OBJECT_free(object);
  }
}
BENCHMARK(BM_OIDFromText);

// Value to text: the dotted form written into the caller's buffer (OpenSSL
// needs no allocation for it).
void BM_OIDToText(benchmark::State& state) {
  ASN1_OBJECT* object = OBJ_txt2obj(kKerberosDotted, 1);
  if (object == nullptr) {
    state.SkipWithError("OBJ_txt2obj failed");
    return;
  }
  for (auto _ : state) {
    char text[80];
    int length = OBJ_obj2txt(text, sizeof(text), object, 1);
    if (length <= 0) {
      state.SkipWithError("OBJ_obj2txt failed");
      break;
    }
    benchmark::DoNotOptimize(text);
  }
  ASN1_OBJECT_free(object);
}
BENCHMARK(BM_OIDToText);

// Two objects with equal bytes compared.
void BM_OIDEqualBytes(benchmark::State& state) {
  ASN1_OBJECT* a = OBJ_txt2obj(kKerberosDotted, 1);
  ASN1_OBJECT* b = OBJ_txt2obj(kKerberosDotted, 1);
  if (a == nullptr || b == nullptr) {
    state.SkipWithError("OBJ_txt2obj failed");
  } else {
    for (auto _ : state) {
      int difference = OBJ_cmp(a, b);
      if (difference != 0) {
        state.SkipWithError("OBJ_cmp failed");
        break;
      }
    }
  }
  ASN1_OBJECT_free(a);
  ASN1_OBJECT_free(b);
}
BENCHMARK(BM_OIDEqualBytes);

}  // namespace

int main(int argc, char** argv) { return orbi_bench::Main(argc, argv); }
