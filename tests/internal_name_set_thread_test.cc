// Concurrency of name sets: several threads add, remove, count and expand on
// one set at once, with tracing on in every thread. Run under the tsan preset
// it must give no report and no deadlock; in every preset it checks the
// results. The set's lock is always taken before a member's, and the source
// set's before the destination's, so nothing here can deadlock; a hang guard
// turns a deadlock into a failure instead of a hung suite.
//
// Two cases, because their checks cannot hold in one set at once:
// - each thread's names are its own text, so every add and remove has one
//   exact answer, while other threads expand the set and read its members;
// - threads add and remove equal names (the same texts), so an answer may be
//   either one, while another thread empties the expansions' destination;
//   the set must never hold two equal members.
//
// Left out, because the contract leaves it to the caller: walking a set with
// GetMember while another thread removes members (GetMember hands out the
// set's own member, used after the set's lock is released, so the pointer in
// hand may be destroyed), and expanding two sets into each other at once.
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_name_set.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"
#include "orbi_services/trace.h"
#include "test_support.h"
#include "trace_texts.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

// A hang guard, not a speed check: far beyond what the rounds need even
// under the thread sanitizer on a loaded machine.
constexpr std::chrono::minutes kHangGuard{10};

// --- Shared by both cases --------------------------------------------------

// Imports text with no name type (nameLength without the NUL).
void SetText(PLVORBIInternalName& name, const std::string& text) {
  gss_buffer_desc buffer = {static_cast<OM_uint32>(text.size()),
                            const_cast<char*>(text.data())};
  ASSERT_EQ(name.Set(static_cast<gss_OID>(nullptr), &buffer), status::SUCCESS);
}

// A name's text, read from its fields: for names that only this thread uses.
std::string Text(const PLVORBIInternalName& name) {
  const char* value = Peer::nameValue(name);
  return value == nullptr ? std::string() : std::string(value);
}

// The texts of a set's members, through Display; call only while no other
// thread removes.
std::vector<std::string> MemberTexts(PLVORBIInternalNameSet& set) {
  std::vector<std::string> texts;
  for (PLVORBIInternalName* m = set.GetMember(nullptr); m != nullptr;
       m = set.GetMember(m)) {
    gss_buffer_desc out = {0, nullptr};
    EXPECT_EQ(m->Display(&out, nullptr), status::SUCCESS);
    texts.emplace_back(out.value == nullptr ? ""
                                            : static_cast<char*>(out.value));
    free(out.value);
  }
  return texts;
}

// Expects a quiet set to hold no two equal members and GetCount to agree with
// a walk; returns its texts.
std::set<std::string> ExpectDistinctMembers(PLVORBIInternalNameSet& set) {
  const std::vector<std::string> texts = MemberTexts(set);
  const std::set<std::string> distinct(texts.begin(), texts.end());
  EXPECT_EQ(distinct.size(), texts.size()) << "two equal members";
  EXPECT_EQ(set.GetCount(), texts.size());
  return distinct;
}

// Counts entry and exit records, so that tracing runs on every thread
// without keeping the records.
struct RecordCounter {
  std::atomic<long> entries{0};
  std::atomic<long> exits{0};
  static int Sink(void* context, const char*, unsigned int, unsigned long level,
                  const char*, unsigned int) {
    auto* self = static_cast<RecordCounter*>(context);
    if (level == kEntryLevel) self->entries.fetch_add(1);
    if (level == kExitLevel) self->exits.fetch_add(1);
    return 1;
  }
};

// Turns the default trace object on for its lifetime. Made before the
// threads start and destroyed after they are joined.
class CountingTrace {
 public:
  CountingTrace() {
    PLVTrace* trace = PLVTrace::s_defaultTracePtr;
    trace->SetSink(&RecordCounter::Sink, &counter_);
    trace->componentMask = kTraceComponent;
    trace->levelMask = 0xFFFFFFFFu;
    trace->on = 1;
  }
  ~CountingTrace() {
    PLVTrace* trace = PLVTrace::s_defaultTracePtr;
    trace->on = 0;
    trace->componentMask = 0;
    trace->levelMask = 0;
    trace->SetSink(nullptr, nullptr);
  }
  const RecordCounter& counter() const { return counter_; }

 private:
  RecordCounter counter_;
};

// Aborts the process when the workers have not finished in time: a deadlock
// would otherwise hang the suite for ever.
class HangGuard {
 public:
  HangGuard()
      : thread_([this] {
          std::unique_lock<std::mutex> lock(mutex_);
          if (!done_cv_.wait_for(lock, kHangGuard, [this] { return done_; })) {
            std::fprintf(stderr,
                         "name set threads did not finish: deadlock?\n");
            std::abort();
          }
        }) {}
  ~HangGuard() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      done_ = true;
    }
    done_cv_.notify_one();
    thread_.join();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_cv_;
  bool done_ = false;
  std::thread thread_;
};

// Runs the workers under tracing and the hang guard, each held back until
// all have been started so that their rounds overlap, and joins them.
// Expects every entry record to have had its exit record.
void RunTogether(const std::vector<std::function<void()>>& workers) {
  std::atomic<bool> go{false};
  long entries = 0;
  long exits = 0;
  {
    CountingTrace trace;
    HangGuard guard;
    std::vector<std::thread> threads;
    for (const std::function<void()>& work : workers) {
      threads.emplace_back([&go, &work] {
        while (!go.load()) std::this_thread::yield();
        work();
      });
    }
    go.store(true);
    for (std::thread& t : threads) t.join();
    entries = trace.counter().entries.load();
    exits = trace.counter().exits.load();
  }
  EXPECT_GT(entries, 0);
  EXPECT_EQ(exits, entries) << "every entry record has its exit record";
}

// --- Each thread's own names, while others expand and read -----------------

constexpr int kBaseNames = 4;
constexpr int kMutators = 3;
constexpr int kExpanders = 2;
constexpr int kReaders = 2;
constexpr int kMutatorRounds = 2000;
constexpr int kExpanderRounds = 200;
constexpr int kReaderRounds = 1000;

std::string BaseText(int k) {
  return "db" + std::to_string(k) + "\nuser" + std::to_string(k) + "a\nuser" +
         std::to_string(k) + "b";
}

// The first entry of base name k's expansion without its last letter.
std::string BaseEntryPrefix(int k) {
  return "db" + std::to_string(k) + "\nuser" + std::to_string(k);
}

// Each mutator adds, counts and removes names of its own, which no other
// thread removes, so every remove must find its name.
void Mutate(PLVORBIInternalNameSet& source, PLVORBIInternalNameSet& target,
            int id, std::atomic<int>& failures) {
  for (int round = 0; round < kMutatorRounds; ++round) {
    PLVORBIInternalName name;
    SetRecord(name, ("tmp" + std::to_string(id) + "-" +
                     std::to_string(round % 5) + "\nx\ny")
                        .c_str());
    int index = 0;
    if (source.AddMember(&name, index) != status::SUCCESS || index < 1) {
      ++failures;
    }
    if (source.GetCount() < static_cast<OM_uint32>(kBaseNames + 1)) {
      ++failures;
    }
    // Adding it again finds it, wherever the other threads have moved it.
    int again = 0;
    if (source.AddMember(&name, again) != status::SUCCESS || again < 1) {
      ++failures;
    }
    (void)target.GetCount();
    if (source.RemoveMember(&name) != status::SUCCESS) ++failures;
    if (source.RemoveMember(&name) != status::NO_SUCH_MEMBER) ++failures;
  }
}

// Each expander expands the source into the shared destination and into a
// set of its own, which must then hold every base name's expansion.
void Expand(PLVORBIInternalNameSet& source, PLVORBIInternalNameSet& shared,
            std::atomic<int>& failures) {
  PLVORBIInternalNameSet own;
  for (int round = 0; round < kExpanderRounds; ++round) {
    if (source.CopyExpandedNameSet(&shared) != status::SUCCESS) ++failures;
    if (source.CopyExpandedNameSet(&own) != status::SUCCESS) ++failures;
    std::set<std::string> texts;
    for (PLVORBIInternalName* m = own.GetMember(nullptr); m != nullptr;
         m = own.GetMember(m)) {
      texts.insert(Text(*m));
    }
    for (int k = 0; k < kBaseNames; ++k) {
      const std::string path = BaseEntryPrefix(k);
      if (texts.count(path + "a") == 0 || texts.count(path + "b") == 0) {
        ++failures;
      }
    }
    (void)own.RemoveAllMembers();
  }
}

// Each reader expands and reads the base members, which stay in the set.
void ReadBases(const std::vector<PLVORBIInternalName*>& bases,
               std::atomic<int>& failures) {
  for (int round = 0; round < kReaderRounds; ++round) {
    const int k = round % kBaseNames;
    PLVORBIInternalName* base = bases[k];
    const std::string path = "db" + std::to_string(k);
    const std::string user = "user" + std::to_string(k);

    PLVORBIInternalName* first = base->CopyExpandedName();
    std::vector<std::string> expanded;
    while (first != nullptr) {
      expanded.push_back(Text(*first));
      PLVORBIInternalName* next = first->GetNextMember();
      delete first;
      first = next;
    }
    if (expanded != std::vector<std::string>{path + "\n" + user + "a",
                                             path + "\n" + user + "b"}) {
      ++failures;
    }

    gss_buffer_desc buffer{0, nullptr};
    if (base->GetDatabasePath(&buffer) != status::SUCCESS ||
        path != static_cast<char*>(buffer.value)) {
      ++failures;
    }
    free(buffer.value);

    unsigned long cursor = 0;
    std::vector<std::string> entries;
    PLVASNLabelString label(0);
    PLVASNBuffer asn(0);
    buffer = gss_buffer_desc{0, nullptr};
    if (base->Read(&buffer, cursor) == status::SUCCESS) {
      entries.push_back(static_cast<char*>(buffer.value));
      free(buffer.value);
    }
    if (base->Read(&label, cursor) == status::SUCCESS) {
      entries.push_back(label.visibleString.value());
    }
    if (base->Read(&asn, cursor) != status::END_OF_LIST) ++failures;
    if (entries != std::vector<std::string>{user + "a", user + "b"}) {
      ++failures;
    }
    if (base->GetNameType() != ORBIGetOID(kORBIDefaultNameTypeIndex)) {
      ++failures;
    }
  }
}

TEST(NameSetThreads, AddRemoveCountWhileExpandingAndReading) {
  PLVORBIInternalNameSet source, destination;
  for (int k = 0; k < kBaseNames; ++k) {
    PLVORBIInternalName name;
    SetRecord(name, BaseText(k).c_str());
    int index = 0;
    ASSERT_EQ(source.AddMember(&name, index), status::SUCCESS);
  }
  // The readers take the base members' pointers before the other threads
  // start; nobody removes them.
  std::vector<PLVORBIInternalName*> bases;
  for (PLVORBIInternalName* m = source.GetMember(nullptr); m != nullptr;
       m = source.GetMember(m)) {
    bases.push_back(m);
  }
  ASSERT_EQ(bases.size(), static_cast<size_t>(kBaseNames));

  std::atomic<int> failures{0};
  std::vector<std::function<void()>> workers;
  for (int i = 0; i < kMutators; ++i) {
    workers.emplace_back([&, i] { Mutate(source, destination, i, failures); });
  }
  for (int i = 0; i < kExpanders; ++i) {
    workers.emplace_back([&] { Expand(source, destination, failures); });
  }
  for (int i = 0; i < kReaders; ++i) {
    workers.emplace_back([&] { ReadBases(bases, failures); });
  }
  RunTogether(workers);
  EXPECT_EQ(failures.load(), 0);

  // Only the base names are left in the source, in their order.
  std::vector<std::string> base_texts;
  for (int k = 0; k < kBaseNames; ++k) base_texts.push_back(BaseText(k));
  EXPECT_EQ(MemberTexts(source), base_texts);

  // The destination holds no two equal names and every base expansion.
  const std::set<std::string> seen = ExpectDistinctMembers(destination);
  for (int k = 0; k < kBaseNames; ++k) {
    EXPECT_EQ(seen.count(BaseEntryPrefix(k) + "a"), 1u);
    EXPECT_EQ(seen.count(BaseEntryPrefix(k) + "b"), 1u);
  }
  EXPECT_EQ(source.RemoveAllMembers(), status::SUCCESS);
  EXPECT_EQ(destination.RemoveAllMembers(), status::SUCCESS);
}

// --- Equal names from several threads, destination emptied -----------------

constexpr int kPoolWorkers = 4;
constexpr int kPoolRounds = 2000;
constexpr int kPool = 6;

std::string PoolText(int i) { return "db\nentry" + std::to_string(i); }

TEST(NameSetThreads, EqualNamesFromSeveralThreadsWhileTheDestinationEmpties) {
  PLVORBIInternalNameSet set;
  PLVORBIInternalNameSet expanded;
  std::atomic<int> failures{0};
  auto check = [&](bool ok) {
    if (!ok) failures.fetch_add(1);
  };

  // Each thread's own name objects, with the texts every thread uses:
  // AddMember and RemoveMember read the name passed in without its lock, so
  // the objects are never shared, but the values are.
  auto worker = [&](int seed) {
    std::vector<PLVORBIInternalName> names(kPool);
    for (int i = 0; i < kPool; ++i) SetText(names[i], PoolText(i));
    for (int i = 0; i < kPoolRounds; ++i) {
      PLVORBIInternalName& name = names[(seed * 7 + i) % kPool];
      switch ((seed + i) % 5) {
        case 0:
        case 1: {
          // Another thread's equal name may be there already.
          int index = 0;
          check(set.AddMember(&name, index) == status::SUCCESS);
          check(index >= 1 && index <= kPool);
          break;
        }
        case 2: {
          // Another thread may have taken it out, or put it in.
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
    for (int i = 0; i < kPoolRounds / 4; ++i) {
      check(expanded.RemoveAllMembers() == status::SUCCESS);
      std::this_thread::yield();
    }
  };

  std::vector<std::function<void()>> workers;
  for (int t = 0; t < kPoolWorkers; ++t)
    workers.emplace_back([&, t] { worker(t); });
  workers.emplace_back(emptier);
  RunTogether(workers);
  EXPECT_EQ(failures.load(), 0);

  // Quiet now: in both sets no two members are equal, and every one is a
  // pool name.
  for (PLVORBIInternalNameSet* s : {&set, &expanded}) {
    for (const std::string& text : ExpectDistinctMembers(*s)) {
      bool known = false;
      for (int i = 0; i < kPool; ++i) known = known || text == PoolText(i);
      EXPECT_TRUE(known) << text;
    }
  }
  EXPECT_EQ(set.RemoveAllMembers(), status::SUCCESS);
  EXPECT_EQ(expanded.RemoveAllMembers(), status::SUCCESS);
}

}  // namespace
