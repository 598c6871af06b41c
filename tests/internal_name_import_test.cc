// Tests of name import: Set with a gss_buffer_t (text and anonymous types)
// and with a PLVASNBuffer, and their trace records. Importing exported name
// tokens is tested with Export in internal_name_export_test.cc.
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"
#include "trace_texts.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;

// The nameLength bytes of a name's text, after checking that the text ends
// within the block: at a NUL at or before index nameLength.
std::string Block(const PLVORBIInternalName& name) {
  const char* value = Peer::nameValue(name);
  if (value == nullptr) return "<null>";
  const uint32_t length = Peer::nameLength(name);
  EXPECT_TRUE(memchr(value, '\0', length) != nullptr || value[length] == '\0');
  return std::string(value, length);
}

// A record's observable fields, to compare before and after a call.
struct Fields {
  std::string block;
  uint32_t length;
  gss_OID type;
  gss_OID mech;
  bool operator==(const Fields& o) const {
    return block == o.block && length == o.length && type == o.type &&
           mech == o.mech;
  }
};
Fields FieldsOf(const PLVORBIInternalName& name) {
  return {Block(name), Peer::nameLength(name), Peer::nameType(name),
          Peer::mechType(name)};
}

// Records as "E text" (entry), "1 text" (level 1) and "X text" (exit), after
// checking where each record says it comes from.
std::vector<std::string> Trace(const TraceRecorder& recorder) {
  std::vector<std::string> out;
  for (const TraceRecord& r : recorder.records()) {
    if (r.level == kExitLevel) {
      EXPECT_TRUE(r.file_null);
      EXPECT_EQ(r.line, 0u);
      out.push_back("X " + r.text);
    } else {
      EXPECT_EQ(r.file, kNameSource);
      EXPECT_GT(r.line, 0u);
      out.push_back((r.level == kEntryLevel ? "E " : "1 ") + r.text);
    }
  }
  return out;
}

// A name that already holds a text, a type and a mechanism, to show what a
// call keeps.
class SetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Input previous("previous");
    ASSERT_EQ(name_.Set(ORBIGetOID(kORBIDefaultNameTypeIndex), previous.get()),
              status::SUCCESS);
    ASSERT_EQ(name_.SetMechType(ORBIGetOID(kORBIMechanismIndex)),
              status::SUCCESS);
    before_ = FieldsOf(name_);
  }
  PLVORBIInternalName name_;
  Fields before_;
};

// --- Set: argument checks ---------------------------------------------

TEST_F(SetTest, RefusedArgumentsLeaveTheNameUnchanged) {
  gss_buffer_desc null_value{5, nullptr};
  Input text("alice");
  // Bytes that do not decode as an OID.
  unsigned char broken[] = {0x2B, 0x86};
  gss_OID_desc undecodable{sizeof(broken), broken};
  const struct {
    const char* label;
    gss_OID type;
    gss_buffer_t buffer;
    OM_uint32 status;
  } kCases[] = {
      {"no buffer", nullptr, nullptr, status::BAD_INPUT},
      {"no value", nullptr, &null_value, status::BAD_INPUT},
      {"no buffer, default type", ORBIGetOID(kORBIDefaultNameTypeIndex),
       nullptr, status::BAD_INPUT},
      {"no value, anonymous type", ORBIGetOID(kORBIAnonymousNameTypeIndex),
       &null_value, status::BAD_INPUT},
      {"no value, exported type", ORBIGetOID(kORBIExportedNameTypeIndex),
       &null_value, status::BAD_INPUT},
      // The type check comes second and overwrites the first.
      {"no buffer, foreign type", ORBIGetOID(kUserNameTypeIndex), nullptr,
       status::BAD_NAME_TYPE},
      {"no value, foreign type", ORBIGetOID(kHostBasedServiceTypeIndex),
       &null_value, status::BAD_NAME_TYPE},
      {"mechanism as type", ORBIGetOID(kORBIMechanismIndex), text.get(),
       status::BAD_NAME_TYPE},
      {"reserved entry as type", ORBIGetOID(kReservedEntryIndex), text.get(),
       status::BAD_NAME_TYPE},
      {"undecodable type", &undecodable, text.get(), status::BAD_NAME_TYPE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    TraceRecorder recorder;
    EXPECT_EQ(name_.Set(c.type, c.buffer), c.status);
    EXPECT_EQ(FieldsOf(name_), before_);
    // No level-1 record: the refusal comes before the text path.
    EXPECT_EQ(Trace(recorder),
              (std::vector<std::string>{std::string("E ") + kSetText,
                                        std::string("X ") + kSetText}));
  }
}

// --- Set: the text path ----------------------------------------------

TEST(Set, TextCasesOnANewName) {
  const std::string sentinel(kAnonymousSentinel);
  const struct {
    const char* label;
    std::string bytes;
    std::string block;  // the nameLength bytes of the text
    gss_OID type;
  } kCases[] = {
      {"five letters", "alice", "alice", ORBIGetOID(kORBIDefaultNameTypeIndex)},
      {"empty", "", "", ORBIGetOID(kORBIDefaultNameTypeIndex)},
      // The text ends at the NUL; nameLength keeps the buffer's length and
      // the block is zero behind the NUL.
      {"embedded NUL", std::string("ab\0cd", 5), std::string("ab\0\0\0", 5),
       ORBIGetOID(kORBIDefaultNameTypeIndex)},
      {"NUL counted", std::string("bob\0", 4), std::string("bob\0", 4),
       ORBIGetOID(kORBIDefaultNameTypeIndex)},
      {"sentinel, 28", sentinel, sentinel,
       ORBIGetOID(kORBIAnonymousNameTypeIndex)},
      {"sentinel, 29", sentinel + '\0', sentinel + '\0',
       ORBIGetOID(kORBIAnonymousNameTypeIndex)},
      {"sentinel, bytes behind a NUL", sentinel + std::string("\0xy", 3),
       sentinel + std::string(3, '\0'),
       ORBIGetOID(kORBIAnonymousNameTypeIndex)},
      {"sentinel and more", sentinel + "x", sentinel + "x",
       ORBIGetOID(kORBIDefaultNameTypeIndex)},
      {"sentinel cut short", sentinel.substr(0, 27), sentinel.substr(0, 27),
       ORBIGetOID(kORBIDefaultNameTypeIndex)},
  };
  for (gss_OID type :
       {static_cast<gss_OID>(nullptr), ORBIGetOID(kORBIDefaultNameTypeIndex)}) {
    for (const auto& c : kCases) {
      SCOPED_TRACE(c.label);
      SCOPED_TRACE(type == nullptr ? "no type" : "default type");
      PLVORBIInternalName name;
      Input input(c.bytes);
      TraceRecorder recorder;
      ASSERT_EQ(name.Set(type, input.get()), status::SUCCESS);
      EXPECT_EQ(Peer::nameLength(name), c.bytes.size());
      EXPECT_EQ(Block(name), c.block);
      EXPECT_EQ(Peer::nameType(name), c.type);
      EXPECT_EQ(Peer::mechType(name), nullptr);
      EXPECT_EQ(Trace(recorder),
                (std::vector<std::string>{std::string("E ") + kSetText,
                                          std::string("1 ") + kSetTextPathText,
                                          std::string("X ") + kSetText}));
    }
  }
}

TEST(Set, EqualTypeElsewhereIsReplacedByTheTablePointer) {
  const int kIndices[] = {kORBIDefaultNameTypeIndex,
                          kORBIAnonymousNameTypeIndex};
  for (int index : kIndices) {
    SCOPED_TRACE(index);
    std::vector<unsigned char> bytes = OidBytes(ORBIGetOID(index));
    gss_OID_desc copy{static_cast<OM_uint32>(bytes.size()), bytes.data()};
    PLVORBIInternalName name;
    Input input("carol");
    ASSERT_EQ(name.Set(&copy, input.get()), status::SUCCESS);
    EXPECT_EQ(Peer::nameType(name), ORBIGetOID(index));
    // The caller's OID is not kept.
    bytes.assign(bytes.size(), 0);
    EXPECT_EQ(Peer::nameType(name), ORBIGetOID(index));
  }
}

TEST_F(SetTest, SecondSetReplacesTextAndTypeAndKeepsTheMechanism) {
  Input anonymous(kAnonymousSentinel);
  ASSERT_EQ(name_.Set(nullptr, anonymous.get()), status::SUCCESS);
  EXPECT_EQ(Block(name_), kAnonymousSentinel);
  EXPECT_EQ(Peer::nameType(name_), ORBIGetOID(kORBIAnonymousNameTypeIndex));
  EXPECT_EQ(Peer::mechType(name_), ORBIGetOID(kORBIMechanismIndex));
  Input text("dave");
  ASSERT_EQ(name_.Set(nullptr, text.get()), status::SUCCESS);
  EXPECT_EQ(Block(name_), "dave");
  EXPECT_EQ(Peer::nameLength(name_), 4u);
  EXPECT_EQ(Peer::nameType(name_), ORBIGetOID(kORBIDefaultNameTypeIndex));
  EXPECT_EQ(Peer::mechType(name_), ORBIGetOID(kORBIMechanismIndex));
}

TEST_F(SetTest, LengthThatCannotBeHeldIsRefusedBeforeReading) {
  // length + 1 does not fit in 32 bits: the text block cannot be had. The
  // value points at three bytes only; reading more would be caught by
  // AddressSanitizer.
  Input small("abc");
  gss_buffer_desc huge{UINT32_MAX, small.get()->value};
  TraceRecorder recorder;
  EXPECT_EQ(name_.Set(nullptr, &huge), status::NO_MEMORY);
  // The old text is gone and the length does not count it any more; type
  // and mechanism stay.
  EXPECT_EQ(Peer::nameValue(name_), nullptr);
  EXPECT_EQ(Peer::nameLength(name_), 0u);
  EXPECT_EQ(Peer::nameType(name_), before_.type);
  EXPECT_EQ(Peer::mechType(name_), before_.mech);
  EXPECT_EQ(Trace(recorder),
            (std::vector<std::string>{std::string("E ") + kSetText,
                                      std::string("1 ") + kSetTextPathText,
                                      std::string("X ") + kSetText}));
  // The name is usable again.
  Input text("erin");
  ASSERT_EQ(name_.Set(nullptr, text.get()), status::SUCCESS);
  EXPECT_EQ(Block(name_), "erin");
}

// --- Set: the anonymous type -------------------------------------------

TEST_F(SetTest, AnonymousTypeIgnoresTheBytes) {
  std::vector<unsigned char> copy_bytes =
      OidBytes(ORBIGetOID(kORBIAnonymousNameTypeIndex));
  gss_OID_desc copy{static_cast<OM_uint32>(copy_bytes.size()),
                    copy_bytes.data()};
  Input small("xyz");
  gss_buffer_desc huge{UINT32_MAX, small.get()->value};
  const struct {
    const char* label;
    gss_OID type;
    std::string bytes;
    gss_buffer_t buffer;  // used instead of bytes when not null
  } kCases[] = {
      {"text", ORBIGetOID(kORBIAnonymousNameTypeIndex), "frank", nullptr},
      {"empty", ORBIGetOID(kORBIAnonymousNameTypeIndex), "", nullptr},
      {"the sentinel itself", ORBIGetOID(kORBIAnonymousNameTypeIndex),
       kAnonymousSentinel, nullptr},
      {"a token", ORBIGetOID(kORBIAnonymousNameTypeIndex),
       std::string("\x04\x01\x00\x00", 4), nullptr},
      {"an equal type elsewhere", &copy, "grace", nullptr},
      // The bytes are never read, so their length does not matter.
      {"length 4294967295", ORBIGetOID(kORBIAnonymousNameTypeIndex), "", &huge},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    Input input(c.bytes);
    TraceRecorder recorder;
    ASSERT_EQ(name_.Set(c.type, c.buffer != nullptr ? c.buffer : input.get()),
              status::SUCCESS);
    EXPECT_EQ(Block(name_),
              std::string(kAnonymousSentinel, sizeof(kAnonymousSentinel)));
    EXPECT_EQ(Peer::nameValue(name_)[29], '\0');
    EXPECT_EQ(Peer::nameLength(name_), 29u);
    EXPECT_EQ(Peer::nameType(name_), ORBIGetOID(kORBIAnonymousNameTypeIndex));
    EXPECT_EQ(Peer::mechType(name_), ORBIGetOID(kORBIMechanismIndex));
    EXPECT_EQ(Trace(recorder),
              (std::vector<std::string>{std::string("E ") + kSetText,
                                        std::string("1 ") + kSetTextPathText,
                                        std::string("X ") + kSetText}));
  }
}

// --- Set: the ASN.1 buffer form ----------------------------------------

TEST(SetAsn, CopiesTheBytesThroughTheBufferForm) {
  PLVASNBuffer buffer;
  unsigned char bytes[] = {'h', 'e', 'i', 0, 'd', 'i'};
  ASSERT_EQ(buffer.append(bytes, sizeof(bytes)), 0);
  PLVORBIInternalName name;
  TraceRecorder recorder;
  ASSERT_EQ(name.Set(ORBIGetOID(kORBIDefaultNameTypeIndex), &buffer),
            status::SUCCESS);
  EXPECT_EQ(Peer::nameLength(name), 6u);
  EXPECT_EQ(Block(name), std::string("hei\0\0\0", 6));
  EXPECT_EQ(Peer::nameType(name), ORBIGetOID(kORBIDefaultNameTypeIndex));
  EXPECT_EQ(
      Trace(recorder),
      (std::vector<std::string>{
          std::string("E ") + kSetAsnText, std::string("E ") + kSetText,
          std::string("1 ") + kSetTextPathText, std::string("X ") + kSetText,
          std::string("X ") + kSetAsnText}));
  // The name holds its own copy.
  buffer.clear();
  EXPECT_EQ(Block(name), std::string("hei\0\0\0", 6));
}

TEST(SetAsn, EmptyBufferAndSentinel) {
  const struct {
    const char* label;
    std::string bytes;
    uint32_t length;
    gss_OID type;
  } kCases[] = {
      {"empty", "", 0, ORBIGetOID(kORBIDefaultNameTypeIndex)},
      {"sentinel", kAnonymousSentinel, 28,
       ORBIGetOID(kORBIAnonymousNameTypeIndex)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVASNBuffer buffer;
    // Appending no bytes still gives a data pointer.
    ASSERT_EQ(buffer.append(reinterpret_cast<unsigned char*>(
                                const_cast<char*>(c.bytes.data())),
                            c.bytes.size()),
              0);
    PLVORBIInternalName name;
    ASSERT_EQ(name.Set(ORBIGetOID(kORBIDefaultNameTypeIndex), &buffer),
              status::SUCCESS);
    EXPECT_EQ(Peer::nameLength(name), c.length);
    EXPECT_EQ(Block(name), c.bytes);
    EXPECT_EQ(Peer::nameType(name), c.type);
  }
}

TEST_F(SetTest, AsnFormNeedsTheDefaultType) {
  PLVASNBuffer text;
  unsigned char bytes[] = {'i', 'v', 'a', 'n'};
  ASSERT_EQ(text.append(bytes, sizeof(bytes)), 0);
  PLVASNBuffer no_data;
  std::vector<unsigned char> copy_bytes =
      OidBytes(ORBIGetOID(kORBIDefaultNameTypeIndex));
  gss_OID_desc copy{static_cast<OM_uint32>(copy_bytes.size()),
                    copy_bytes.data()};
  const struct {
    const char* label;
    gss_OID type;
    PLVASNBuffer* buffer;
    OM_uint32 status;
  } kCases[] = {
      {"no buffer", ORBIGetOID(kORBIDefaultNameTypeIndex), nullptr,
       status::BAD_INPUT},
      {"no data", ORBIGetOID(kORBIDefaultNameTypeIndex), &no_data,
       status::BAD_INPUT},
      // Where the buffer form takes a missing type, this form does not.
      {"no type", nullptr, &text, status::BAD_NAME_TYPE},
      {"no type, no buffer", nullptr, nullptr, status::BAD_NAME_TYPE},
      // The exported-name and anonymous types are the buffer form's only.
      {"exported type", ORBIGetOID(kORBIExportedNameTypeIndex), &text,
       status::BAD_NAME_TYPE},
      {"anonymous type", ORBIGetOID(kORBIAnonymousNameTypeIndex), &text,
       status::BAD_NAME_TYPE},
      {"foreign type, no data", ORBIGetOID(kUserNameTypeIndex), &no_data,
       status::BAD_NAME_TYPE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    TraceRecorder recorder;
    EXPECT_EQ(name_.Set(c.type, c.buffer), c.status);
    EXPECT_EQ(FieldsOf(name_), before_);
    EXPECT_EQ(Trace(recorder),
              (std::vector<std::string>{std::string("E ") + kSetAsnText,
                                        std::string("X ") + kSetAsnText}));
  }
  // An equal default type held elsewhere is taken, and replaced.
  ASSERT_EQ(name_.Set(&copy, &text), status::SUCCESS);
  EXPECT_EQ(Block(name_), "ivan");
  EXPECT_EQ(Peer::nameType(name_), ORBIGetOID(kORBIDefaultNameTypeIndex));
  EXPECT_EQ(Peer::mechType(name_), ORBIGetOID(kORBIMechanismIndex));
}

}  // namespace
