// Tests of the exported name token: Export, and Set with the exported-name
// type reading a token back.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "orbi_build_oids.h"
#include "orbi_name/internal_name.h"
#include "orbi_services/oid_table.h"
#include "test_support.h"
#include "trace_texts.h"

namespace {

namespace status = orbi_name::status;
using Peer = PLVORBIInternalNamePeer;
using Bytes = std::vector<unsigned char>;

// Exports name; returns the token's bytes and releases the block.
Bytes ExportBytes(PLVORBIInternalName& name) {
  gss_buffer_desc token{};
  EXPECT_EQ(name.Export(&token), status::SUCCESS);
  if (token.value == nullptr) return Bytes();
  const auto* p = static_cast<const unsigned char*>(token.value);
  Bytes out(p, p + token.length);
  free(token.value);
  return out;
}

// A name imported from text and bound to the mechanism.
void MakeMechanismName(PLVORBIInternalName& name, const std::string& text) {
  Input input(text);
  ASSERT_EQ(name.Set(ORBIGetOID(kORBIDefaultNameTypeIndex), input.get()),
            status::SUCCESS);
  ASSERT_EQ(name.CanonicalizeName(ORBIGetOID(kORBIMechanismIndex)),
            status::SUCCESS);
}

uint32_t ReadBigEndian(const Bytes& b, size_t offset, size_t width) {
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value = (value << 8) | b.at(offset + i);
  return value;
}

void Append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}

// A token built field by field, independently of Export.
Bytes BuildToken(const Bytes& id, const Bytes& mech, const Bytes& name,
                 const Bytes& type, bool with_type = true) {
  Bytes out = id;
  out.push_back(static_cast<unsigned char>(mech.size() >> 8));
  out.push_back(static_cast<unsigned char>(mech.size()));
  Append(out, mech);
  const uint32_t n = static_cast<uint32_t>(name.size());
  for (int shift = 24; shift >= 0; shift -= 8) {
    out.push_back(static_cast<unsigned char>(n >> shift));
  }
  Append(out, name);
  if (!with_type) return out;
  out.push_back(static_cast<unsigned char>(type.size() >> 8));
  out.push_back(static_cast<unsigned char>(type.size()));
  Append(out, type);
  return out;
}

const Bytes kTokenId = {0x04, 0x01};
// ARC.1, the mechanism; ARC.1.1, the default name type, under the build's
// OID arc (orbi_services/oid_table.h).
const Bytes kMechBytes = {ORBI_OID_ARC_BYTES, 0x01};
const Bytes kDefaultTypeBytes = {ORBI_OID_ARC_BYTES, 0x01, 0x01};
// Offsets in a token of a mechanism name: its name length field follows the
// mechanism's bytes, and the name follows that four-byte field.
const size_t kNameLengthAt = 4 + kMechBytes.size();
const size_t kNameAt = kNameLengthAt + 4;

// --- Export --------------------------------------------------------------

TEST(Export, KnownNameGivesTheExactToken) {
  PLVORBIInternalName name;
  MakeMechanismName(name, "alice");
  const Bytes kExpected = {
      0x04,
      0x01,  // identifier
      0x00,
      ORBI_OID_ARC_LENGTH + 1,  // M
      ORBI_OID_ARC_BYTES,
      0x01,  // mechanism
      0x00,
      0x00,
      0x00,
      0x05,  // N
      'a',
      'l',
      'i',
      'c',
      'e',  // name
      0x00,
      ORBI_OID_ARC_LENGTH + 2,  // T
      ORBI_OID_ARC_BYTES,
      0x01,
      0x01,  // type
  };
  TraceRecorder recorder;
  EXPECT_EQ(ExportBytes(name), kExpected);
  EXPECT_EQ(recorder.texts(kEntryLevel), std::vector<std::string>{kExportText});
  EXPECT_EQ(recorder.texts(kExitLevel), std::vector<std::string>{kExportText});
  EXPECT_EQ(recorder.records().size(), 2u) << "no other records";
}

TEST(Export, FieldsAtTheirOffsetsWhateverTheOidLengths) {
  // A 258-byte name: N is 00 00 01 02, which shows the byte order.
  const std::string text(258, 'n');
  // Mechanisms of 9, 5, 6 and 10 bytes.
  const int kMechIndices[] = {kORBIMechanismIndex, kORBIAlgorithm512Index,
                              kORBIExportedNameTypeIndex, kUserNameTypeIndex};
  const int kTypeIndices[] = {kORBIDefaultNameTypeIndex,
                              kORBIAnonymousNameTypeIndex,
                              kORBIExportedNameTypeIndex};
  for (int mech : kMechIndices) {
    for (int type : kTypeIndices) {
      SCOPED_TRACE(testing::Message() << "mech " << mech << " type " << type);
      PLVORBIInternalName name;
      Input input(text);
      ASSERT_EQ(name.Set(nullptr, input.get()), status::SUCCESS);
      Peer::setMechType(name, ORBIGetOID(mech));
      Peer::setNameType(name, ORBIGetOID(type));
      const Bytes token = ExportBytes(name);
      const Bytes mech_bytes = OidBytes(ORBIGetOID(mech));
      const Bytes type_bytes = OidBytes(ORBIGetOID(type));
      const size_t m = mech_bytes.size(), t = type_bytes.size();
      ASSERT_EQ(token.size(), 10 + m + text.size() + t);
      EXPECT_EQ(ReadBigEndian(token, 0, 2), 0x0401u);
      EXPECT_EQ(ReadBigEndian(token, 2, 2), m);
      EXPECT_EQ(Bytes(token.begin() + 4, token.begin() + 4 + m), mech_bytes);
      EXPECT_EQ(ReadBigEndian(token, 4 + m, 4), 258u);
      EXPECT_EQ(token[4 + m + 2], 0x01);
      EXPECT_EQ(token[4 + m + 3], 0x02);
      EXPECT_EQ(std::string(token.begin() + 8 + m,
                            token.begin() + 8 + m + text.size()),
                text);
      EXPECT_EQ(ReadBigEndian(token, 8 + m + text.size(), 2), t);
      EXPECT_EQ(Bytes(token.end() - t, token.end()), type_bytes);
    }
  }
}

TEST(Export, NameLengthFieldFollowsTheMechanism) {
  PLVORBIInternalName name;
  MakeMechanismName(name, std::string(0x10203, 'x'));
  const Bytes token = ExportBytes(name);
  ASSERT_GE(token.size(), kNameAt);
  EXPECT_EQ(Bytes(token.begin() + kNameLengthAt, token.begin() + kNameAt),
            (Bytes{0x00, 0x01, 0x02, 0x03}));
}

TEST(Export, NameBytesAsCounted) {
  const struct {
    const char* label;
    std::string bytes;  // what nameLength counts
  } kCases[] = {
      {"empty", ""},
      {"embedded NUL", std::string("ab\0cd", 5)},
      {"NUL counted", std::string("bob\0", 4)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName name;
    MakeMechanismName(name, c.bytes);
    const Bytes token = ExportBytes(name);
    ASSERT_EQ(token.size(), 10 + kMechBytes.size() + c.bytes.size() +
                                kDefaultTypeBytes.size());
    EXPECT_EQ(ReadBigEndian(token, kNameLengthAt, 4), c.bytes.size());
    // The text import keeps nothing behind an embedded NUL: zeros there.
    std::string expected = c.bytes;
    const size_t nul = expected.find('\0');
    if (nul != std::string::npos) {
      expected.replace(nul, std::string::npos, expected.size() - nul, '\0');
    }
    EXPECT_EQ(std::string(token.begin() + kNameAt,
                          token.begin() + kNameAt + c.bytes.size()),
              expected);
    // The name type length follows the name at once.
    EXPECT_EQ(ReadBigEndian(token, kNameAt + c.bytes.size(), 2),
              kDefaultTypeBytes.size());
  }
  // A text set by ChangeExternalName counts its NUL, which is exported as
  // the last byte of the name.
  PLVORBIInternalName name;
  MakeMechanismName(name, "x");
  char text[] = "carol";
  ASSERT_EQ(name.ChangeExternalName(text), status::SUCCESS);
  const Bytes token = ExportBytes(name);
  EXPECT_EQ(ReadBigEndian(token, kNameLengthAt, 4), 6u);
  EXPECT_EQ(std::string(token.begin() + kNameAt, token.begin() + kNameAt + 6),
            std::string("carol\0", 6));
}

TEST(Export, TwoCallsGiveEqualTokensInSeparateBlocks) {
  PLVORBIInternalName name;
  MakeMechanismName(name, "dave");
  gss_buffer_desc first{}, second{};
  ASSERT_EQ(name.Export(&first), status::SUCCESS);
  ASSERT_EQ(name.Export(&second), status::SUCCESS);
  EXPECT_NE(first.value, second.value);
  ASSERT_EQ(first.length, second.length);
  EXPECT_EQ(memcmp(first.value, second.value, first.length), 0);
  free(first.value);
  free(second.value);
}

TEST(Export, NamesDifferingInTypeDifferInTheTailOnly) {
  PLVORBIInternalName a, b;
  MakeMechanismName(a, "erin");
  MakeMechanismName(b, "erin");
  Peer::setNameType(b, ORBIGetOID(kUserNameTypeIndex));  // 10 bytes
  const Bytes ta = ExportBytes(a), tb = ExportBytes(b);
  const size_t tail_a = 2 + kDefaultTypeBytes.size();
  const size_t tail_b = 2 + 10;
  EXPECT_EQ(Bytes(ta.begin(), ta.end() - tail_a),
            Bytes(tb.begin(), tb.end() - tail_b));
  EXPECT_NE(Bytes(ta.end() - tail_a, ta.end()),
            Bytes(tb.end() - tail_b, tb.end()));
}

TEST(Export, StatusPrecedenceAndUntouchedDescriptor) {
  const struct {
    bool token, mech, type;
    OM_uint32 status;
  } kCases[] = {
      {false, true, true, status::BAD_INPUT},
      {true, false, true, status::NO_MECH},
      {false, false, true, status::NO_MECH},
      {true, true, false, status::BAD_NAME_TYPE},
      {true, false, false, status::BAD_NAME_TYPE},
      {false, true, false, status::BAD_NAME_TYPE},
      {false, false, false, status::BAD_NAME_TYPE},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "token " << c.token << " mech " << c.mech
                                    << " type " << c.type);
    PLVORBIInternalName name;
    Input input("frank");
    ASSERT_EQ(name.Set(nullptr, input.get()), status::SUCCESS);
    Peer::setMechType(name, c.mech ? ORBIGetOID(kORBIMechanismIndex) : nullptr);
    Peer::setNameType(name,
                      c.type ? ORBIGetOID(kORBIDefaultNameTypeIndex) : nullptr);
    char marker = 0;
    gss_buffer_desc token{77, &marker};
    EXPECT_EQ(name.Export(c.token ? &token : nullptr), c.status);
    EXPECT_EQ(token.length, 77u);
    EXPECT_EQ(token.value, &marker);
    EXPECT_EQ(Peer::nameLength(name), 5u);
  }
}

TEST(Export, NameWithoutTextGivesAnEmptyName) {
  // A Set refused for want of memory leaves type and mechanism but no text.
  PLVORBIInternalName name;
  MakeMechanismName(name, "grace");
  Input small("abc");
  gss_buffer_desc huge{UINT32_MAX, small.get()->value};
  ASSERT_EQ(name.Set(nullptr, &huge), status::NO_MEMORY);
  const Bytes token = ExportBytes(name);
  ASSERT_EQ(token.size(), 10u + kMechBytes.size() + kDefaultTypeBytes.size());
  EXPECT_EQ(ReadBigEndian(token, kNameLengthAt, 4), 0u);
}

// --- Importing a token ---------------------------------------------------

TEST(ImportToken, RoundTrip) {
  const std::string sentinel = kAnonymousSentinel;
  const struct {
    const char* label;
    std::string text;
  } kCases[] = {
      {"plain", "henry"},
      {"empty", ""},
      {"embedded NUL", std::string("ab\0cd", 5)},
      {"NUL counted", std::string("ivan\0", 5)},
      {"long", std::string(70000, 'z')},
      {"sentinel", sentinel},  // the anonymous type travels in the token
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    PLVORBIInternalName original;
    MakeMechanismName(original, "x");
    Input input(c.text);
    ASSERT_EQ(original.Set(nullptr, input.get()), status::SUCCESS);
    const Bytes token = ExportBytes(original);

    PLVORBIInternalName imported;
    Input token_input(token);
    TraceRecorder recorder;
    ASSERT_EQ(
        imported.Set(ORBIGetOID(kORBIExportedNameTypeIndex), token_input.get()),
        status::SUCCESS);
    // The token path writes no text-path record.
    EXPECT_TRUE(recorder.texts(1).empty());
    EXPECT_EQ(imported == original, 1);
    EXPECT_EQ(Peer::nameType(imported), Peer::nameType(original));
    EXPECT_EQ(Peer::mechType(imported), ORBIGetOID(kORBIMechanismIndex));
    EXPECT_EQ(Peer::nameValue(imported)[Peer::nameLength(imported)], '\0');
    EXPECT_EQ(ExportBytes(imported), token);
  }
}

TEST(ImportToken, NameBytesKeptVerbatimWithANulBehind) {
  const Bytes name_bytes = {'a', 0, 'b', 0xFF};
  Input input(BuildToken(kTokenId, kMechBytes, name_bytes, kDefaultTypeBytes));
  PLVORBIInternalName name;
  ASSERT_EQ(name.Set(ORBIGetOID(kORBIExportedNameTypeIndex), input.get()),
            status::SUCCESS);
  EXPECT_EQ(Peer::nameLength(name), 4u);
  EXPECT_EQ(Bytes(Peer::nameValue(name), Peer::nameValue(name) + 5),
            (Bytes{'a', 0, 'b', 0xFF, 0}));
}

TEST(ImportToken, TypeIsMatchedByValueAndStoredAsTheTablesObject) {
  // An equal exported-name type held elsewhere is taken too.
  Bytes exported = OidBytes(ORBIGetOID(kORBIExportedNameTypeIndex));
  gss_OID_desc exported_copy{static_cast<OM_uint32>(exported.size()),
                             exported.data()};
  for (int index = 0; index < kORBIOIDTableSize; ++index) {
    SCOPED_TRACE(index);
    Input input(
        BuildToken(kTokenId, kMechBytes, {'j'}, OidBytes(ORBIGetOID(index))));
    PLVORBIInternalName name;
    ASSERT_EQ(name.Set(&exported_copy, input.get()), status::SUCCESS);
    EXPECT_EQ(Peer::nameType(name), ORBIGetOID(index));
  }
}

TEST(ImportToken, TokenEndingAfterTheNameHasNoType) {
  Input input(BuildToken(kTokenId, kMechBytes, {'k', 'i', 'm'}, {}, false));
  PLVORBIInternalName name;
  ASSERT_EQ(name.Set(ORBIGetOID(kORBIExportedNameTypeIndex), input.get()),
            status::SUCCESS);
  EXPECT_EQ(Peer::nameType(name), nullptr);
  EXPECT_EQ(Peer::mechType(name), ORBIGetOID(kORBIMechanismIndex));
  EXPECT_EQ(std::string(Peer::nameValue(name)), "kim");
  // Such a name cannot be exported again: it has no type.
  gss_buffer_desc token{};
  EXPECT_EQ(name.Export(&token), status::BAD_NAME_TYPE);
}

// A name holding a text, a type and no mechanism, to show that a refused
// token changes nothing.
class RefusedToken : public ::testing::Test {
 protected:
  void SetUp() override {
    Input previous("previous");
    ASSERT_EQ(name_.Set(nullptr, previous.get()), status::SUCCESS);
  }
  void ExpectRefused(const Bytes& token, OM_uint32 expected) {
    Input input(token);
    TraceRecorder recorder;
    EXPECT_EQ(name_.Set(ORBIGetOID(kORBIExportedNameTypeIndex), input.get()),
              expected);
    EXPECT_EQ(std::string(Peer::nameValue(name_)), "previous");
    EXPECT_EQ(Peer::nameLength(name_), 8u);
    EXPECT_EQ(Peer::nameType(name_), ORBIGetOID(kORBIDefaultNameTypeIndex));
    EXPECT_EQ(Peer::mechType(name_), nullptr);
    EXPECT_TRUE(recorder.texts(1).empty());
  }
  PLVORBIInternalName name_;
};

TEST_F(RefusedToken, TruncatedAtEveryByte) {
  const Bytes token =
      BuildToken(kTokenId, kMechBytes, {'l', 'e', 'o'}, kDefaultTypeBytes);
  const size_t name_end = 4 + kMechBytes.size() + 4 + 3;
  for (size_t length = 0; length < token.size(); ++length) {
    if (length == name_end) continue;  // a token without type: accepted
    SCOPED_TRACE(length);
    ExpectRefused(Bytes(token.begin(), token.begin() + length),
                  status::BAD_NAME_TYPE);
  }
}

TEST_F(RefusedToken, EachFault) {
  const Bytes name = {'m', 'i', 'a'};
  Bytes mech_overrun =
      BuildToken(kTokenId, kMechBytes, name, kDefaultTypeBytes);
  mech_overrun[2] = 0xFF;
  mech_overrun[3] = 0xFF;
  Bytes name_overrun =
      BuildToken(kTokenId, kMechBytes, name, kDefaultTypeBytes);
  for (size_t i = 0; i < 4; ++i) name_overrun[kNameLengthAt + i] = 0xFF;
  Bytes name_one_over = BuildToken(kTokenId, kMechBytes, name, {}, false);
  name_one_over[kNameLengthAt + 3] = 4;
  Bytes type_overrun =
      BuildToken(kTokenId, kMechBytes, name, kDefaultTypeBytes);
  type_overrun[kNameAt + name.size() + 1] =
      static_cast<unsigned char>(kDefaultTypeBytes.size() + 1);
  Bytes trailing = BuildToken(kTokenId, kMechBytes, name, kDefaultTypeBytes);
  trailing.push_back(0);
  const struct {
    const char* label;
    Bytes token;
    OM_uint32 status;
  } kCases[] = {
      {"identifier 05 01",
       BuildToken({0x05, 0x01}, kMechBytes, name, kDefaultTypeBytes),
       status::BAD_NAME_TYPE},
      {"identifier 01 04",
       BuildToken({0x01, 0x04}, kMechBytes, name, kDefaultTypeBytes),
       status::BAD_NAME_TYPE},
      {"mechanism length overruns", mech_overrun, status::BAD_NAME_TYPE},
      {"name length overruns", name_overrun, status::BAD_NAME_TYPE},
      {"name length one past the end", name_one_over, status::BAD_NAME_TYPE},
      {"type length overruns", type_overrun, status::BAD_NAME_TYPE},
      {"bytes after the type", trailing, status::BAD_NAME_TYPE},
      {"one byte after the name",
       [&] {
         Bytes t = BuildToken(kTokenId, kMechBytes, name, {}, false);
         t.push_back(0);
         return t;
       }(),
       status::BAD_NAME_TYPE},
      {"unknown type 1.2.3",
       BuildToken(kTokenId, kMechBytes, name, {0x2A, 0x03}),
       status::BAD_NAME_TYPE},
      {"undecodable type", BuildToken(kTokenId, kMechBytes, name, {0x2B, 0x86}),
       status::BAD_NAME_TYPE},
      {"empty type", BuildToken(kTokenId, kMechBytes, name, {}),
       status::BAD_NAME_TYPE},
      {"undecodable mechanism",
       BuildToken(kTokenId, {0x2B, 0x86}, name, kDefaultTypeBytes),
       status::INVALID_MECH},
      {"non-minimal mechanism",
       BuildToken(kTokenId, {0x2B, 0x80, 0x06}, name, kDefaultTypeBytes),
       status::INVALID_MECH},
      {"empty mechanism", BuildToken(kTokenId, {}, name, kDefaultTypeBytes),
       status::INVALID_MECH},
      {"foreign mechanism (the default type)",
       BuildToken(kTokenId, kDefaultTypeBytes, name, kDefaultTypeBytes),
       status::MECH_NOT_SUPPORTED},
      {"foreign mechanism 1.2.3",
       BuildToken(kTokenId, {0x2A, 0x03}, name, kDefaultTypeBytes),
       status::MECH_NOT_SUPPORTED},
      // The layout is read to its end before the mechanism is judged.
      {"foreign mechanism and bytes after the type",
       [&] {
         Bytes t = BuildToken(kTokenId, {0x2A, 0x03}, name, kDefaultTypeBytes);
         t.push_back(0);
         return t;
       }(),
       status::BAD_NAME_TYPE},
      {"foreign mechanism and unknown type",
       BuildToken(kTokenId, {0x2A, 0x03}, name, {0x2A, 0x03}),
       status::MECH_NOT_SUPPORTED},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    ExpectRefused(c.token, c.status);
  }
}

TEST_F(RefusedToken, NullBufferStillGivesBadInput) {
  gss_buffer_desc no_value{10, nullptr};
  EXPECT_EQ(name_.Set(ORBIGetOID(kORBIExportedNameTypeIndex),
                      static_cast<gss_buffer_t>(nullptr)),
            status::BAD_INPUT);
  EXPECT_EQ(name_.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &no_value),
            status::BAD_INPUT);
  EXPECT_EQ(std::string(Peer::nameValue(name_)), "previous");
  EXPECT_EQ(Peer::nameLength(name_), 8u);
}

// --- Concurrency ---------------------------------------------------------

TEST(TokenThreads, ExportSeesOneStateOfTheName) {
  // One thread keeps replacing the name; the others export and display it.
  // Every token must be one a name could have written: read back, it gives
  // one of the texts with its own length.
  PLVORBIInternalName name;
  MakeMechanismName(name, "short");
  const std::string kTexts[] = {"short", std::string(300, 'L'),
                                kAnonymousSentinel};
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; i < 2000; ++i) {
      Input input(kTexts[i % 3]);
      EXPECT_EQ(name.Set(nullptr, input.get()), status::SUCCESS);
    }
    stop = true;
  });
  auto reader = [&] {
    while (!stop) {
      gss_buffer_desc token{};
      ASSERT_EQ(name.Export(&token), status::SUCCESS);
      PLVORBIInternalName copy;
      ASSERT_EQ(copy.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &token),
                status::SUCCESS);
      free(token.value);
      const std::string text(Peer::nameValue(copy), Peer::nameLength(copy));
      EXPECT_TRUE(text == kTexts[0] || text == kTexts[1] || text == kTexts[2])
          << text;
      gss_buffer_desc shown{};
      gss_OID type = nullptr;
      ASSERT_EQ(name.Display(&shown, &type), status::SUCCESS);
      EXPECT_EQ(strlen(static_cast<char*>(shown.value)), shown.length);
      free(shown.value);
    }
  };
  std::thread r1(reader), r2(reader);
  writer.join();
  r1.join();
  r2.join();
}

}  // namespace
