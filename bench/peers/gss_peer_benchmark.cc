// The same name operations measured on another GSS-API implementation. The
// peers export the same gss_* symbols, so this file is built once per peer,
// each program linked to one of them: ORBI_PEER_MIT (MIT krb5),
// ORBI_PEER_HEIMDAL (Heimdal) or ORBI_PEER_GNUGSS (GNU GSS). The benchmark
// names match the rows of our own programs that compare.sh puts beside them.
//
// Names are Kerberos principal names with an explicit realm (the name type
// all three peers canonicalize), and the Kerberos configuration turns DNS
// lookups off (KRB5_CONFIG, set to bench/peers/krb5.conf when unset), so no
// operation leaves the machine.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#if defined(ORBI_PEER_MIT)
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <gssapi/gssapi_krb5.h>
#define ORBI_PEER_MECH gss_mech_krb5
#define ORBI_PEER_HAS_STR_TO_OID 1
#define ORBI_PEER_HAS_OID_TO_STR 1
#elif defined(ORBI_PEER_HEIMDAL)
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_krb5.h>
#define ORBI_PEER_MECH GSS_KRB5_MECHANISM
#define ORBI_PEER_HAS_STR_TO_OID 0
#define ORBI_PEER_HAS_OID_TO_STR 1
#elif defined(ORBI_PEER_GNUGSS)
#include <gss.h>
#define ORBI_PEER_MECH GSS_KRB5
#define ORBI_PEER_HAS_STR_TO_OID 0
#define ORBI_PEER_HAS_OID_TO_STR 0
#else
#error "define ORBI_PEER_MIT, ORBI_PEER_HEIMDAL or ORBI_PEER_GNUGSS"
#endif

#include "../bench_main.h"

namespace {

constexpr char kName17[] = "alice@EXAMPLE.COM";
constexpr char kOtherName17[] = "alice@EXAMPLE.ORG";

gss_buffer_desc TextBuffer(const char* text) {
  gss_buffer_desc buffer;
  buffer.length = strlen(text);
  buffer.value = const_cast<char*>(text);
  return buffer;
}

bool Failed(benchmark::State& state, OM_uint32 major, const char* what) {
  if (GSS_ERROR(major)) {
    state.SkipWithError(what);
    return true;
  }
  return false;
}

// An imported name, released at the end of the scope.
class Name {
 public:
  Name() = default;
  ~Name() {
    OM_uint32 minor;
    if (name_ != GSS_C_NO_NAME) gss_release_name(&minor, &name_);
  }
  Name(const Name&) = delete;
  Name& operator=(const Name&) = delete;
  OM_uint32 Import(const char* text) {
    OM_uint32 minor;
    gss_buffer_desc input = TextBuffer(text);
    return gss_import_name(&minor, &input, GSS_KRB5_NT_PRINCIPAL_NAME, &name_);
  }
  OM_uint32 Canonicalize(const Name& from) {
    OM_uint32 minor;
    return gss_canonicalize_name(&minor, from.name_, ORBI_PEER_MECH, &name_);
  }
  gss_name_t get() const { return name_; }

 private:
  gss_name_t name_ = GSS_C_NO_NAME;
};

void BM_ImportRelease(benchmark::State& state) {
  gss_buffer_desc input = TextBuffer(kName17);
  for (auto _ : state) {
    OM_uint32 minor;
    gss_name_t name = GSS_C_NO_NAME;
    OM_uint32 major =
        gss_import_name(&minor, &input, GSS_KRB5_NT_PRINCIPAL_NAME, &name);
    if (Failed(state, major, "gss_import_name failed")) break;
    gss_release_name(&minor, &name);
  }
}
BENCHMARK(BM_ImportRelease);

void BM_Display(benchmark::State& state) {
  Name name;
  if (Failed(state, name.Import(kName17), "import failed")) return;
  for (auto _ : state) {
    OM_uint32 minor;
    gss_buffer_desc output;
    gss_OID type;
    OM_uint32 major = gss_display_name(&minor, name.get(), &output, &type);
    if (Failed(state, major, "gss_display_name failed")) break;
    benchmark::DoNotOptimize(type);
    gss_release_buffer(&minor, &output);
  }
}
BENCHMARK(BM_Display);

void Compare(benchmark::State& state, const char* other_text, int expected) {
  Name name;
  Name other;
  if (Failed(state, name.Import(kName17), "import failed") ||
      Failed(state, other.Import(other_text), "import failed")) {
    return;
  }
  for (auto _ : state) {
    OM_uint32 minor;
    int equal = -1;
    OM_uint32 major = gss_compare_name(&minor, name.get(), other.get(), &equal);
    if (Failed(state, major, "gss_compare_name failed")) break;
    if (equal != expected) {
      state.SkipWithError("wrong comparison result");
      break;
    }
  }
}
void BM_CompareEqual(benchmark::State& state) { Compare(state, kName17, 1); }
void BM_CompareUnequal(benchmark::State& state) {
  Compare(state, kOtherName17, 0);
}
BENCHMARK(BM_CompareEqual);
BENCHMARK(BM_CompareUnequal);

void BM_DuplicateRelease(benchmark::State& state) {
  Name name;
  if (Failed(state, name.Import(kName17), "import failed")) return;
  for (auto _ : state) {
    OM_uint32 minor;
    gss_name_t copy = GSS_C_NO_NAME;
    OM_uint32 major = gss_duplicate_name(&minor, name.get(), &copy);
    if (Failed(state, major, "gss_duplicate_name failed")) break;
    gss_release_name(&minor, &copy);
  }
}
BENCHMARK(BM_DuplicateRelease);

// gss_canonicalize_name makes a new mechanism name; it is released.
void BM_CanonicalizeRelease(benchmark::State& state) {
  Name name;
  if (Failed(state, name.Import(kName17), "import failed")) return;
  for (auto _ : state) {
    OM_uint32 minor;
    gss_name_t canonical = GSS_C_NO_NAME;
    OM_uint32 major =
        gss_canonicalize_name(&minor, name.get(), ORBI_PEER_MECH, &canonical);
    if (Failed(state, major, "gss_canonicalize_name failed")) break;
    gss_release_name(&minor, &canonical);
  }
}
BENCHMARK(BM_CanonicalizeRelease);

// Export of a mechanism name, the token released.
void BM_Export(benchmark::State& state) {
  Name name;
  Name canonical;
  if (Failed(state, name.Import(kName17), "import failed") ||
      Failed(state, canonical.Canonicalize(name), "canonicalize failed")) {
    return;
  }
  for (auto _ : state) {
    OM_uint32 minor;
    gss_buffer_desc token;
    OM_uint32 major = gss_export_name(&minor, canonical.get(), &token);
    if (Failed(state, major, "gss_export_name failed")) break;
    gss_release_buffer(&minor, &token);
  }
}
BENCHMARK(BM_Export);

void BM_ImportCanonExportRelease(benchmark::State& state) {
  gss_buffer_desc input = TextBuffer(kName17);
  for (auto _ : state) {
    OM_uint32 minor;
    gss_name_t name = GSS_C_NO_NAME;
    gss_name_t canonical = GSS_C_NO_NAME;
    gss_buffer_desc token = GSS_C_EMPTY_BUFFER;
    OM_uint32 major =
        gss_import_name(&minor, &input, GSS_KRB5_NT_PRINCIPAL_NAME, &name);
    if (!GSS_ERROR(major)) {
      major = gss_canonicalize_name(&minor, name, ORBI_PEER_MECH, &canonical);
    }
    if (!GSS_ERROR(major)) major = gss_export_name(&minor, canonical, &token);
    gss_release_buffer(&minor, &token);
    if (canonical != GSS_C_NO_NAME) gss_release_name(&minor, &canonical);
    if (name != GSS_C_NO_NAME) gss_release_name(&minor, &name);
    if (Failed(state, major, "round failed")) break;
  }
}
BENCHMARK(BM_ImportCanonExportRelease);

// 1.2.840.113554.1.2.2 (RFC 1964) in two records with equal bytes.
unsigned char kKerberosBytesA[] = {0x2A, 0x86, 0x48, 0x86, 0xF7,
                                   0x12, 0x01, 0x02, 0x02};
unsigned char kKerberosBytesB[] = {0x2A, 0x86, 0x48, 0x86, 0xF7,
                                   0x12, 0x01, 0x02, 0x02};
gss_OID_desc kKerberosA = {sizeof(kKerberosBytesA), kKerberosBytesA};
gss_OID_desc kKerberosB = {sizeof(kKerberosBytesB), kKerberosBytesB};

void BM_OIDEqualBytes(benchmark::State& state) {
  for (auto _ : state) {
    int equal = gss_oid_equal(&kKerberosA, &kKerberosB);
    if (equal == 0) {
      state.SkipWithError("gss_oid_equal failed");
      break;
    }
  }
}
BENCHMARK(BM_OIDEqualBytes);

#if ORBI_PEER_HAS_STR_TO_OID
void BM_OIDFromText(benchmark::State& state) {
  gss_buffer_desc text = TextBuffer("{1 2 840 113554 1 2 2}");
  for (auto _ : state) {
    OM_uint32 minor;
    gss_OID oid = GSS_C_NO_OID;
    OM_uint32 major = gss_str_to_oid(&minor, &text, &oid);
    if (Failed(state, major, "gss_str_to_oid failed")) break;
    gss_release_oid(&minor, &oid);
  }
}
BENCHMARK(BM_OIDFromText);
#endif

#if ORBI_PEER_HAS_OID_TO_STR
void BM_OIDToText(benchmark::State& state) {
  for (auto _ : state) {
    OM_uint32 minor;
    gss_buffer_desc text;
    OM_uint32 major = gss_oid_to_str(&minor, &kKerberosA, &text);
    if (Failed(state, major, "gss_oid_to_str failed")) break;
    gss_release_buffer(&minor, &text);
  }
}
BENCHMARK(BM_OIDToText);
#endif

// An OID set built from 8 offers of 4 distinct OIDs, then released.
unsigned char kOidBytes[4][9] = {
    {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x12, 0x01, 0x02, 0x02},  // Kerberos V5
    {0x2B, 0x06, 0x01, 0x05, 0x05, 0x02},                    // SPNEGO
    {0x2B, 0x06, 0x01, 0x05, 0x05, 0x0E},                    // SASL names
    {0x2A, 0x86, 0x48, 0x82, 0xF7, 0x12, 0x01, 0x02, 0x02},  // MS Kerberos
};
gss_OID_desc kOids[4] = {
    {9, kOidBytes[0]}, {6, kOidBytes[1]}, {6, kOidBytes[2]}, {9, kOidBytes[3]}};

// Some peers' gss_add_oid_set_member appends without looking for an equal
// member (MIT's does). A caller that needs a set without duplicates then
// tests membership first, and so does this benchmark for such a peer.
bool AddKeepsDuplicates() {
  OM_uint32 minor;
  gss_OID_set set = GSS_C_NO_OID_SET;
  if (GSS_ERROR(gss_create_empty_oid_set(&minor, &set))) return false;
  gss_add_oid_set_member(&minor, &kOids[0], &set);
  gss_add_oid_set_member(&minor, &kOids[0], &set);
  const bool duplicates = set != GSS_C_NO_OID_SET && set->count != 1;
  gss_release_oid_set(&minor, &set);
  return duplicates;
}

void BM_OIDSetBuild8(benchmark::State& state) {
  static constexpr int kOffers[8] = {0, 1, 0, 2, 1, 3, 2, 3};
  const bool test_first = AddKeepsDuplicates();
  for (auto _ : state) {
    OM_uint32 minor;
    gss_OID_set set = GSS_C_NO_OID_SET;
    OM_uint32 major = gss_create_empty_oid_set(&minor, &set);
    for (int offer : kOffers) {
      if (GSS_ERROR(major)) break;
      int present = 0;
      if (test_first) {
        major = gss_test_oid_set_member(&minor, &kOids[offer], set, &present);
      }
      if (!GSS_ERROR(major) && !present) {
        major = gss_add_oid_set_member(&minor, &kOids[offer], &set);
      }
    }
    const size_t count = set != GSS_C_NO_OID_SET ? set->count : 0;
    gss_release_oid_set(&minor, &set);
    if (Failed(state, major, "OID set build failed")) break;
    if (count != 4) {
      state.SkipWithError("wrong OID set size");
      break;
    }
  }
  state.counters["caller_tests_membership"] = test_first ? 1 : 0;
}
BENCHMARK(BM_OIDSetBuild8);

}  // namespace

int main(int argc, char** argv) {
#if defined(ORBI_PEER_KRB5_CONFIG)
  setenv("KRB5_CONFIG", ORBI_PEER_KRB5_CONFIG, 0);
#endif
  return orbi_bench::Main(argc, argv);
}
