#include "bytes/little_endian.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

// Words with their high bits set are where a signed promotion or a byte
// order slip shows.
TEST(LittleEndian, WordsAreStoredLowByteFirstAndLoadBackWhole) {
  for (const std::uint32_t value : {0u, 0x7Fu, 0x80u, 0x8000u, 0x12345678u, 0x80000000u, 0xFFFFFFFFu}) {
    std::uint8_t bytes[4] = {};
    little_endian::Store32(bytes, value);
    for (int at = 0; at < 4; ++at) EXPECT_EQ(bytes[at], static_cast<std::uint8_t>(value >> (8 * at))) << value;
    EXPECT_EQ(little_endian::Load32(bytes), value);
    EXPECT_EQ(little_endian::Load16(bytes), static_cast<std::uint16_t>(value));
    EXPECT_EQ(little_endian::Load16(bytes + 2), static_cast<std::uint16_t>(value >> 16));

    std::uint8_t half[3] = {0xAA, 0xAA, 0xAA};
    little_endian::Store16(half, static_cast<std::uint16_t>(value));
    EXPECT_EQ(little_endian::Load16(half), static_cast<std::uint16_t>(value));
    EXPECT_EQ(half[2], 0xAA) << "a 16-bit store wrote past its two bytes";
  }
}

}  // namespace
