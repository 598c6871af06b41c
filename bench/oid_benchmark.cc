// Benchmarks of the OID value: the equality check the name operations use,
// the text forms read and written, and the gss_OID form read and written.
// The OID value neither traces nor locks, so there are no tracing rows.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include "bench_main.h"
#include "bench_support.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"

namespace {

using orbi_bench::FailIf;
using orbi_bench::Mechanism;
using orbi_bench::OwnedOID;
namespace status = orbi_name::status;

// 1.2.840.113554.1.2.2, the Kerberos V5 mechanism of RFC 1964: the OID the
// peers' text conversions are measured on, and an OID of the same length as
// the library's mechanism (9 content octets) that differs from it.
unsigned char kKerberosBytes[] = {0x2A, 0x86, 0x48, 0x86, 0xF7,
                                  0x12, 0x01, 0x02, 0x02};
gss_OID_desc kKerberos = {sizeof(kKerberosBytes), kKerberosBytes};
constexpr char kKerberosBraces[] = "{1 2 840 113554 1 2 2}";
constexpr char kKerberosDotted[] = "1.2.840.113554.1.2.2";

void CheckPair(benchmark::State& state, gss_OID a, gss_OID b, int expected) {
  for (auto _ : state) {
    int same = PLVORBIInternalOID::OIDChecker(a, b);
    if (FailIf(state, same != expected, "wrong OIDChecker result")) break;
  }
}

// The very same pointer: the bytes need not be looked at.
void BM_OIDChecker_SamePointer(benchmark::State& state) {
  CheckPair(state, Mechanism(), Mechanism(), 1);
}
// Two records holding equal bytes: the table's mechanism and a caller's copy.
void BM_OIDChecker_EqualBytes(benchmark::State& state) {
  OwnedOID copy(Mechanism());
  CheckPair(state, Mechanism(), copy.get(), 1);
}
// Two different OIDs of the same length.
void BM_OIDChecker_Different(benchmark::State& state) {
  CheckPair(state, Mechanism(), &kKerberos, 0);
}
BENCHMARK(BM_OIDChecker_SamePointer);
BENCHMARK(BM_OIDChecker_EqualBytes);
BENCHMARK(BM_OIDChecker_Different);

// Text to value: a new value read from text and destroyed, as OBJ_txt2obj
// with ASN1_OBJECT_free and gss_str_to_oid with gss_release_oid do.
void SetText(benchmark::State& state, const char* text) {
  for (auto _ : state) {
    PLVORBIInternalOID value;
    OM_uint32 result = value.set(text);
    if (FailIf(state, result != status::SUCCESS, "set(text) failed")) break;
  }
}
void BM_OIDSetText_Braces(benchmark::State& state) {
  SetText(state, kKerberosBraces);
}
void BM_OIDSetText_Dotted(benchmark::State& state) {
  SetText(state, kKerberosDotted);
}
BENCHMARK(BM_OIDSetText_Braces);
BENCHMARK(BM_OIDSetText_Dotted);

// Value to text: the text form handed out and released.
void BM_OIDGetText(benchmark::State& state) {
  PLVORBIInternalOID value;
  if (FailIf(state, value.set(kKerberosDotted) != status::SUCCESS,
             "set failed")) {
    return;
  }
  for (auto _ : state) {
    char* text = nullptr;
    OM_uint32 result = value.get(text);
    if (FailIf(state, result != status::SUCCESS, "get(text) failed")) break;
    free(text);
  }
}
BENCHMARK(BM_OIDGetText);

// Value to gss_OID: the descriptor and its bytes handed out and released.
void BM_OIDGetGssOID(benchmark::State& state) {
  PLVORBIInternalOID value;
  if (FailIf(state, value.set(kKerberosDotted) != status::SUCCESS,
             "set failed")) {
    return;
  }
  for (auto _ : state) {
    gss_OID oid = nullptr;
    OM_uint32 result = value.get(oid);
    if (FailIf(state, result != status::SUCCESS, "get(gss_OID) failed")) break;
    free(oid->elements);
    free(oid);
  }
}
BENCHMARK(BM_OIDGetGssOID);

// gss_OID to value: a new value decoded from DER bytes and destroyed.
void BM_OIDSetGssOID(benchmark::State& state) {
  for (auto _ : state) {
    PLVORBIInternalOID value;
    OM_uint32 result = value.set(&kKerberos);
    if (FailIf(state, result != status::SUCCESS, "set(gss_OID) failed")) break;
  }
}
BENCHMARK(BM_OIDSetGssOID);

}  // namespace

int main(int argc, char** argv) { return orbi_bench::Main(argc, argv); }
