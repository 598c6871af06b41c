// Several threads on one name set at once: adding, removing, counting and
// expanding it into a second set, while another thread empties the second
// set. The set's lock is always taken before a member's and the source set's
// before the destination's, so nothing can deadlock; bounded in iterations;
// run under the tsan preset to check for data races.
//
// Left out, because the contract leaves it to the caller: walking the set
// with GetMember while another thread removes members (the pointer in hand
// may be destroyed), and expanding two sets into each other at once.
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"

namespace {

namespace status = orbi_name::status;

constexpr int kIterations = 2000;
constexpr int kPool = 6;

std::string TextOf(int i) { return "db\nentry" + std::to_string(i); }

void SetText(PLVORBIInternalName& name, const std::string& text) {
  gss_buffer_desc buffer = {static_cast<OM_uint32>(text.size()),
                            const_cast<char*>(text.data())};
  ASSERT_EQ(name.Set(static_cast<gss_OID>(nullptr), &buffer), status::SUCCESS);
}

// The texts of a set's members; call only while no other thread removes.
std::vector<std::string> Texts(PLVORBIInternalNameSet& set) {
  std::vector<std::string> texts;
  for (PLVORBIInternalName* m = set.GetMember(nullptr); m != nullptr;
       m = set.GetMember(m)) {
    gss_buffer_desc out = {0, nullptr};
    EXPECT_EQ(m->Display(&out, nullptr), status::SUCCESS);
    texts.emplace_back(static_cast<char*>(out.value));
    free(out.value);
  }
  return texts;
}

TEST(NameSetStress, AddRemoveCountAndExpandAtOnce) {
  TraceRecorder recorder;  // the trace path runs on every thread as well
  PLVORBIInternalNameSet set;
  PLVORBIInternalNameSet expanded;
  std::atomic<int> failures{0};
  auto check = [&](bool ok) {
    if (!ok) failures.fetch_add(1);
  };

  auto worker = [&](int seed) {
    // Each thread's own names: AddMember and RemoveMember read them
    // without a lock, so they are never shared.
    std::vector<PLVORBIInternalName> names(kPool);
    for (int i = 0; i < kPool; ++i) SetText(names[i], TextOf(i));
    for (int i = 0; i < kIterations; ++i) {
      PLVORBIInternalName& name = names[(seed * 7 + i) % kPool];
      switch ((seed + i) % 5) {
        case 0:
        case 1: {
          int index = 0;
          check(set.AddMember(&name, index) == status::SUCCESS);
          check(index >= 1 && index <= kPool);
          break;
        }
        case 2: {
          const OM_uint32 result = set.RemoveMember(&name);
          check(result == status::SUCCESS || result == status::NO_SUCH_MEMBER);
          break;
        }
        case 3:
          check(set.GetCount() <= static_cast<OM_uint32>(kPool));
          break;
        default:
          check(set.CopyExpandedNameSet(&expanded) == status::SUCCESS);
          check(expanded.GetCount() <= static_cast<OM_uint32>(kPool));
          break;
      }
    }
  };
  auto emptier = [&] {
    for (int i = 0; i < kIterations / 4; ++i) {
      check(expanded.RemoveAllMembers() == status::SUCCESS);
      std::this_thread::yield();
    }
  };

  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) threads.emplace_back(worker, t);
  threads.emplace_back(emptier);
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(failures.load(), 0);

  // Quiet now: no two members are equal, and every one is a pool name.
  for (PLVORBIInternalNameSet* s : {&set, &expanded}) {
    const std::vector<std::string> texts = Texts(*s);
    EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(),
              texts.size());
    for (const std::string& text : texts) {
      bool known = false;
      for (int i = 0; i < kPool; ++i) known = known || text == TextOf(i);
      EXPECT_TRUE(known) << text;
    }
    EXPECT_EQ(s->GetCount(), texts.size());
  }
  EXPECT_EQ(set.RemoveAllMembers(), status::SUCCESS);
  EXPECT_EQ(expanded.RemoveAllMembers(), status::SUCCESS);
}

}  // namespace
