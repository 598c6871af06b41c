// The bounded byte cursors: a read or write that does not fit changes
// nothing, the writer's failure sticks, and every integer width round-trips
// at its edges.
#include <stdint.h>

#include <vector>

#include "der/bytes.h"
#include "gtest/gtest.h"

namespace {

using orbi::der::ByteReader;
using orbi::der::ByteWriter;

TEST(ByteWriter, AWriteThatDoesNotFitFailsAndTheFailureSticks) {
  unsigned char block[4] = {0xAA, 0xAA, 0xAA, 0xAA};
  ByteWriter writer(block, sizeof(block));
  EXPECT_TRUE(writer.WriteU8(0x01));
  EXPECT_FALSE(writer.WriteBigEndian(4, 0x02030405));  // 3 bytes left
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
  EXPECT_TRUE(writer.WriteBigEndian(4, 0x01020304));
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
  EXPECT_FALSE(reader.ReadBigEndian(4, &value));
  EXPECT_EQ(value, 77u);
  EXPECT_EQ(reader.left(), 3u);
  const unsigned char* bytes = nullptr;
  EXPECT_FALSE(reader.ReadBytes(4, &bytes));
  EXPECT_EQ(bytes, nullptr);
  EXPECT_TRUE(reader.ReadBigEndian(2, &value));
  EXPECT_EQ(value, 0x0102u);
  EXPECT_TRUE(reader.ReadU8(&value));
  EXPECT_EQ(value, 0x03u);
  EXPECT_FALSE(reader.ReadU8(&value));
  EXPECT_EQ(reader.left(), 0u);
}

// Every width at its smallest, largest and a mixed value, written and read
// back; the bytes are most significant first.
TEST(ByteCursors, EveryWidthRoundTripsAtItsEdges) {
  for (uint32_t width = 1; width <= 4; ++width) {
    const uint32_t max =
        width == 4 ? 0xFFFFFFFFu : (uint32_t{1} << (8 * width)) - 1;
    for (uint32_t value : {uint32_t{0}, uint32_t{1}, max, max & 0x80402010u}) {
      SCOPED_TRACE(::testing::Message() << width << " bytes, " << value);
      std::vector<unsigned char> block(width);
      ByteWriter writer(block.data(), width);
      ASSERT_TRUE(writer.WriteBigEndian(width, value));
      EXPECT_EQ(writer.left(), 0u);
      EXPECT_EQ(block[0],
                static_cast<unsigned char>(value >> (8 * (width - 1))));
      EXPECT_EQ(block[width - 1], static_cast<unsigned char>(value));
      ByteReader reader(block.data(), width);
      uint32_t back = 0;
      ASSERT_TRUE(reader.ReadBigEndian(width, &back));
      EXPECT_EQ(back, value);
    }
  }
}

}  // namespace
