// Caller-supplied lengths and cursors that no block can serve: each must be
// refused before anything is allocated or read. The buffers are small, exact
// heap blocks, so AddressSanitizer catches a read that trusts the length
// further than the refusal.
#include <stdint.h>
#include <string.h>

#include <memory>
#include <string>

#include "alloc_seam.h"
#include "gtest/gtest.h"
#include "orbi_name/internal_name.h"
#include "orbi_name/internal_oid.h"
#include "orbi_services/asn.h"
#include "orbi_services/oid_table.h"

namespace {

namespace status = orbi_name::status;

// A token prefix: 04 01, the mechanism, then the given bytes.
std::string TokenWithMechanism(const std::string& rest) {
  gss_OID mech = ORBIGetOID(kORBIMechanismIndex);
  std::string token("\x04\x01", 2);
  token += static_cast<char>(mech->length >> 8);
  token += static_cast<char>(mech->length & 0xFF);
  token.append(static_cast<char*>(mech->elements), mech->length);
  return token + rest;
}

TEST(Sizes, RefusedBeforeAnythingIsAllocated) {
  const struct {
    const char* label;
    OM_uint32 expected;
    OM_uint32 (*call)(PLVORBIInternalName&, const unsigned char* bytes,
                      size_t size);
    std::string bytes;
  } kCases[] = {
      {"Set, length 4294967295 on a 4-byte buffer", status::NO_MEMORY,
       [](PLVORBIInternalName& n, const unsigned char* b, size_t) {
         gss_buffer_desc huge = {UINT32_MAX, const_cast<unsigned char*>(b)};
         return n.Set(static_cast<gss_OID>(nullptr), &huge);
       },
       "abcd"},
      // gss_buffer_desc counts in size_t; a name counts in 32 bits. An
      // uninitialised upper half must not pass for a length.
      {"Set, length 2^32 on a 4-byte buffer", status::BAD_INPUT,
       [](PLVORBIInternalName& n, const unsigned char* b, size_t) {
         gss_buffer_desc huge = {size_t{1} << 32,
                                 const_cast<unsigned char*>(b)};
         return n.Set(static_cast<gss_OID>(nullptr), &huge);
       },
       "abcd"},
      {"Set, exported name type, length 2^32 + 4 on a 4-byte buffer",
       status::BAD_INPUT,
       [](PLVORBIInternalName& n, const unsigned char* b, size_t) {
         gss_buffer_desc huge = {(size_t{1} << 32) + 4,
                                 const_cast<unsigned char*>(b)};
         return n.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &huge);
       },
       std::string("\x04\x01\x00\x09", 4)},
      {"Set(PLVASNBuffer), length 2^32 on a 4-byte buffer", status::NO_MEMORY,
       [](PLVORBIInternalName& n, const unsigned char* b, size_t) {
         PLVASNBuffer asn(0);
         asn.data = const_cast<unsigned char*>(b);
         asn.length = 1ul << 32;
         const OM_uint32 result =
             n.Set(ORBIGetOID(kORBIDefaultNameTypeIndex), &asn);
         asn.data = nullptr;  // not the buffer's own block
         asn.length = 0;
         return result;
       },
       "abcd"},
      {"token, mechanism length 65535 past the end", status::BAD_NAME_TYPE,
       [](PLVORBIInternalName& n, const unsigned char* b, size_t s) {
         gss_buffer_desc token = {s, const_cast<unsigned char*>(b)};
         return n.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &token);
       },
       std::string("\x04\x01\xFF\xFF", 4) + "short"},
      {"token, name length 4294967295 past the end", status::BAD_NAME_TYPE,
       [](PLVORBIInternalName& n, const unsigned char* b, size_t s) {
         gss_buffer_desc token = {s, const_cast<unsigned char*>(b)};
         return n.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &token);
       },
       TokenWithMechanism(std::string("\xFF\xFF\xFF\xFF"
                                      "abc",
                                      7))},
      {"token, name-type length 65535 past the end", status::BAD_NAME_TYPE,
       [](PLVORBIInternalName& n, const unsigned char* b, size_t s) {
         gss_buffer_desc token = {s, const_cast<unsigned char*>(b)};
         return n.Set(ORBIGetOID(kORBIExportedNameTypeIndex), &token);
       },
       TokenWithMechanism(std::string("\x00\x00\x00\x01"
                                      "a\xFF\xFF\x2B",
                                      8))},
      {"Read, cursor with an offset past the text", status::BAD_INPUT,
       [](PLVORBIInternalName& n, const unsigned char*, size_t) {
         gss_buffer_desc entry = {0, nullptr};
         unsigned long cursor = 0x7FFFFFFF00000100ul;
         return n.Read(&entry, cursor);
       },
       ""},
      {"Read, cursor 1", status::BAD_INPUT,
       [](PLVORBIInternalName& n, const unsigned char*, size_t) {
         gss_buffer_desc entry = {0, nullptr};
         unsigned long cursor = 1;
         return n.Read(&entry, cursor);
       },
       ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    std::unique_ptr<unsigned char[]> block(
        new unsigned char[c.bytes.size() + 1]);
    memcpy(block.get(), c.bytes.data(), c.bytes.size());
    PLVORBIInternalName name;
    char text[] = "db\nalice\nbob";
    ASSERT_EQ(name.ChangeExternalName(text), status::SUCCESS);
    OM_uint32 result;
    long allocations;
    {
      orbi_alloc::FailNth fail(-1);
      result = c.call(name, block.get(), c.bytes.size());
      allocations = fail.count();
    }
    EXPECT_EQ(result, c.expected);
    EXPECT_EQ(allocations, 0);
    // Refused before anything happened: the name holds its text still. (The
    // buffer form of Set releases the old text when it reports 1.)
    if (strncmp(c.label, "Set, length 4294967295", 22) == 0) continue;
    gss_buffer_desc shown = {0, nullptr};
    ASSERT_EQ(name.Display(&shown, nullptr), status::SUCCESS);
    EXPECT_EQ(std::string(static_cast<char*>(shown.value), shown.length),
              std::string(text, sizeof text));
    orbi_alloc::Free(shown.value);
  }
}

TEST(Sizes, OidTextAndBytesOutsideTheirRange) {
  const char* const kTexts[] = {
      "1.4294967296",
      "{1 99999999999999999999999}",
      "18446744073709551617.1",
  };
  for (const char* text : kTexts) {
    SCOPED_TRACE(text);
    PLVORBIInternalOID value;
    ASSERT_EQ(value.set("1.3"), status::SUCCESS);
    const size_t live = orbi_alloc::LiveBlocks();
    EXPECT_EQ(value.set(text), status::BAD_OID);
    EXPECT_EQ(orbi_alloc::LiveBlocks(), live);
    EXPECT_EQ(value.isEqual("1.3"), 1);
  }
  // An arc of 2^32 and a first subidentifier past 2^32 + 80 in DER.
  const std::string kBytes[] = {
      std::string("\x2A\x90\x80\x80\x80\x00", 6),
      std::string("\x90\x80\x80\x80\x50", 5),
  };
  for (const std::string& bytes : kBytes) {
    std::unique_ptr<unsigned char[]> block(new unsigned char[bytes.size()]);
    memcpy(block.get(), bytes.data(), bytes.size());
    gss_OID_desc oid = {static_cast<OM_uint32>(bytes.size()), block.get()};
    PLVORBIInternalOID value;
    orbi_alloc::FailNth fail(-1);
    EXPECT_EQ(value.set(&oid), status::BAD_OID);
    EXPECT_EQ(fail.count(), 0);
  }
}

}  // namespace
