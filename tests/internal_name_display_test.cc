// Tests of Display and CanonicalizeName.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"
#include "trace_texts.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

// Owns a block handed out by the library.
struct Freed {
  void operator()(void* p) const { free(p); }
};
using Block = std::unique_ptr<void, Freed>;

// --- Display -------------------------------------------------------------

TEST(Display, TextLengthAndType) {
  char changed[] = "bob";
  const struct {
    const char* label;
    std::string imported;  // Set with no type; used when changed_text is null
    char* changed_text;    // ChangeExternalName on a new name
    uint32_t length;
    std::string bytes;  // length bytes of the output block
    gss_OID type;
  } kCases[] = {
      {"imported five bytes", "alice", nullptr, 5, "alice",
       ORBIGetOID(kORBIDefaultNameTypeIndex)},
      {"ChangeExternalName", "", changed, 4, std::string("bob\0", 4), nullptr},
      {"anonymous, 28", kAnonymousSentinel, nullptr, 28, kAnonymousSentinel,
       ORBIGetOID(kORBIAnonymousNameTypeIndex)},
      {"anonymous, 29", std::string(kAnonymousSentinel, 29), nullptr, 29,
       std::string(kAnonymousSentinel, 29),
       ORBIGetOID(kORBIAnonymousNameTypeIndex)},
      // The text ends at the NUL; length still counts the whole name and
      // every byte inside it may be read.
      {"embedded NUL", std::string("ab\0cd", 5), nullptr, 5,
       std::string("ab\0\0\0", 5), ORBIGetOID(kORBIDefaultNameTypeIndex)},
      {"empty", "", nullptr, 0, "", ORBIGetOID(kORBIDefaultNameTypeIndex)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName name;
    if (c.changed_text != nullptr) {
      ASSERT_EQ(name.ChangeExternalName(c.changed_text), status::SUCCESS);
    } else {
      Input input(c.imported);
      ASSERT_EQ(name.Set(nullptr, input.get()), status::SUCCESS);
    }
    gss_buffer_desc out{};
    gss_OID type = ORBIGetOID(kReservedEntryIndex);  // overwritten
    TraceRecorder recorder;
    ASSERT_EQ(name.Display(&out, &type), status::SUCCESS);
    Block owned(out.value);
    EXPECT_EQ(out.length, c.length);
    ASSERT_NE(out.value, nullptr);
    const char* text = static_cast<const char*>(out.value);
    EXPECT_EQ(std::string(text, out.length), c.bytes);
    EXPECT_EQ(text[out.length], '\0');
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(recorder.texts(kEntryLevel),
              std::vector<std::string>{kDisplayText});
    EXPECT_EQ(recorder.texts(kExitLevel),
              std::vector<std::string>{kDisplayText});
    EXPECT_EQ(recorder.records().size(), 2u);
  }
}

TEST(Display, NullTypeStaysNullWhereGetNameTypeAnswersTheDefault) {
  PLVORBIInternalName name;
  char text[] = "carol";
  ASSERT_EQ(name.ChangeExternalName(text), status::SUCCESS);
  gss_buffer_desc out{};
  gss_OID type = ORBIGetOID(kORBIDefaultNameTypeIndex);
  ASSERT_EQ(name.Display(&out, &type), status::SUCCESS);
  free(out.value);
  EXPECT_EQ(type, nullptr);
  EXPECT_EQ(name.GetNameType(), ORBIGetOID(kORBIDefaultNameTypeIndex));
}

TEST(Display, NameWithoutTextGivesAnEmptyText) {
  // A new name, and one whose Set failed for want of memory.
  PLVORBIInternalName fresh;
  PLVORBIInternalName emptied;
  Input input("dave");
  ASSERT_EQ(emptied.Set(nullptr, input.get()), status::SUCCESS);
  Input small("abc");
  gss_buffer_desc huge{UINT32_MAX, small.get()->value};
  ASSERT_EQ(emptied.Set(nullptr, &huge), status::NO_MEMORY);
  const struct {
    const char* label;
    PLVORBIInternalName* name;
    gss_OID type;
  } kCases[] = {
      {"new", &fresh, nullptr},
      {"emptied", &emptied, ORBIGetOID(kORBIDefaultNameTypeIndex)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    gss_buffer_desc out{99, nullptr};
    gss_OID type = ORBIGetOID(kReservedEntryIndex);
    ASSERT_EQ(c.name->Display(&out, &type), status::SUCCESS);
    Block owned(out.value);
    EXPECT_EQ(out.length, 0u);
    ASSERT_NE(out.value, nullptr);
    EXPECT_EQ(static_cast<const char*>(out.value)[0], '\0');
    EXPECT_EQ(type, c.type);
  }
}

TEST(Display, OptionalTypeAndRequiredBuffer) {
  PLVORBIInternalName name;
  Input input("erin");
  ASSERT_EQ(name.Set(nullptr, input.get()), status::SUCCESS);
  // No type asked for: only the buffer is filled.
  gss_buffer_desc out{};
  ASSERT_EQ(name.Display(&out, nullptr), status::SUCCESS);
  Block owned(out.value);
  EXPECT_EQ(out.length, 4u);
  EXPECT_STREQ(static_cast<const char*>(out.value), "erin");
  // No buffer: 10, and the type is not written either.
  gss_OID type = ORBIGetOID(kReservedEntryIndex);
  TraceRecorder recorder;
  EXPECT_EQ(name.Display(nullptr, &type), status::BAD_INPUT);
  EXPECT_EQ(type, ORBIGetOID(kReservedEntryIndex));
  EXPECT_EQ(recorder.texts(kEntryLevel),
            std::vector<std::string>{kDisplayText});
  EXPECT_EQ(recorder.texts(kExitLevel), std::vector<std::string>{kDisplayText});
}

TEST(Display, EachCallHandsOutItsOwnCopy) {
  PLVORBIInternalName name;
  Input input("frank");
  ASSERT_EQ(name.Set(nullptr, input.get()), status::SUCCESS);
  gss_buffer_desc first{}, second{};
  ASSERT_EQ(name.Display(&first, nullptr), status::SUCCESS);
  Block owned_first(first.value);
  static_cast<char*>(first.value)[0] = 'X';
  ASSERT_EQ(name.Display(&second, nullptr), status::SUCCESS);
  Block owned_second(second.value);
  EXPECT_NE(first.value, second.value);
  EXPECT_STREQ(static_cast<const char*>(second.value), "frank");
}

// --- CanonicalizeName ----------------------------------------------------

// Records of one call as "E text", "1 text", "X text".
std::vector<std::string> Trace(const TraceRecorder& recorder) {
  std::vector<std::string> out;
  for (const TraceRecord& r : recorder.records()) {
    if (r.level == kExitLevel) {
      EXPECT_TRUE(r.file_null);
      out.push_back("X " + r.text);
    } else {
      EXPECT_EQ(r.file, kNameSource);
      EXPECT_GT(r.line, 0u);
      out.push_back((r.level == kEntryLevel ? "E " : "1 ") + r.text);
    }
  }
  return out;
}

TEST(CanonicalizeName, RefusedMechanisms) {
  unsigned char truncated[] = {0x2B, 0x86};
  unsigned char non_minimal[] = {0x2B, 0x80, 0x06};
  gss_OID_desc undecodable{sizeof(truncated), truncated};
  gss_OID_desc not_minimal{sizeof(non_minimal), non_minimal};
  gss_OID_desc empty{0, truncated};
  gss_OID_desc no_elements{9, nullptr};
  // The mechanism with one more arc, and with one fewer.
  std::vector<unsigned char> longer = OidBytes(ORBIGetOID(kORBIMechanismIndex));
  longer.push_back(0x05);
  gss_OID_desc longer_oid{static_cast<OM_uint32>(longer.size()), longer.data()};
  const struct {
    const char* label;
    gss_OID mech;
    OM_uint32 status;
    const char* record;
  } kCases[] = {
      {"null", nullptr, status::BAD_INPUT, kCanonicalizeBadInputText},
      {"truncated", &undecodable, status::INVALID_MECH,
       kCanonicalizeInvalidMechText},
      {"not minimal", &not_minimal, status::INVALID_MECH,
       kCanonicalizeInvalidMechText},
      {"empty", &empty, status::INVALID_MECH, kCanonicalizeInvalidMechText},
      {"no elements", &no_elements, status::INVALID_MECH,
       kCanonicalizeInvalidMechText},
      {"the default name type", ORBIGetOID(kORBIDefaultNameTypeIndex),
       status::MECH_NOT_SUPPORTED, kCanonicalizeMechNotSupportedText},
      {"a longer OID", &longer_oid, status::MECH_NOT_SUPPORTED,
       kCanonicalizeMechNotSupportedText},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    // The name's state does not matter: an empty one and a named one.
    PLVORBIInternalName empty_name, named;
    Input input("grace");
    ASSERT_EQ(named.Set(nullptr, input.get()), status::SUCCESS);
    for (PLVORBIInternalName* name : {&empty_name, &named}) {
      const gss_OID type = Peer::nameType(*name);
      TraceRecorder recorder;
      EXPECT_EQ(name->CanonicalizeName(c.mech), c.status);
      EXPECT_EQ(Peer::nameType(*name), type);
      EXPECT_EQ(Peer::mechType(*name), nullptr);
      EXPECT_EQ(Trace(recorder), (std::vector<std::string>{
                                     std::string("E ") + kCanonicalizeText,
                                     std::string("1 ") + c.record,
                                     std::string("X ") + kCanonicalizeText}));
    }
  }
}

TEST(CanonicalizeName, CallersCopyOfTheMechanismMayBeReleasedAtOnce) {
  PLVORBIInternalName name;
  Input input("henry");
  ASSERT_EQ(name.Set(nullptr, input.get()), status::SUCCESS);
  gss_OID mech = ORBIGetOID(kORBIMechanismIndex);
  auto* copy = static_cast<gss_OID>(malloc(sizeof(gss_OID_desc)));
  ASSERT_NE(copy, nullptr);
  copy->length = mech->length;
  copy->elements = malloc(mech->length);
  ASSERT_NE(copy->elements, nullptr);
  memcpy(copy->elements, mech->elements, mech->length);
  TraceRecorder recorder;
  EXPECT_EQ(name.CanonicalizeName(copy), status::SUCCESS);
  free(copy->elements);
  free(copy);
  EXPECT_EQ(Peer::mechType(name), ORBIGetOID(kORBIMechanismIndex));
  EXPECT_EQ(Peer::nameType(name), ORBIGetOID(kORBIDefaultNameTypeIndex));
  EXPECT_EQ(Trace(recorder),
            (std::vector<std::string>{std::string("E ") + kCanonicalizeText,
                                      std::string("X ") + kCanonicalizeText}));
  // Canonicalizing again succeeds and changes nothing.
  EXPECT_EQ(name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)),
            status::SUCCESS);
  EXPECT_EQ(Peer::mechType(name), ORBIGetOID(kORBIMechanismIndex));
  EXPECT_EQ(Peer::nameType(name), ORBIGetOID(kORBIDefaultNameTypeIndex));
}

TEST(CanonicalizeName, OnlyTheDefaultNameTypeIsBound) {
  std::vector<unsigned char> bytes =
      OidBytes(ORBIGetOID(kORBIDefaultNameTypeIndex));
  gss_OID_desc default_copy{static_cast<OM_uint32>(bytes.size()), bytes.data()};
  const struct {
    const char* label;
    gss_OID type;
    OM_uint32 status;
  } kCases[] = {
      {"no type", nullptr, status::BAD_NAME_TYPE},
      {"anonymous", ORBIGetOID(kORBIAnonymousNameTypeIndex),
       status::BAD_NAME_TYPE},
      {"another table type", ORBIGetOID(kUserNameTypeIndex),
       status::BAD_NAME_TYPE},
      {"the default type", ORBIGetOID(kORBIDefaultNameTypeIndex),
       status::SUCCESS},
      // Not reachable through Set, which stores the table's objects; the
      // type is compared by value and replaced by the table's object.
      {"the default type elsewhere", &default_copy, status::SUCCESS},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName name;
    Input input("ivan");
    ASSERT_EQ(name.Set(nullptr, input.get()), status::SUCCESS);
    Peer::setNameType(name, c.type);
    TraceRecorder recorder;
    EXPECT_EQ(name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)), c.status);
    if (c.status == status::SUCCESS) {
      EXPECT_EQ(Peer::nameType(name), ORBIGetOID(kORBIDefaultNameTypeIndex));
      EXPECT_EQ(Peer::mechType(name), ORBIGetOID(kORBIMechanismIndex));
    } else {
      EXPECT_EQ(Peer::nameType(name), c.type);
      EXPECT_EQ(Peer::mechType(name), nullptr);
    }
    // 36 has no level-1 record of its own.
    EXPECT_TRUE(recorder.texts(1).empty());
  }
}

TEST(CanonicalizeName, AnonymousNameKeepsItsTypeAndMechanism) {
  PLVORBIInternalName name;
  Input plain("judy");
  ASSERT_EQ(name.Set(nullptr, plain.get()), status::SUCCESS);
  ASSERT_EQ(name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)),
            status::SUCCESS);
  Input anonymous(kAnonymousSentinel);
  ASSERT_EQ(name.Set(nullptr, anonymous.get()), status::SUCCESS);
  ASSERT_EQ(Peer::nameType(name), ORBIGetOID(kORBIAnonymousNameTypeIndex));
  EXPECT_EQ(name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)),
            status::BAD_NAME_TYPE);
  EXPECT_EQ(Peer::nameType(name), ORBIGetOID(kORBIAnonymousNameTypeIndex));
  EXPECT_EQ(Peer::mechType(name), ORBIGetOID(kORBIMechanismIndex));
  EXPECT_STREQ(Peer::nameValue(name), kAnonymousSentinel);
}

}  // namespace
