// Allocation failures in every operation of a name that allocates: for each
// allocation the call makes, the status, the state the name is left in, and
// that nothing is left behind. The counts of allocation points are asserted
// so that a new allocation shows up here.
#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

#include "alloc_loop.h"
#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

// A name's fields, to compare before and after a call.
struct State {
  bool has_text;
  std::string block;  // the nameLength bytes of the text block
  uint32_t length;
  gss_OID type;
  gss_OID mech;
  bool operator==(const State& o) const {
    return has_text == o.has_text && block == o.block && length == o.length &&
           type == o.type && mech == o.mech;
  }
};

State StateOf(const PLVORBIInternalName& name) {
  const char* value = Peer::nameValue(name);
  return State{value != nullptr,
               value != nullptr ? std::string(value, Peer::nameLength(name))
                                : std::string(),
               Peer::nameLength(name), Peer::nameType(name),
               Peer::mechType(name)};
}

// Fills name from text with the default type and binds it to the mechanism.
void Prepare(PLVORBIInternalName& name, const std::string& text) {
  gss_buffer_desc buffer = {static_cast<OM_uint32>(text.size()),
                            const_cast<char*>(text.data())};
  EXPECT_EQ(name.Set(static_cast<gss_OID>(nullptr), &buffer), status::SUCCESS);
  EXPECT_EQ(name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)),
            status::SUCCESS);
}

// The operations that only manage the record allocate nothing; if one ever
// does, it needs a failure loop of its own.
TEST(NameAlloc, RecordOperationsAllocateNothing) {
  PLVORBIInternalName other;
  Prepare(other, "other");
  orbi_alloc::FailNth fail(0);
  {
    PLVORBIInternalName name;
    EXPECT_EQ(name.GetNameType(), ORBIGetOID(kORBIDefaultNameTypeIndex));
    EXPECT_EQ(name.SetMechType(ORBIGetOID(kORBIMechanismIndex)),
              status::SUCCESS);
    EXPECT_EQ(name.SetNextMember(&other), status::SUCCESS);
    EXPECT_EQ(name.GetNextMember(), &other);
    EXPECT_EQ(name == other, 0);
    EXPECT_EQ(other == other, 1);
    EXPECT_EQ(name.Clean(), status::SUCCESS);
    char text[] = "x";
    gss_buffer_desc buffer = {1, text};
    EXPECT_EQ(name.Set(ORBIGetOID(kUserNameTypeIndex), &buffer),
              status::BAD_NAME_TYPE);
    EXPECT_EQ(name.CanonicalizeName(nullptr), status::BAD_INPUT);
    EXPECT_EQ(name.Export(nullptr), status::BAD_NAME_TYPE);  // 36 wins
    PLVORBIInternalName empty;
    name = empty;  // no text to copy
  }
  EXPECT_EQ(fail.count(), 0);
}

// Operations that hand out one block through a gss_buffer_desc. On failure:
// status 1, a null value, the name unchanged.
TEST(NameAlloc, OperationsHandingOutABuffer) {
  const struct {
    const char* label;
    OM_uint32 (*call)(PLVORBIInternalName&, gss_buffer_desc*);
    int points;
  } kCases[] = {
      {"Display",
       [](PLVORBIInternalName& n, gss_buffer_desc* out) {
         gss_OID type = nullptr;
         const OM_uint32 result = n.Display(out, &type);
         // The type is written only on success.
         EXPECT_EQ(type, result == status::SUCCESS
                             ? ORBIGetOID(kORBIDefaultNameTypeIndex)
                             : nullptr);
         return result;
       },
       1},
      {"Export",
       [](PLVORBIInternalName& n, gss_buffer_desc* out) {
         return n.Export(out);
       },
       1},
      {"GetDatabasePath",
       [](PLVORBIInternalName& n, gss_buffer_desc* out) {
         return n.GetDatabasePath(out);
       },
       1},
      {"Read, first entry",
       [](PLVORBIInternalName& n, gss_buffer_desc* out) {
         unsigned long cursor = 0;
         const OM_uint32 result = n.Read(out, cursor);
         // 1 keeps the cursor, so the same entry can be read again.
         EXPECT_EQ(cursor == 0, result == status::NO_MEMORY);
         return result;
       },
       1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const int points = RunAllocLoop([&](long k) {
      PLVORBIInternalName name;
      Prepare(name, "db/path\nalice\nbob");
      const State before = StateOf(name);
      gss_buffer_desc out = {77, reinterpret_cast<void*>(1)};
      OM_uint32 result;
      bool failed;
      {
        orbi_alloc::FailNth fail(k);
        result = c.call(name, &out);
        failed = fail.failed();
      }
      EXPECT_TRUE(StateOf(name) == before);
      if (failed) {
        EXPECT_EQ(result, status::NO_MEMORY);
        EXPECT_EQ(out.value, nullptr);
      } else {
        EXPECT_EQ(result, status::SUCCESS);
        EXPECT_NE(out.value, nullptr);
        orbi_alloc::Free(out.value);
      }
      return failed;
    });
    EXPECT_EQ(points, c.points);
  }
}

enum class ReadForm { kBuffer, kAsnBuffer, kLabel };

// Reads the second entry with the given form and checks each failure: the
// cursor unchanged and the destination untouched, so the entry can be read
// again; the label form is the exception noted below. Returns the number of
// allocation points.
int ReadFromMidWalk(ReadForm form) {
  return RunAllocLoop([&](long k) {
    PLVORBIInternalName name;
    Prepare(name, "db\nalice\nbob\ncarol");
    unsigned long cursor = 0;
    gss_buffer_desc first = {0, nullptr};
    EXPECT_EQ(name.Read(&first, cursor), status::SUCCESS);
    orbi_alloc::Free(first.value);
    const unsigned long mid = cursor;
    const State before = StateOf(name);

    gss_buffer_desc out = {0, nullptr};
    // Old contents long enough that the entry makes the buffer grow.
    PLVASNBuffer asn(0);
    unsigned char old_bytes[] = "old contents";
    EXPECT_EQ(asn.append(old_bytes, sizeof old_bytes), 0);
    PLVASNLabelString label(0);
    char old_text[] = "old";
    EXPECT_EQ(label.visibleString.set_value_visible(old_text), 0);

    OM_uint32 result = 0;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      switch (form) {
        case ReadForm::kBuffer:
          result = name.Read(&out, cursor);
          break;
        case ReadForm::kAsnBuffer:
          result = name.Read(&asn, cursor);
          break;
        case ReadForm::kLabel:
          result = name.Read(&label, cursor);
          break;
      }
      failed = fail.failed();
    }
    EXPECT_TRUE(StateOf(name) == before);
    const std::string asn_text(reinterpret_cast<char*>(asn.data), asn.length);
    if (!failed) {
      EXPECT_EQ(result, status::SUCCESS);
      EXPECT_NE(cursor, mid);
      switch (form) {
        case ReadForm::kBuffer:
          EXPECT_STREQ(static_cast<char*>(out.value), "bob");
          orbi_alloc::Free(out.value);
          break;
        case ReadForm::kAsnBuffer:
          EXPECT_EQ(asn_text, std::string("bob", 4));
          break;
        case ReadForm::kLabel:
          EXPECT_STREQ(label.visibleString.value(), "bob");
          EXPECT_EQ(label.selected(), 1);
          break;
      }
      return false;
    }
    if (form == ReadForm::kLabel && result == status::LABEL_NOT_SET) {
      // The label string could not take its copy: the library reports a
      // refused entry (4), and the cursor is past it.
      EXPECT_NE(cursor, mid);
      EXPECT_STREQ(label.visibleString.value(), "old");
      return true;
    }
    EXPECT_EQ(result, status::NO_MEMORY);
    EXPECT_EQ(cursor, mid);
    EXPECT_EQ(out.value, nullptr);
    EXPECT_EQ(asn_text, std::string("old contents", 13));
    EXPECT_STREQ(label.visibleString.value(), "old");
    EXPECT_EQ(label.selected(), -1);
    return true;
  });
}

TEST(NameAlloc, ReadFormsKeepTheCursor) {
  EXPECT_EQ(ReadFromMidWalk(ReadForm::kBuffer), 1);
  // The entry copy, then the label string's own copy.
  EXPECT_EQ(ReadFromMidWalk(ReadForm::kLabel), 2);
}

// Read into a PLVASNBuffer whose growth fails keeps what the buffer held.
TEST(NameAlloc, ReadIntoAsnBufferLeavesItUntouchedOnFailure) {
  // The entry copy, then the ASN.1 buffer's growth.
  EXPECT_EQ(ReadFromMidWalk(ReadForm::kAsnBuffer), 2);
}

// The import forms. On failure: status 1. The gss_buffer_t form releases the
// old text and the name holds none (nameLength 0); the ASN.1 form leaves the
// name as it was, old text included. Name type and mechanism are unchanged.
TEST(NameAlloc, SetReleasesTheOldTextOnFailure) {
  // An exported token of another name, made outside the loop.
  PLVORBIInternalName source;
  Prepare(source, std::string("carol\0x", 7));
  gss_buffer_desc token = {0, nullptr};
  ASSERT_EQ(source.Export(&token), status::SUCCESS);
  const std::string token_bytes(static_cast<char*>(token.value), token.length);
  orbi_alloc::Free(token.value);

  const struct {
    const char* label;
    gss_OID type;
    std::string bytes;
    bool asn_form;
    int points;
  } kCases[] = {
      {"text, no type", nullptr, "alice", false, 1},
      {"text, default type", ORBIGetOID(kORBIDefaultNameTypeIndex), "db\nalice",
       false, 1},
      {"anonymous sentinel", nullptr, kAnonymousSentinel, false, 1},
      {"anonymous type", ORBIGetOID(kORBIAnonymousNameTypeIndex), "ignored",
       false, 1},
      {"exported token", ORBIGetOID(kORBIExportedNameTypeIndex), token_bytes,
       false, 1},
      {"ASN.1 buffer", ORBIGetOID(kORBIDefaultNameTypeIndex), "alice", true, 1},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const int points = RunAllocLoop([&](long k) {
      PLVORBIInternalName name;
      Prepare(name, "old text");
      const State before = StateOf(name);
      std::string bytes = c.bytes;
      gss_buffer_desc buffer = {static_cast<OM_uint32>(bytes.size()),
                                bytes.data()};
      PLVASNBuffer asn(0);
      EXPECT_EQ(asn.append(reinterpret_cast<unsigned char*>(bytes.data()),
                           bytes.size()),
                0);
      OM_uint32 result;
      bool failed;
      {
        orbi_alloc::FailNth fail(k);
        result =
            c.asn_form ? name.Set(c.type, &asn) : name.Set(c.type, &buffer);
        failed = fail.failed();
      }
      const State after = StateOf(name);
      if (failed && c.asn_form) {
        EXPECT_EQ(result, status::NO_MEMORY);
        EXPECT_EQ(after, before) << "the ASN.1 form must not touch the name";
      } else if (failed) {
        EXPECT_EQ(result, status::NO_MEMORY);
        EXPECT_FALSE(after.has_text);
        EXPECT_EQ(after.length, 0u);
        EXPECT_EQ(after.type, before.type);
        EXPECT_EQ(after.mech, before.mech);
      } else {
        EXPECT_EQ(result, status::SUCCESS);
        EXPECT_TRUE(after.has_text);
      }
      return failed;
    });
    EXPECT_EQ(points, c.points);
  }
}

TEST(NameAlloc, ChangeExternalNameLeavesNoText) {
  const int points = RunAllocLoop([&](long k) {
    PLVORBIInternalName name;
    Prepare(name, "old text");
    const State before = StateOf(name);
    char text[] = "new text";
    OM_uint32 result;
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      result = name.ChangeExternalName(text);
      failed = fail.failed();
    }
    const State after = StateOf(name);
    EXPECT_EQ(after.type, before.type);
    EXPECT_EQ(after.mech, before.mech);
    if (failed) {
      EXPECT_EQ(result, status::NO_MEMORY);
      EXPECT_FALSE(after.has_text);
      EXPECT_EQ(after.length, 0u);
    } else {
      EXPECT_EQ(result, status::SUCCESS);
      EXPECT_EQ(after.block, std::string("new text", 9));
    }
    return failed;
  });
  EXPECT_EQ(points, 1);
}

TEST(NameAlloc, AssignmentLeavesTheTargetUnchanged) {
  const int points = RunAllocLoop([&](long k) {
    PLVORBIInternalName source;
    Prepare(source, "source");
    PLVORBIInternalName target;
    char text[] = "target";
    EXPECT_EQ(target.ChangeExternalName(text), status::SUCCESS);
    const State before = StateOf(target);
    bool failed;
    {
      orbi_alloc::FailNth fail(k);
      target = source;
      failed = fail.failed();
    }
    if (failed) {
      EXPECT_TRUE(StateOf(target) == before);
    } else {
      EXPECT_TRUE(StateOf(target) == StateOf(source));
    }
    return failed;
  });
  EXPECT_EQ(points, 1);
}

TEST(NameAlloc, CanonicalizeWithTheMechanismAllocatesNothing) {
  // The library's own mechanism in the caller's memory, and the table's.
  std::vector<unsigned char> bytes = OidBytes(ORBIGetOID(kORBIMechanismIndex));
  gss_OID_desc copy = {static_cast<OM_uint32>(bytes.size()), bytes.data()};
  for (gss_OID mech : {ORBIGetOID(kORBIMechanismIndex), &copy}) {
    const int points = RunAllocLoop([&](long k) {
      PLVORBIInternalName name;
      char text[] = "alice";
      gss_buffer_desc buffer = {5, text};
      EXPECT_EQ(name.Set(static_cast<gss_OID>(nullptr), &buffer), 0u);
      bool failed;
      OM_uint32 result;
      {
        orbi_alloc::FailNth fail(k);
        result = name.CanonicalizeName(mech);
        failed = fail.failed();
      }
      EXPECT_EQ(result, status::SUCCESS);
      return failed;
    });
    EXPECT_EQ(points, 0);
  }
}

// CanonicalizeName with a well-formed OID that is not the mechanism: the
// answer, 24, needs no memory, so running out of it cannot turn the
// mechanism into an unreadable one (23). Importing an exported token that
// names another mechanism goes through the same check.
TEST(NameAlloc, ForeignMechanismIsNotUnreadableWhenMemoryRunsOut) {
  // 1.2.840.113549.3.7: a valid OID that is not the mechanism.
  unsigned char foreign[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x03, 0x07};
  gss_OID_desc mech = {sizeof foreign, foreign};
  const int points = RunAllocLoop([&](long k) {
    PLVORBIInternalName name;
    Prepare(name, "alice");
    const State before = StateOf(name);
    bool failed;
    OM_uint32 result;
    {
      orbi_alloc::FailNth fail(k);
      result = name.CanonicalizeName(&mech);
      failed = fail.failed();
    }
    EXPECT_EQ(result, status::MECH_NOT_SUPPORTED);
    EXPECT_TRUE(StateOf(name) == before);
    return failed;
  });
  EXPECT_EQ(points, 0) << "deciding 24 should need no memory";

  // A token naming that mechanism: 04 01, M, the OID, N, the name.
  std::string token("\x04\x01\x00\x08", 4);
  token.append(reinterpret_cast<char*>(foreign), sizeof foreign);
  token.append(
      std::string("\x00\x00\x00\x01"
                  "a",
                  5));
  const int import_points = RunAllocLoop([&](long k) {
    PLVORBIInternalName name;
    Prepare(name, "alice");
    const State before = StateOf(name);
    gss_buffer_desc buffer = {static_cast<OM_uint32>(token.size()), &token[0]};
    bool failed;
    OM_uint32 result;
    {
      orbi_alloc::FailNth fail(k);
      result = name.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &buffer);
      failed = fail.failed();
    }
    EXPECT_EQ(result, status::MECH_NOT_SUPPORTED);
    EXPECT_TRUE(StateOf(name) == before);
    return failed;
  });
  EXPECT_EQ(import_points, 0);
}

// CopyExpandedName: null on failure, every member made so far destroyed,
// the name itself unchanged.
TEST(NameAlloc, CopyExpandedNameLeavesNothingBehind) {
  const struct {
    const char* text;
    int members;
    int points;
  } kCases[] = {
      // The path copy; a read per entry; for each member the name, the
      // member's text block and its ChangeExternalName. The source's own
      // text is never copied whole.
      {"db", 1, 4},
      {"db\nalice", 1, 5},
      {"db\nalice\n\nbob", 3, 13},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.text);
    const int points = RunAllocLoop([&](long k) {
      PLVORBIInternalName name;
      Prepare(name, c.text);
      const State before = StateOf(name);
      PLVORBIInternalName* chain;
      bool failed;
      {
        orbi_alloc::FailNth fail(k);
        chain = name.CopyExpandedName();
        failed = fail.failed();
      }
      EXPECT_TRUE(StateOf(name) == before);
      if (failed) {
        EXPECT_EQ(chain, nullptr);
      } else {
        int members = 0;
        while (chain != nullptr) {
          PLVORBIInternalName* next = chain->GetNextMember();
          EXPECT_EQ(Peer::nameType(*chain), before.type);
          orbi_alloc::DeleteName(chain);
          chain = next;
          ++members;
        }
        EXPECT_EQ(members, c.members);
      }
      return failed;
    });
    EXPECT_EQ(points, c.points);
  }
}

}  // namespace
