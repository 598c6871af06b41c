// Concurrency of name sets and names: several threads add, remove and count
// on one set while others expand it into another set and others expand and
// read its names. Run under the tsan preset it must give no report and no
// deadlock; in every preset it checks the results.
//
// Left out on purpose: a GetMember walk racing a RemoveMember on another
// thread. GetMember hands out the set's own member, used after the set's lock
// is released, so ordering such a walk against removals is the caller's task.
// The readers here use only the base members, which nobody removes, and take
// their pointers before the other threads start.
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
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

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

constexpr int kBaseNames = 4;
constexpr int kMutators = 3;
constexpr int kExpanders = 2;
constexpr int kReaders = 2;
constexpr int kMutatorRounds = 2000;
constexpr int kExpanderRounds = 200;
constexpr int kReaderRounds = 1000;
// A hang guard, not a speed check: far beyond what the rounds need even
// under the thread sanitizer on a loaded machine.
constexpr std::chrono::minutes kHangGuard{10};

std::string BaseText(int k) {
  return "db" + std::to_string(k) + "\nuser" + std::to_string(k) + "a\nuser" +
         std::to_string(k) + "b";
}

void Fill(PLVORBIInternalName& name, const std::string& text) {
  std::string copy(text);
  ASSERT_EQ(name.ChangeExternalName(copy.data()), status::SUCCESS);
  Peer::setNameType(name, ORBIGetOID(1));
}

std::string Text(const PLVORBIInternalName& name) {
  const char* value = Peer::nameValue(name);
  return value == nullptr ? std::string() : std::string(value);
}

// Counts entry and exit records, so that tracing runs on every thread
// without keeping the records.
struct RecordCounter {
  std::atomic<long> entries{0};
  std::atomic<long> exits{0};
  static int Sink(void* context, const char*, unsigned int, unsigned long level,
                  const char*, unsigned int) {
    auto* self = static_cast<RecordCounter*>(context);
    if (level == 0x80000000ul) self->entries.fetch_add(1);
    if (level == 0x40000000ul) self->exits.fetch_add(1);
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
    trace->componentMask = 0x400;
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

// Holds a worker back until every worker has been started, so that their
// rounds overlap.
void WaitFor(const std::atomic<bool>& go) {
  while (!go.load()) std::this_thread::yield();
}

// Each mutator adds, counts and removes names of its own, which no other
// thread removes, so every remove must find its name.
void Mutate(PLVORBIInternalNameSet& source, PLVORBIInternalNameSet& target,
            int id, std::atomic<int>& failures) {
  for (int round = 0; round < kMutatorRounds; ++round) {
    PLVORBIInternalName name;
    Fill(name, "tmp" + std::to_string(id) + "-" + std::to_string(round % 5) +
                   "\nx\ny");
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
      const std::string path =
          "db" + std::to_string(k) + "\nuser" + std::to_string(k);
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
    if (base->GetNameType() != ORBIGetOID(1)) ++failures;
  }
}

TEST(NameSetThreads, AddRemoveCountWhileExpandingAndReading) {
  PLVORBIInternalNameSet source, destination;
  for (int k = 0; k < kBaseNames; ++k) {
    PLVORBIInternalName name;
    Fill(name, BaseText(k));
    int index = 0;
    ASSERT_EQ(source.AddMember(&name, index), status::SUCCESS);
  }
  std::vector<PLVORBIInternalName*> bases;
  for (PLVORBIInternalName* m = source.GetMember(nullptr); m != nullptr;
       m = source.GetMember(m)) {
    bases.push_back(m);
  }
  ASSERT_EQ(bases.size(), static_cast<size_t>(kBaseNames));

  std::atomic<int> failures{0};
  std::atomic<bool> go{false};
  long entries = 0;
  long exits = 0;
  {
    CountingTrace trace;
    HangGuard guard;
    std::vector<std::thread> threads;
    for (int i = 0; i < kMutators; ++i) {
      threads.emplace_back([&, i] {
        WaitFor(go);
        Mutate(source, destination, i, failures);
      });
    }
    for (int i = 0; i < kExpanders; ++i) {
      threads.emplace_back([&] {
        WaitFor(go);
        Expand(source, destination, failures);
      });
    }
    for (int i = 0; i < kReaders; ++i) {
      threads.emplace_back([&] {
        WaitFor(go);
        ReadBases(bases, failures);
      });
    }
    go.store(true);
    for (std::thread& t : threads) t.join();
    entries = trace.counter().entries.load();
    exits = trace.counter().exits.load();
  }
  EXPECT_EQ(failures.load(), 0);
  EXPECT_GT(entries, 0);
  EXPECT_EQ(exits, entries) << "every entry record has its exit record";

  // Only the base names are left in the source, in their order.
  std::vector<std::string> left;
  for (PLVORBIInternalName* m = source.GetMember(nullptr); m != nullptr;
       m = source.GetMember(m)) {
    left.push_back(Text(*m));
  }
  std::vector<std::string> base_texts;
  for (int k = 0; k < kBaseNames; ++k) base_texts.push_back(BaseText(k));
  EXPECT_EQ(left, base_texts);

  // The destination holds no two equal names and every base expansion.
  std::set<std::string> seen;
  for (PLVORBIInternalName* m = destination.GetMember(nullptr); m != nullptr;
       m = destination.GetMember(m)) {
    EXPECT_TRUE(seen.insert(Text(*m)).second) << Text(*m);
  }
  for (int k = 0; k < kBaseNames; ++k) {
    const std::string prefix =
        "db" + std::to_string(k) + "\nuser" + std::to_string(k);
    EXPECT_EQ(seen.count(prefix + "a"), 1u);
    EXPECT_EQ(seen.count(prefix + "b"), 1u);
  }
  EXPECT_EQ(source.RemoveAllMembers(), status::SUCCESS);
  EXPECT_EQ(destination.RemoveAllMembers(), status::SUCCESS);
}

}  // namespace
