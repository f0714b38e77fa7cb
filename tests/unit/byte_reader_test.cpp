#include "resources/byte_reader.h"

#include <gtest/gtest.h>

#include <limits>

#include "tests/support/sim_test.h"

namespace {

TEST(ByteReader, FixedSizeReadsAreAllOrNothing) {
  ByteReader reader(Bytes("abc"));
  std::int32_t word = 77;
  EXPECT_FALSE(reader.ReadInt32(word));
  EXPECT_EQ(word, 77);
  EXPECT_EQ(reader.Position(), 0u);

  std::uint8_t byte = 0;
  EXPECT_TRUE(reader.ReadByte(byte));
  EXPECT_EQ(byte, 'a');
  EXPECT_EQ(reader.Position(), 1u);
}

TEST(ByteReader, HugeCountDoesNotWrapPastTheEnd) {
  ByteReader reader(Bytes("abcdef"));
  std::uint8_t byte = 0;
  ASSERT_TRUE(reader.ReadByte(byte));
  char target[8] = {};
  // position 1 + n would wrap to 0 in 32 bits.
  EXPECT_FALSE(
      reader.ReadBytes(target, std::numeric_limits<std::uint32_t>::max()));
  EXPECT_EQ(reader.Position(), 1u);
}

TEST(ByteReader, ReadsSignedLittleEndianWords) {
  ByteReader reader(std::vector<std::uint8_t>{0x78, 0x56, 0x34, 0x12, 0xFE,
                                              0xFF, 0xFF, 0xFF});
  std::int32_t first = 0, second = 0;
  ASSERT_TRUE(reader.ReadInt32(first));
  ASSERT_TRUE(reader.ReadInt32(second));
  EXPECT_EQ(first, 0x12345678);
  EXPECT_EQ(second, -2);
}

TEST(ByteReader, TextEndsAtItsNulAndSkipsIt) {
  ByteReader reader(std::vector<std::uint8_t>{'G', 'o', 0, 'x', 0});
  std::string text = "old";
  ASSERT_TRUE(reader.ReadText(text));
  EXPECT_EQ(text, "Go");
  EXPECT_EQ(reader.Position(), 3u);
  ASSERT_TRUE(reader.ReadText(text));
  EXPECT_EQ(text, "x");
}

TEST(ByteReader, TextWithoutNulReadsNothing) {
  ByteReader reader(Bytes("no terminator"));
  std::string text = "old";
  EXPECT_FALSE(reader.ReadText(text));
  EXPECT_EQ(text, "old");
  EXPECT_EQ(reader.Position(), 0u);

  ByteReader empty(std::vector<std::uint8_t>{});
  EXPECT_FALSE(empty.ReadText(text));
}

TEST(ByteReader, ByteArrayTakesItsCountedBytes) {
  ByteReader reader(std::vector<std::uint8_t>{3, 0, 0, 0, 7, 8, 9, 10});
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(reader.ReadByteArray(bytes));
  EXPECT_EQ(bytes, (std::vector<std::uint8_t>{7, 8, 9}));
  EXPECT_EQ(reader.Position(), 7u);

  ByteReader zero(std::vector<std::uint8_t>{0, 0, 0, 0});
  bytes = {1};
  ASSERT_TRUE(zero.ReadByteArray(bytes));
  EXPECT_TRUE(bytes.empty());
}

TEST(ByteReader, ByteArrayLongerThanTheDataReadsNothing) {
  for (std::vector<std::uint8_t> data :
       {std::vector<std::uint8_t>{4, 0, 0, 0, 1, 2, 3},
        std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 1},
        std::vector<std::uint8_t>{0x00, 0x00, 0x00, 0x80, 1},
        std::vector<std::uint8_t>{2, 0}}) {
    ByteReader reader(data);
    std::vector<std::uint8_t> bytes{42};
    EXPECT_FALSE(reader.ReadByteArray(bytes));
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{42});
    EXPECT_EQ(reader.Position(), 0u);
  }
}

}  // namespace
