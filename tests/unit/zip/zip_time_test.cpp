#include "resources/zip/zip_time.h"

#include <vector>

#include <gtest/gtest.h>

#include "platform/sim/sim_world.h"
#include "tests/support/zip_test_archive.h"

namespace {

std::span<const std::uint8_t> AsBytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

TEST(ZipTimeTest, DosFieldsAreDecodedAndCheckedAsACalendarTime) {
  sim::ResetWorld();
  // 1980-01-01 00:00:00, the smallest DOS time.
  EXPECT_EQ(DosTimeToFileTime(0x00210000)->ticks, TicksOfUnixTime(315532800));
  // 2107-12-31 23:59:58, the largest.
  EXPECT_EQ(DosTimeToFileTime(0xFF9FBF7D)->ticks, TicksOfUnixTime(4354819198));
  for (const std::uint32_t invalid :
       {0x00000000u,              // day and month 0
        0x0021C000u,              // hour 24
        0x00210780u,              // minute 60
        0x0021001Eu}) {           // second 60
    EXPECT_FALSE(DosTimeToFileTime(invalid)) << std::hex << invalid;
  }
}

TEST(ZipTimeTest, UtBlockIsNotReadPastTheExtraField) {
  // Heap buffers of exactly these sizes, so that AddressSanitizer sees any
  // read beyond them.
  const std::vector<std::uint8_t> declaresSeven = {0x55, 0x54, 0x07, 0x00, 0x07,
                                                   1, 2, 3};
  const std::vector<std::uint8_t> flagsOnly = {0x55, 0x54, 0x01, 0x00, 0x07};
  for (const auto& extra : {declaresSeven, flagsOnly}) {
    ZipEntryTimes times;
    ApplyExtendedTimestamp(extra, times);
    EXPECT_FALSE(times.modification || times.access || times.creation);
  }
}

TEST(ZipTimeTest, OnlyTheFirstUtBlockCounts) {
  ZipEntryTimes times;
  const std::string extra = "ab" + Uint16Bytes(0) + UtBlock(4, {77}) +
                            UtBlock(1, {88});
  ApplyExtendedTimestamp(AsBytes(extra), times);
  EXPECT_FALSE(times.modification);
  EXPECT_FALSE(times.access);
  EXPECT_EQ(times.creation->ticks, TicksOfUnixTime(77));
}

TEST(ZipTimeTest, TimesAreSigned32BitUnixTimes) {
  ZipEntryTimes times;
  ApplyExtendedTimestamp(
      AsBytes(UtBlock(3, {INT32_MIN, INT32_MAX})), times);
  EXPECT_EQ(times.modification->ticks, TicksOfUnixTime(INT32_MIN));
  EXPECT_EQ(times.access->ticks, TicksOfUnixTime(INT32_MAX));
}

}  // namespace
