// Name operations through MIT krb5's GSS-API glue, with the same client code
// for three mechanisms: the ORBI mechanism (orbi_mech.so), the floor module
// (orbi_floor_mech.so, bench/floor_mech.cc: the least a module does for the
// same calls, so that /floor is the glue's own cost plus what any module
// pays), both loaded by the glue because the file that GSS_MECH_CONFIG names
// lists them, and the glue's own Kerberos V5 mechanism. The program is linked
// with libgssapi_krb5 alone, as an application is; it reaches the library
// only through the module.
//
// GSS_MECH_CONFIG defaults to the build tree's glue_mechs.conf and
// KRB5_CONFIG to bench/peers/krb5.conf (no DNS lookups); either may be set to
// override.
//
// Rows, each with /orbi, /floor and, where the Kerberos mechanism has the
// operation, /krb5:
//   BM_GlueImportCanonExportRelease  import a text name, bind it to the
//                                    mechanism, export it, release all
//   BM_GlueImportTokenRelease        import an exported name token, release
//   BM_GlueDisplay                   display a mechanism name
//   BM_GlueInquireName               the attributes a mechanism name has
//                                    (for ORBI and the floor, a database path
//                                    and four entries: two attribute names),
//                                    and the release of their buffer set
//   BM_GlueReadEntryAttributes       every value of the entries attribute of
//                                    that name, one gss_get_name_attribute
//                                    call per value with RFC 6680's `more`
//                                    index, each value released (no /krb5:
//                                    its names have no such attribute)
//   BM_GlueReadAllEntries/N          every value of the entries attribute of
//                                    a name of N entries (10 to 1,000,000),
//                                    in order, ORBI alone; the per_value
//                                    counter is the time per value, which
//                                    stays flat when each value costs the
//                                    same wherever it lies
//   BM_GlueReadInterleaved/N         the same for 8 names of N entries read
//                                    at once on one thread, one value of
//                                    each in turn
//   BM_GlueReadRandom/N              one value of a name of N entries at a
//                                    random index per call (`more` set to
//                                    it), the same sequence in every run
//   BM_GlueNameBytes/N               no time: the heap a name of N entries
//                                    holds (0: the 17-byte name), in the
//                                    glue and the module, once imported and
//                                    bound (bytes_imported) and once
//                                    displayed, exported and every attribute
//                                    value read (bytes_read), per name over
//                                    many names (mallinfo2)
// Like every program here, it runs as a one-thread process or, with
// --threaded, after a thread was started (bench/bench_main.h).
//
// Compare mechanisms from separate runs (--benchmark_filter='/floor$', as
// bench/glue_compare.sh does): the glue keeps a module loaded once it used
// it, and its gss_release_oid asks every loaded module's
// gss_internal_release_oid about each OID it releases, so in a run of all
// rows the /floor and /krb5 rows after an /orbi row pay ORBI's answer too.
#include <benchmark/benchmark.h>
#include <gssapi/gssapi.h>
#include <gssapi/gssapi_ext.h>
#include <malloc.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "bench_main.h"

namespace {

struct Mechanism {
  const char* text;     // a name every mechanism takes as it is given
  gss_OID_desc mech;    // by value
  bool user_name_type;  // import as GSS_C_NT_USER_NAME, else without type
  // The name of the attribute rows, and the name of the attribute that holds
  // its entries (null: the mechanism has none).
  const char* attribute_text;
  const char* entries_attribute;
};

// The build's OIDs (bench/CMakeLists.txt): the ORBI mechanism's and the
// floor module's, as DER content octets and as dotted text.
// 1.2.840.113554.1.2.2: Kerberos V5 (RFC 1964).
constexpr unsigned char kOrbiOid[] = {ORBI_MECH_OID_BYTES};
constexpr unsigned char kFloorOid[] = {ORBI_FLOOR_MECH_OID_BYTES};
constexpr char kEntriesName[] = "db/users\na\nb\nc\nd";
constexpr int kEntries = 4;

// The URIs of each module's attributes: each row of mech/name_attributes.def
// under the module's OID (the floor names them as ORBI does). The rows below
// read the entries.
#define ORBI_ATTRIBUTE(Name, suffix, values)                  \
  [[maybe_unused]] constexpr char kOrbi##Name##Attribute[] =  \
      "urn:oid:" ORBI_MECH_OID_DOTTED suffix;                 \
  [[maybe_unused]] constexpr char kFloor##Name##Attribute[] = \
      "urn:oid:" ORBI_FLOOR_MECH_OID_DOTTED suffix;
#include "mech/name_attributes.def"

const Mechanism kOrbi = {
    "alice@EXAMPLE.COM",
    {sizeof(kOrbiOid), const_cast<unsigned char*>(kOrbiOid)},
    false,
    kEntriesName,
    kOrbiEntriesAttribute};
const Mechanism kFloor = {
    "alice@EXAMPLE.COM",
    {sizeof(kFloorOid), const_cast<unsigned char*>(kFloorOid)},
    false,
    kEntriesName,
    kFloorEntriesAttribute};
const Mechanism kKerberos = {
    "alice@EXAMPLE.COM",
    {9, const_cast<char*>("\x2a\x86\x48\x86\xf7\x12\x01\x02\x02")},
    true,
    "alice@EXAMPLE.COM",
    nullptr};

gss_OID NameType(const Mechanism& m) {
  return m.user_name_type ? GSS_C_NT_USER_NAME : GSS_C_NO_OID;
}

bool Failed(benchmark::State& state, OM_uint32 major, const char* what) {
  if (!GSS_ERROR(major)) return false;
  state.SkipWithError(what);
  return true;
}

// MakeName makes a mechanism name of text and, unless token is null, its
// token; the caller releases both.
OM_uint32 MakeName(const Mechanism& m, const char* text, gss_name_t* canonical,
                   gss_buffer_t token) {
  OM_uint32 minor;
  gss_buffer_desc input = {strlen(text), const_cast<char*>(text)};
  gss_name_t name = GSS_C_NO_NAME;
  gss_OID_desc mech = m.mech;
  OM_uint32 major = gss_import_name(&minor, &input, NameType(m), &name);
  if (!GSS_ERROR(major)) {
    major = gss_canonicalize_name(&minor, name, &mech, canonical);
  }
  if (!GSS_ERROR(major) && token != GSS_C_NO_BUFFER) {
    major = gss_export_name(&minor, *canonical, token);
  }
  if (name != GSS_C_NO_NAME) gss_release_name(&minor, &name);
  return major;
}

// ImportCanonExport makes a mechanism name of m.text and its token.
OM_uint32 ImportCanonExport(const Mechanism& m, gss_name_t* canonical,
                            gss_buffer_t token) {
  return MakeName(m, m.text, canonical, token);
}

void BM_GlueImportCanonExportRelease(benchmark::State& state,
                                     const Mechanism& m) {
  for (auto _ : state) {
    OM_uint32 minor;
    gss_name_t canonical = GSS_C_NO_NAME;
    gss_buffer_desc token = GSS_C_EMPTY_BUFFER;
    const OM_uint32 major = ImportCanonExport(m, &canonical, &token);
    gss_release_buffer(&minor, &token);
    if (canonical != GSS_C_NO_NAME) gss_release_name(&minor, &canonical);
    if (Failed(state, major, "import, canonicalize, export failed")) break;
  }
}
BENCHMARK_CAPTURE(BM_GlueImportCanonExportRelease, orbi, kOrbi);
BENCHMARK_CAPTURE(BM_GlueImportCanonExportRelease, floor, kFloor);
BENCHMARK_CAPTURE(BM_GlueImportCanonExportRelease, krb5, kKerberos);

void BM_GlueImportTokenRelease(benchmark::State& state, const Mechanism& m) {
  OM_uint32 minor;
  gss_name_t canonical = GSS_C_NO_NAME;
  gss_buffer_desc token = GSS_C_EMPTY_BUFFER;
  const OM_uint32 made = ImportCanonExport(m, &canonical, &token);
  if (!Failed(state, made, "making the token failed")) {
    for (auto _ : state) {
      gss_name_t name = GSS_C_NO_NAME;
      const OM_uint32 major =
          gss_import_name(&minor, &token, GSS_C_NT_EXPORT_NAME, &name);
      if (name != GSS_C_NO_NAME) gss_release_name(&minor, &name);
      if (Failed(state, major, "import of the token failed")) break;
    }
  }
  gss_release_buffer(&minor, &token);
  if (canonical != GSS_C_NO_NAME) gss_release_name(&minor, &canonical);
}
BENCHMARK_CAPTURE(BM_GlueImportTokenRelease, orbi, kOrbi);
BENCHMARK_CAPTURE(BM_GlueImportTokenRelease, floor, kFloor);
BENCHMARK_CAPTURE(BM_GlueImportTokenRelease, krb5, kKerberos);

void BM_GlueDisplay(benchmark::State& state, const Mechanism& m) {
  OM_uint32 minor;
  gss_name_t canonical = GSS_C_NO_NAME;
  gss_buffer_desc token = GSS_C_EMPTY_BUFFER;
  const OM_uint32 made = ImportCanonExport(m, &canonical, &token);
  if (!Failed(state, made, "making the name failed")) {
    for (auto _ : state) {
      gss_buffer_desc shown = GSS_C_EMPTY_BUFFER;
      gss_OID type = GSS_C_NO_OID;
      const OM_uint32 major =
          gss_display_name(&minor, canonical, &shown, &type);
      benchmark::DoNotOptimize(type);
      gss_release_buffer(&minor, &shown);
      if (Failed(state, major, "display failed")) break;
    }
  }
  gss_release_buffer(&minor, &token);
  if (canonical != GSS_C_NO_NAME) gss_release_name(&minor, &canonical);
}
BENCHMARK_CAPTURE(BM_GlueDisplay, orbi, kOrbi);
BENCHMARK_CAPTURE(BM_GlueDisplay, floor, kFloor);
BENCHMARK_CAPTURE(BM_GlueDisplay, krb5, kKerberos);

// The MN_mech output is not asked for: the glue would hand out a copy of the
// mechanism's OID of its own, which is no work of the module.
void BM_GlueInquireName(benchmark::State& state, const Mechanism& m) {
  OM_uint32 minor;
  gss_name_t name = GSS_C_NO_NAME;
  const OM_uint32 made = MakeName(m, m.attribute_text, &name, GSS_C_NO_BUFFER);
  if (!Failed(state, made, "making the name failed")) {
    for (auto _ : state) {
      int is_mn = 0;
      gss_buffer_set_t attrs = GSS_C_NO_BUFFER_SET;
      const OM_uint32 major =
          gss_inquire_name(&minor, name, &is_mn, nullptr, &attrs);
      const size_t count = attrs == GSS_C_NO_BUFFER_SET ? 0 : attrs->count;
      gss_release_buffer_set(&minor, &attrs);
      if (Failed(state, major, "inquire failed")) break;
      // The path and the entries.
      if (m.entries_attribute != nullptr && count != 2) {
        state.SkipWithError("not the two attributes of the name");
        break;
      }
      benchmark::DoNotOptimize(is_mn);
    }
  }
  if (name != GSS_C_NO_NAME) gss_release_name(&minor, &name);
}
BENCHMARK_CAPTURE(BM_GlueInquireName, orbi, kOrbi);
BENCHMARK_CAPTURE(BM_GlueInquireName, floor, kFloor);
BENCHMARK_CAPTURE(BM_GlueInquireName, krb5, kKerberos);

// ReadEveryEntry times reading every value of m's entries attribute of a
// name of text, one gss_get_name_attribute call per value with RFC 6680's
// `more` index, each value released; a reading that does not give
// `entries` values fails the row. The display form is not asked for: the
// values are the data.
void ReadEveryEntry(benchmark::State& state, const Mechanism& m,
                    const char* text, int entries) {
  OM_uint32 minor;
  gss_name_t name = GSS_C_NO_NAME;
  gss_buffer_desc attr = {strlen(m.entries_attribute),
                          const_cast<char*>(m.entries_attribute)};
  const OM_uint32 made = MakeName(m, text, &name, GSS_C_NO_BUFFER);
  if (!Failed(state, made, "making the name failed")) {
    for (auto _ : state) {
      int more = -1;
      int values = 0;
      OM_uint32 major;
      do {
        int authenticated = 0;
        int complete = 0;
        gss_buffer_desc value = GSS_C_EMPTY_BUFFER;
        major =
            gss_get_name_attribute(&minor, name, &attr, &authenticated,
                                   &complete, &value, GSS_C_NO_BUFFER, &more);
        benchmark::DoNotOptimize(value.value);
        gss_release_buffer(&minor, &value);
        ++values;
      } while (!GSS_ERROR(major) && more != 0);
      if (Failed(state, major, "reading a value failed")) break;
      if (values != entries) {
        state.SkipWithError("not every entry of the name");
        break;
      }
    }
  }
  if (name != GSS_C_NO_NAME) gss_release_name(&minor, &name);
}

void BM_GlueReadEntryAttributes(benchmark::State& state, const Mechanism& m) {
  ReadEveryEntry(state, m, m.attribute_text, kEntries);
}
BENCHMARK_CAPTURE(BM_GlueReadEntryAttributes, orbi, kOrbi);
BENCHMARK_CAPTURE(BM_GlueReadEntryAttributes, floor, kFloor);

// EntriesText is a name of count entries "entry0", "entry1", ... behind the
// path "db".
std::string EntriesText(int count) {
  std::string text = "db";
  for (int i = 0; i < count; ++i) text += "\nentry" + std::to_string(i);
  return text;
}

// PerValue adds the counter of the time per value read: values per
// iteration, inverted.
void PerValue(benchmark::State& state, double values) {
  state.counters["per_value"] =
      benchmark::Counter(values, benchmark::Counter::kIsIterationInvariantRate |
                                     benchmark::Counter::kInvert);
}

// The floor module walks its entries from the first for each value, so the
// rows of large names are ORBI's alone: the floor's reading grows with the
// square of N.
void BM_GlueReadAllEntries(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  ReadEveryEntry(state, kOrbi, EntriesText(count).c_str(), count);
  PerValue(state, count);
}
BENCHMARK(BM_GlueReadAllEntries)->RangeMultiplier(10)->Range(10, 1000000);

// NameOfEntries makes a mechanism name of m of count entries; null (the row
// then fails) when that fails.
gss_name_t NameOfEntries(benchmark::State& state, const Mechanism& m,
                         int count) {
  gss_name_t name = GSS_C_NO_NAME;
  if (Failed(state,
             MakeName(m, EntriesText(count).c_str(), &name, GSS_C_NO_BUFFER),
             "making the name failed")) {
    return GSS_C_NO_NAME;
  }
  return name;
}

// ReadAt reads one value of the entries attribute with *more and releases
// it.
OM_uint32 ReadAt(gss_name_t name, gss_buffer_t attr, int* more) {
  OM_uint32 minor;
  gss_buffer_desc value = GSS_C_EMPTY_BUFFER;
  const OM_uint32 major = gss_get_name_attribute(
      &minor, name, attr, nullptr, nullptr, &value, GSS_C_NO_BUFFER, more);
  benchmark::DoNotOptimize(value.value);
  gss_release_buffer(&minor, &value);
  return major;
}

void BM_GlueReadInterleaved(benchmark::State& state) {
  constexpr int kNames = 8;
  const int count = static_cast<int>(state.range(0));
  gss_buffer_desc attr = {strlen(kOrbi.entries_attribute),
                          const_cast<char*>(kOrbi.entries_attribute)};
  gss_name_t names[kNames] = {};
  bool made = true;
  for (gss_name_t& name : names) {
    name = NameOfEntries(state, kOrbi, count);
    made = made && name != GSS_C_NO_NAME;
  }
  while (made && state.KeepRunning()) {
    int more[kNames];
    for (int& m : more) m = -1;
    OM_uint32 major = GSS_S_COMPLETE;
    for (int i = 0; i < count && !GSS_ERROR(major); ++i) {
      for (int n = 0; n < kNames && !GSS_ERROR(major); ++n) {
        major = ReadAt(names[n], &attr, &more[n]);
      }
    }
    if (Failed(state, major, "reading a value failed")) break;
    if (more[0] != 0) {
      state.SkipWithError("not every entry of the names");
      break;
    }
  }
  OM_uint32 minor;
  for (gss_name_t& name : names) {
    if (name != GSS_C_NO_NAME) gss_release_name(&minor, &name);
  }
  PerValue(state, static_cast<double>(count) * kNames);
}
BENCHMARK(BM_GlueReadInterleaved)->RangeMultiplier(100)->Range(10, 100000);

void BM_GlueReadRandom(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  gss_buffer_desc attr = {strlen(kOrbi.entries_attribute),
                          const_cast<char*>(kOrbi.entries_attribute)};
  gss_name_t name = NameOfEntries(state, kOrbi, count);
  // A fixed linear congruential sequence of indices; -1 stands for 0.
  uint32_t seed = 12345;
  while (name != GSS_C_NO_NAME && state.KeepRunning()) {
    seed = seed * 1664525u + 1013904223u;
    const int index =
        static_cast<int>((seed >> 8) % static_cast<uint32_t>(count));
    int more = index == 0 ? -1 : index;
    if (Failed(state, ReadAt(name, &attr, &more), "reading a value failed")) {
      break;
    }
  }
  OM_uint32 minor;
  if (name != GSS_C_NO_NAME) gss_release_name(&minor, &name);
}
BENCHMARK(BM_GlueReadRandom)->RangeMultiplier(100)->Range(10, 1000000);

// HeapInUse is the memory malloc has handed out and not taken back, in
// bytes: blocks of the heap and blocks of their own mapping (large ones).
double HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return static_cast<double>(info.uordblks + info.hblkhd);
}

// TouchEveryRead displays and exports name and reads every value of every
// attribute it lists, so that the module has whatever it keeps for reads.
bool TouchEveryRead(gss_name_t name) {
  OM_uint32 minor;
  gss_buffer_desc out = GSS_C_EMPTY_BUFFER;
  if (GSS_ERROR(gss_display_name(&minor, name, &out, nullptr))) return false;
  gss_release_buffer(&minor, &out);
  if (GSS_ERROR(gss_export_name(&minor, name, &out))) return false;
  gss_release_buffer(&minor, &out);
  gss_buffer_set_t attrs = GSS_C_NO_BUFFER_SET;
  if (GSS_ERROR(gss_inquire_name(&minor, name, nullptr, nullptr, &attrs))) {
    return false;
  }
  bool read = true;
  for (size_t i = 0; attrs != GSS_C_NO_BUFFER_SET && i < attrs->count; ++i) {
    int more = -1;
    do {
      read = !GSS_ERROR(ReadAt(name, &attrs->elements[i], &more));
    } while (read && more != 0);
  }
  gss_release_buffer_set(&minor, &attrs);
  return read;
}

void BM_GlueNameBytes(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  const std::string text = count == 0 ? kOrbi.text : EntriesText(count);
  // Enough names that per-name figures are not lost in the heap's slack.
  const int names = count >= 100000 ? 8 : count >= 1000 ? 200 : 4000;
  std::vector<gss_name_t> made(static_cast<size_t>(names), GSS_C_NO_NAME);
  double imported = 0;
  double read = 0;
  for (auto _ : state) {
    const double before = HeapInUse();
    for (gss_name_t& name : made) {
      if (Failed(state, MakeName(kOrbi, text.c_str(), &name, GSS_C_NO_BUFFER),
                 "making the name failed")) {
        break;
      }
    }
    imported = HeapInUse() - before;
    for (gss_name_t name : made) {
      if (name != GSS_C_NO_NAME && !TouchEveryRead(name)) {
        state.SkipWithError("reading the name failed");
        break;
      }
    }
    read = HeapInUse() - before;
    OM_uint32 minor;
    for (gss_name_t& name : made) {
      if (name != GSS_C_NO_NAME) gss_release_name(&minor, &name);
    }
  }
  state.counters["bytes_imported"] = imported / names;
  state.counters["bytes_read"] = read / names;
  state.counters["text_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_GlueNameBytes)->Arg(0)->Arg(1000)->Arg(100000)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  // Set before the first GSS-API call, which reads them.
  setenv("GSS_MECH_CONFIG", ORBI_MECH_CONFIG, /*overwrite=*/0);
  setenv("KRB5_CONFIG", ORBI_KRB5_CONFIG, /*overwrite=*/0);
  return orbi_bench::Main(argc, argv);
}
