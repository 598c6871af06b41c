// callgrind_loop [--threaded] OPERATION COUNT: runs one operation COUNT times
// inside the function orbi_bench_measured, so that callgrind
// (bench/callgrind.sh, which collects only inside that function) counts the
// instructions of exactly those calls. Setup and a short warm-up (symbol
// binding, the allocator's first blocks) run outside it. With --threaded, a
// thread is started and joined first, so glibc's __libc_single_threaded is
// false and the locks (ours and malloc's) take their atomic path, as in a
// process that has ever had a second thread. "callgrind_loop list" names the
// operations. Exit status 0 when every call succeeded, 1 otherwise, 2 for bad
// arguments.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <mutex>
#include <new>
#include <string>
#include <thread>

#include "import_text.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_name/internal_oid.h"
#include "orbi_name/status.h"
#include "orbi_services/oid_table.h"

namespace {

namespace status = orbi_name::status;

constexpr char kName17[] = "alice@EXAMPLE.COM";
constexpr char kEntries4[] =
    "/var/db/orbi\nentry00001\nentry00002\nentry00003\nentry00004";
unsigned char kKerberosBytes[] = {0x2A, 0x86, 0x48, 0x86, 0xF7,
                                  0x12, 0x01, 0x02, 0x02};
gss_OID_desc kKerberos = {sizeof(kKerberosBytes), kKerberosBytes};

// What the operations work on, made before the measured loop.
struct Context {
  gss_buffer_desc input;   // kName17 without its NUL
  gss_OID default_type;    // the table's default name type, as callers pass it
  gss_OID_desc mech_copy;  // a caller's copy of the mechanism OID
  unsigned char mech_bytes[64] = {};
  unsigned char floor_bytes[64] = {};  // a copy of mech_bytes
  PLVORBIInternalName plain;           // imported, default type
  PLVORBIInternalName canonical;       // imported and canonicalized
  PLVORBIInternalName other;           // canonical, "alice@EXAMPLE.ORG"
  PLVORBIInternalName entries;         // a path and 4 entries
  PLVORBIInternalName distinct[4];
  PLVORBIInternalOID oid;  // 1.2.840.113554.1.2.2
  std::mutex mutex;
  volatile int sink = 0;
};

using Step = bool (*)(Context&);

bool Empty(Context& c) { return c.sink == 0; }

bool Set17(Context& c) {
  return c.plain.Set(static_cast<gss_OID>(nullptr), &c.input) ==
         status::SUCCESS;
}

bool ImportRelease(Context& c) {
  auto* name = new (std::nothrow) PLVORBIInternalName;
  if (name == nullptr) return false;
  OM_uint32 result = name->Set(c.default_type, &c.input);
  delete name;
  return result == status::SUCCESS;
}

bool Display(Context& c) {
  gss_buffer_desc output;
  gss_OID type;
  if (c.canonical.Display(&output, &type) != status::SUCCESS) return false;
  free(output.value);
  return true;
}

bool CompareEqual(Context& c) { return (c.canonical == c.distinct[0]) == 1; }

bool CompareUnequal(Context& c) { return (c.canonical == c.other) == 0; }

bool AssignNewRelease(Context& c) {
  auto* copy = new (std::nothrow) PLVORBIInternalName;
  if (copy == nullptr) return false;
  *copy = c.canonical;
  delete copy;
  return true;
}

bool CanonicalizeTable(Context& c) {
  return c.plain.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)) ==
         status::SUCCESS;
}

bool CanonicalizeCaller(Context& c) {
  return c.plain.CanonicalizeName(&c.mech_copy) == status::SUCCESS;
}

bool Export(Context& c) {
  gss_buffer_desc token;
  if (c.canonical.Export(&token) != status::SUCCESS) return false;
  free(token.value);
  return true;
}

bool Round(Context& c, gss_OID mech) {
  auto* name = new (std::nothrow) PLVORBIInternalName;
  if (name == nullptr) return false;
  gss_buffer_desc token;
  token.value = nullptr;
  OM_uint32 result = name->Set(c.default_type, &c.input);
  if (result == status::SUCCESS) result = name->CanonicalizeName(mech);
  if (result == status::SUCCESS) result = name->Export(&token);
  free(token.value);
  delete name;
  return result == status::SUCCESS;
}
bool RoundTable(Context& c) {
  return Round(c, ORBIGetOID(kORBIMechanismIndex));
}
bool RoundCaller(Context& c) { return Round(c, &c.mech_copy); }

bool OIDCheckerSame(Context&) {
  return PLVORBIInternalOID::OIDChecker(ORBIGetOID(kORBIMechanismIndex),
                                        ORBIGetOID(kORBIMechanismIndex)) == 1;
}
bool OIDCheckerEqual(Context& c) {
  return PLVORBIInternalOID::OIDChecker(ORBIGetOID(kORBIMechanismIndex),
                                        &c.mech_copy) == 1;
}
bool OIDCheckerDifferent(Context&) {
  return PLVORBIInternalOID::OIDChecker(ORBIGetOID(kORBIMechanismIndex),
                                        &kKerberos) == 0;
}

bool OIDFromDotted(Context&) {
  PLVORBIInternalOID value;
  return value.set("1.2.840.113554.1.2.2") == status::SUCCESS;
}
bool OIDFromBraces(Context&) {
  PLVORBIInternalOID value;
  return value.set("{1 2 840 113554 1 2 2}") == status::SUCCESS;
}
bool OIDToText(Context& c) {
  char* text = nullptr;
  if (c.oid.get(text) != status::SUCCESS) return false;
  free(text);
  return true;
}
bool OIDGetGssOID(Context& c) {
  gss_OID oid = nullptr;
  if (c.oid.get(oid) != status::SUCCESS) return false;
  free(oid->elements);
  free(oid);
  return true;
}
bool OIDSetGssOID(Context&) {
  PLVORBIInternalOID value;
  return value.set(&kKerberos) == status::SUCCESS;
}

bool AddMember8Of4(Context& c) {
  static constexpr int kOffers[8] = {0, 1, 0, 2, 1, 3, 2, 3};
  PLVORBIInternalNameSet set;
  int index = 0;
  bool ok = true;
  for (int offer : kOffers) {
    ok = set.AddMember(&c.distinct[offer], index) == status::SUCCESS && ok;
  }
  set.RemoveAllMembers();
  return ok && index == 4;
}

bool GetDatabasePath(Context& c) {
  gss_buffer_desc path;
  if (c.entries.GetDatabasePath(&path) != status::SUCCESS) return false;
  free(path.value);
  return true;
}

bool ReadWalk4(Context& c) {
  unsigned long cursor = 0;
  int count = 0;
  for (;;) {
    gss_buffer_desc entry;
    OM_uint32 result = c.entries.Read(&entry, cursor);
    if (result == status::END_OF_LIST) return count == 4;
    if (result != status::SUCCESS) return false;
    free(entry.value);
    ++count;
  }
}

bool CopyExpanded4(Context& c) {
  PLVORBIInternalName* first = c.entries.CopyExpandedName();
  if (first == nullptr) return false;
  while (first != nullptr) {
    PLVORBIInternalName* next = first->GetNextMember();
    delete first;
    first = next;
  }
  return true;
}

// The floor: what the operations cannot avoid.
bool FloorMallocFree32(Context& c) {
  void* block = malloc(32);
  c.sink = block != nullptr;
  free(block);
  return block != nullptr;
}
bool FloorMallocMemcpyFree24(Context& c) {
  void* block = malloc(32);
  if (block == nullptr) return false;
  static const char kSource[24] = "0123456789abcdefghijklm";
  memcpy(block, kSource, sizeof(kSource));
  c.sink = static_cast<char*>(block)[0];
  free(block);
  return true;
}
bool FloorMutex(Context& c) {
  c.mutex.lock();
  c.mutex.unlock();
  return true;
}
// A 9-byte memcmp of two equal blocks (as floor_benchmark's
// BM_Floor_Memcmp9), whatever the length of the build's mechanism OID: 9
// bytes of the table's entry would run past it under a shorter arc.
bool FloorMemcmp9(Context& c) {
  return memcmp(c.floor_bytes, c.mech_bytes, 9) == 0;
}

struct Operation {
  const char* name;
  Step step;
};

constexpr Operation kOperations[] = {
    {"empty", Empty},
    {"set17", Set17},
    {"import_release", ImportRelease},
    {"display", Display},
    {"compare_equal", CompareEqual},
    {"compare_unequal", CompareUnequal},
    {"assign_new_release", AssignNewRelease},
    {"canonicalize_table", CanonicalizeTable},
    {"canonicalize_caller", CanonicalizeCaller},
    {"export", Export},
    {"round_table", RoundTable},
    {"round_caller", RoundCaller},
    {"oidchecker_same", OIDCheckerSame},
    {"oidchecker_equal", OIDCheckerEqual},
    {"oidchecker_different", OIDCheckerDifferent},
    {"oid_from_dotted", OIDFromDotted},
    {"oid_from_braces", OIDFromBraces},
    {"oid_to_text", OIDToText},
    {"oid_get_gss_oid", OIDGetGssOID},
    {"oid_set_gss_oid", OIDSetGssOID},
    {"add_member_8of4", AddMember8Of4},
    {"get_database_path", GetDatabasePath},
    {"read_walk4", ReadWalk4},
    {"copy_expanded4", CopyExpanded4},
    {"floor_malloc_free32", FloorMallocFree32},
    {"floor_malloc_memcpy_free24", FloorMallocMemcpyFree24},
    {"floor_mutex", FloorMutex},
    {"floor_memcmp9", FloorMemcmp9},
};

bool Fill(PLVORBIInternalName& name, const char* text, bool canonical) {
  return orbi_bench::ImportText(name, text, strlen(text), canonical);
}

bool Prepare(Context& c) {
  c.input.length = static_cast<OM_uint32>(strlen(kName17));
  c.input.value = const_cast<char*>(kName17);
  c.default_type = ORBIGetOID(kORBIDefaultNameTypeIndex);
  gss_OID mech = ORBIGetOID(kORBIMechanismIndex);
  if (mech->length > sizeof(c.mech_bytes)) return false;
  memcpy(c.mech_bytes, mech->elements, mech->length);
  memcpy(c.floor_bytes, c.mech_bytes, sizeof(c.floor_bytes));
  c.mech_copy.length = mech->length;
  c.mech_copy.elements = c.mech_bytes;
  // distinct[0] holds the same text as canonical, so CompareEqual compares
  // two records with equal contents.
  return Fill(c.plain, kName17, false) && Fill(c.canonical, kName17, true) &&
         Fill(c.other, "alice@EXAMPLE.ORG", true) &&
         Fill(c.entries, kEntries4, false) &&
         Fill(c.distinct[0], kName17, true) &&
         Fill(c.distinct[1], "bob@EXAMPLE.COM", true) &&
         Fill(c.distinct[2], "carol@EXAMPLE.COM", true) &&
         Fill(c.distinct[3], "dave@EXAMPLE.COM", true) &&
         c.oid.set("1.2.840.113554.1.2.2") == status::SUCCESS;
}

}  // namespace

// The only function callgrind collects in. Not inlined, with C linkage, so
// that its name is the same for every compiler.
extern "C" __attribute__((noinline)) long orbi_bench_measured(Step step,
                                                              Context* context,
                                                              long count) {
  long failures = 0;
  for (long i = 0; i < count; ++i) failures += step(*context) ? 0 : 1;
  return failures;
}

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "list") == 0) {
    for (const Operation& operation : kOperations) puts(operation.name);
    return 0;
  }
  const bool threaded = argc == 4 && strcmp(argv[1], "--threaded") == 0;
  if (threaded) {
    --argc;
    ++argv;
  }
  if (argc != 3) {
    fprintf(stderr,
            "usage: callgrind_loop [--threaded] OPERATION COUNT | list\n");
    return 2;
  }
  const Operation* chosen = nullptr;
  for (const Operation& operation : kOperations) {
    if (strcmp(operation.name, argv[1]) == 0) chosen = &operation;
  }
  const long count = atol(argv[2]);
  if (chosen == nullptr || count <= 0) {
    fprintf(stderr, "unknown operation or bad count\n");
    return 2;
  }
  if (threaded) std::thread([] {}).join();
  auto* context = new Context;
  if (!Prepare(*context)) {
    fprintf(stderr, "setup failed\n");
    return 1;
  }
  // Warm-up outside the measured function.
  for (int i = 0; i < 16; ++i) {
    if (!chosen->step(*context)) {
      fprintf(stderr, "%s failed\n", chosen->name);
      return 1;
    }
  }
  const long failures = orbi_bench_measured(chosen->step, context, count);
  delete context;
  if (failures != 0) {
    fprintf(stderr, "%s failed %ld times\n", chosen->name, failures);
    return 1;
  }
  return 0;
}
