// Several threads on one name at once: some change it (Set, CanonicalizeName,
// ChangeExternalName, assignment into it, Clean), others read it (Display,
// Export, GetNameType, GetDatabasePath, Read from the start, and copies into
// other names made through Display and Export). Every answer must show one
// whole state of the name. Bounded in iterations; run under the tsan preset
// to check for data races and lock-order problems.
//
// Left out, because the contract leaves them to the caller: the shared name
// as the right-hand side of operator== or operator= (that side is read
// without its lock, so the caller keeps it from changing), and a walk over
// the entries with a cursor kept across calls while the text changes (a
// cursor is valid only while the text is unchanged).
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"

namespace {

namespace status = orbi_name::status;

constexpr int kIterations = 2000;

// Every text the shared name can hold; all share the database path "db".
const char* const kTexts[] = {"db\nalice", "db\nbob\ncarol", "db",
                              "db\nalice\nbob\ncarol\ndave"};

std::string Bytes(const gss_buffer_desc& b) {
  return std::string(static_cast<const char*>(b.value), b.length);
}

OM_uint32 SetText(PLVORBIInternalName& name, const std::string& text) {
  gss_buffer_desc buffer = {static_cast<OM_uint32>(text.size()),
                            const_cast<char*>(text.data())};
  return name.Set(static_cast<gss_OID>(nullptr), &buffer);
}

bool KnownText(const std::string& text) {
  for (const char* t : kTexts) {
    if (text == t) return true;
  }
  return false;
}

TEST(NameStress, ReadersSeeWholeStatesWhileWritersChangeTheName) {
  TraceRecorder recorder;  // the trace path runs on every thread as well
  PLVORBIInternalName shared;
  ASSERT_EQ(SetText(shared, kTexts[0]), status::SUCCESS);
  std::atomic<int> failures{0};
  auto check = [&](bool ok) {
    if (!ok) failures.fetch_add(1);
  };

  auto writer = [&](int seed) {
    PLVORBIInternalName source;  // this thread's own name, never shared
    for (int i = 0; i < kIterations; ++i) {
      const char* text = kTexts[(seed + i) % 4];
      switch ((seed + i) % 5) {
        case 0:
          check(SetText(shared, text) == status::SUCCESS);
          break;
        case 1: {
          // A cleaned or changed name may have no name type: 36.
          const OM_uint32 result =
              shared.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex));
          check(result == status::SUCCESS || result == status::BAD_NAME_TYPE);
          break;
        }
        case 2: {
          std::string copy = text;
          check(shared.ChangeExternalName(&copy[0]) == status::SUCCESS);
          break;
        }
        case 3:
          check(SetText(source, text) == status::SUCCESS);
          shared = source;  // the shared name on the left: allowed
          break;
        default:
          check(shared.Clean() == status::SUCCESS);
          break;
      }
    }
  };

  auto reader = [&](int seed) {
    PLVORBIInternalName copy;
    for (int i = 0; i < kIterations; ++i) {
      switch ((seed + i) % 6) {
        case 0: {
          gss_buffer_desc out = {0, nullptr};
          gss_OID type = nullptr;
          check(shared.Display(&out, &type) == status::SUCCESS);
          // The length and the text come from one state: an imported text
          // (length without NUL), a changed one (length with NUL) or none.
          const std::string text(static_cast<char*>(out.value));
          check(out.length == 0 || KnownText(text));
          check(out.length == 0 || out.length == text.size() ||
                out.length == text.size() + 1);
          check(type == nullptr ||
                type == ORBIGetOID(kORBIDefaultNameTypeIndex));
          // A copy into another name through the displayed text.
          if (out.length != 0) check(SetText(copy, text) == status::SUCCESS);
          free(out.value);
          break;
        }
        case 1: {
          gss_buffer_desc token = {0, nullptr};
          const OM_uint32 result = shared.Export(&token);
          check(result == status::SUCCESS || result == status::NO_MECH ||
                result == status::BAD_NAME_TYPE);
          if (result == status::SUCCESS) {
            // A copy into another name through the token.
            check(copy.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &token) ==
                  status::SUCCESS);
            gss_buffer_desc again = {0, nullptr};
            check(copy.Export(&again) == status::SUCCESS);
            check(Bytes(again) == Bytes(token));
            free(again.value);
            free(token.value);
          }
          break;
        }
        case 2:
          check(shared.GetNameType() == ORBIGetOID(kORBIDefaultNameTypeIndex));
          break;
        case 3: {
          gss_buffer_desc path = {0, nullptr};
          const OM_uint32 result = shared.GetDatabasePath(&path);
          check(result == status::BAD_INPUT ||
                (result == status::SUCCESS &&
                 Bytes(path) == std::string("db", 3)));
          free(path.value);
          break;
        }
        case 4: {
          unsigned long cursor = 0;
          gss_buffer_desc entry = {0, nullptr};
          const OM_uint32 result = shared.Read(&entry, cursor);
          check(result == status::SUCCESS || result == status::END_OF_LIST);
          free(entry.value);
          break;
        }
        default: {
          // The shared name on the left of operator==: allowed.
          check(SetText(copy, kTexts[i % 4]) == status::SUCCESS);
          const int equal = shared == copy;
          check(equal == 0 || equal == 1);
          break;
        }
      }
    }
  };

  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) threads.emplace_back(writer, t);
  for (int t = 0; t < 3; ++t) threads.emplace_back(reader, t);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
