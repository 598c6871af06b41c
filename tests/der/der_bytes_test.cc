// The bounded byte cursors: a read or write that does not fit changes
// nothing, the writer's failure sticks, and every integer width round-trips
// at its edges; the DER tag and length reader takes the shortest forms
// alone, up to the width its caller asks for.
#include <stdint.h>

#include <string>
#include <vector>

#include "der/bytes.h"
#include "gtest/gtest.h"

namespace {

using orbi::der::ByteReader;
using orbi::der::ByteWriter;
using orbi::der::DerHeaderFault;
using orbi::der::ReadDerHeader;

TEST(ByteWriter, AWriteThatDoesNotFitFailsAndTheFailureSticks) {
  unsigned char block[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  ByteWriter writer(block, sizeof(block));
  EXPECT_TRUE(writer.WriteU8(0x01));
  EXPECT_FALSE(writer.WriteU32(0x02030405));  // 3 bytes left
  EXPECT_FALSE(writer.ok());
  EXPECT_EQ(writer.left(), 3u);
  // Nothing was written by the failed call, nor by later ones that fit.
  EXPECT_FALSE(writer.WriteU8(0x06));
  const unsigned char bytes[2] = {0x07, 0x08};
  EXPECT_FALSE(writer.WriteBytes(bytes, sizeof(bytes)));
  EXPECT_EQ(writer.left(), 3u);
  EXPECT_EQ(std::vector<unsigned char>(block, block + 4),
            (std::vector<unsigned char>{0x01, 0xAA, 0xAA, 0xAA}));
}

TEST(ByteWriter, FillsItsBlockExactly) {
  unsigned char block[7];
  ByteWriter writer(block, sizeof(block));
  const unsigned char bytes[2] = {0x05, 0x06};
  EXPECT_TRUE(writer.WriteU8(0x01));
  EXPECT_TRUE(writer.WriteU32(0x01020304));
  EXPECT_TRUE(writer.WriteBytes(bytes, 2));
  EXPECT_TRUE(writer.WriteBytes(nullptr, 0));
  EXPECT_TRUE(writer.ok());
  EXPECT_EQ(writer.left(), 0u);
  EXPECT_FALSE(writer.WriteBytes(bytes, 1));
}

TEST(ByteReader, AReadThatDoesNotFitConsumesNothing) {
  const unsigned char data[3] = {0x01, 0x02, 0x03};
  ByteReader reader(data, sizeof(data));
  uint32_t value = 77;
  EXPECT_FALSE(reader.ReadU32(&value));
  EXPECT_EQ(value, 77u);
  EXPECT_EQ(reader.left(), 3u);
  const unsigned char* bytes = nullptr;
  EXPECT_FALSE(reader.ReadBytes(4, &bytes));
  EXPECT_EQ(bytes, nullptr);
  EXPECT_TRUE(reader.ReadU16(&value));
  EXPECT_EQ(value, 0x0102u);
  EXPECT_TRUE(reader.ReadU8(&value));
  EXPECT_EQ(value, 0x03u);
  EXPECT_FALSE(reader.ReadU8(&value));
  EXPECT_EQ(reader.left(), 0u);
}

// The fixed widths at their smallest, largest and a mixed value, written
// and read back; the bytes are most significant first. The run-time width
// of a DER long form writes the same bytes, and refuses a width it cannot
// hold, writing nothing.
TEST(ByteCursors, EveryWidthRoundTripsAtItsEdges) {
  const struct {
    size_t width;
    bool (ByteWriter::*write)(uint32_t);
    bool (ByteReader::*read)(uint32_t*);
  } kWidths[] = {
      {2, &ByteWriter::WriteU16, &ByteReader::ReadU16},
      {4, &ByteWriter::WriteU32, &ByteReader::ReadU32},
  };
  for (const auto& w : kWidths) {
    const uint32_t max =
        w.width == 4 ? 0xFFFFFFFFu : (uint32_t{1} << (8 * w.width)) - 1;
    for (uint32_t value : {uint32_t{0}, uint32_t{1}, max, max & 0x80402010u}) {
      SCOPED_TRACE(::testing::Message() << w.width << " bytes, " << value);
      std::vector<unsigned char> block(w.width), runtime(w.width);
      ByteWriter writer(block.data(), w.width);
      ASSERT_TRUE((writer.*w.write)(value));
      EXPECT_EQ(writer.left(), 0u);
      EXPECT_EQ(block[0],
                static_cast<unsigned char>(value >> (8 * (w.width - 1))));
      EXPECT_EQ(block[w.width - 1], static_cast<unsigned char>(value));
      ByteWriter runtime_writer(runtime.data(), w.width);
      ASSERT_TRUE(runtime_writer.WriteBigEndian(w.width, value));
      EXPECT_EQ(runtime, block);
      ByteReader reader(block.data(), w.width);
      uint32_t back = 0;
      ASSERT_TRUE((reader.*w.read)(&back));
      EXPECT_EQ(back, value);
      EXPECT_EQ(reader.left(), 0u);
    }
  }
  unsigned char block[sizeof(size_t) + 1] = {};
  for (size_t width : {size_t{0}, sizeof(size_t) + 1}) {
    SCOPED_TRACE(width);
    ByteWriter writer(block, sizeof(block));
    EXPECT_FALSE(writer.WriteBigEndian(width, 1));
    EXPECT_FALSE(writer.ok());
    EXPECT_EQ(writer.left(), sizeof(block));
  }
}

// The two widths in use: 2 length octets (the module's token, whose M field
// is two bytes) and sizeof(size_t) (the tool, any length in memory). A
// refusal consumes nothing; an acceptance consumes the tag and length octets
// and leaves the content, which is not checked against the length.
TEST(DerHeader, ShortestFormsUpToTheCallersWidth) {
  constexpr size_t kWide = sizeof(size_t);
  const struct {
    const char* label;
    std::string bytes;
    size_t max_octets;
    DerHeaderFault fault;
    size_t length;  // when accepted
  } kCases[] = {
      {"no bytes", "", 2, DerHeaderFault::kNoTag, 0},
      {"another tag", "\x07\x01\x2a", 2, DerHeaderFault::kWrongTag, 0},
      {"tag alone", "\x06", 2, DerHeaderFault::kNoLength, 0},
      {"short form 0", std::string("\x06\x00", 2), 2, DerHeaderFault::kNone, 0},
      {"short form 127", "\x06\x7f", 2, DerHeaderFault::kNone, 127},
      {"content not checked", "\x06\x05\x2a", 2, DerHeaderFault::kNone, 5},
      {"indefinite", "\x06\x80\x2a", 2, DerHeaderFault::kIndefiniteLength, 0},
      {"one length octet announced, none there", "\x06\x81", 2,
       DerHeaderFault::kLengthTruncated, 0},
      {"two announced, one there", "\x06\x82\xff", 2,
       DerHeaderFault::kLengthTruncated, 0},
      {"127 announced", "\x06\xff\x01\x02", kWide,
       DerHeaderFault::kLengthTruncated, 0},
      {"long form of 127", "\x06\x81\x7f", 2, DerHeaderFault::kLengthNotMinimal,
       0},
      {"long form of 0", std::string("\x06\x81\x00", 3), 2,
       DerHeaderFault::kLengthLeadingZero, 0},
      {"long form 128", "\x06\x81\x80", 2, DerHeaderFault::kNone, 128},
      {"long form 255", "\x06\x81\xff", 2, DerHeaderFault::kNone, 255},
      {"leading zero before 255", std::string("\x06\x82\x00\xff", 4), 2,
       DerHeaderFault::kLengthLeadingZero, 0},
      {"two octets, 256", std::string("\x06\x82\x01\x00", 4), 2,
       DerHeaderFault::kNone, 256},
      {"two octets, 65535", "\x06\x82\xff\xff", 2, DerHeaderFault::kNone,
       65535},
      {"three octets at width 2", std::string("\x06\x83\x01\x00\x00", 5), 2,
       DerHeaderFault::kLengthTooWide, 0},
      {"three octets at full width", std::string("\x06\x83\x01\x00\x00", 5),
       kWide, DerHeaderFault::kNone, 65536},
      // The width is judged after the leading zero, as the tool reports it.
      {"three octets with a leading zero at width 2",
       std::string("\x06\x83\x00\x01\x00", 5), 2,
       DerHeaderFault::kLengthLeadingZero, 0},
      {"size_t octets",
       "\x06" + std::string(1, char(0x80 | kWide)) + "\x01" +
           std::string(kWide - 1, '\0'),
       kWide, DerHeaderFault::kNone, size_t{1} << (8 * (kWide - 1))},
      {"size_t octets, all ones",
       "\x06" + std::string(1, char(0x80 | kWide)) + std::string(kWide, '\xff'),
       kWide, DerHeaderFault::kNone, ~size_t{0}},
      {"one octet beyond size_t",
       "\x06" + std::string(1, char(0x80 | (kWide + 1))) + "\x01" +
           std::string(kWide, '\0'),
       kWide, DerHeaderFault::kLengthTooWide, 0},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.label);
    const auto* data = reinterpret_cast<const unsigned char*>(c.bytes.data());
    ByteReader reader(data, c.bytes.size());
    size_t length = 77;
    EXPECT_EQ(ReadDerHeader(reader, 0x06, c.max_octets, &length), c.fault);
    if (c.fault == DerHeaderFault::kNone) {
      EXPECT_EQ(length, c.length);
      const size_t header = c.bytes.size() - reader.left();
      EXPECT_EQ(reader.data(), data + header);
      const size_t first = static_cast<unsigned char>(c.bytes[1]);
      EXPECT_EQ(header, first < 0x80 ? 2 : 2 + (first & 0x7F));
    } else {
      EXPECT_EQ(length, 77u);
      EXPECT_EQ(reader.left(), c.bytes.size());
      EXPECT_EQ(reader.data(), data);
    }
  }
}

}  // namespace
