#include "resources/splash_data.h"

#include <gtest/gtest.h>

#include "resources/byte_reader.h"
#include "tests/support/record_bytes.h"

namespace {

SplashData Parsed(const std::vector<std::uint8_t>& bytes) {
  ByteReader reader(bytes);
  SplashData data;
  ParseSplashData(reader, data);
  return data;
}

void ExpectWords(const SplashData& data, std::int32_t a, std::int32_t b,
                 std::int32_t c, std::int32_t seconds) {
  EXPECT_EQ(data.parameterA, a);
  EXPECT_EQ(data.parameterB, b);
  EXPECT_EQ(data.parameterC, c);
  EXPECT_EQ(data.displaySeconds, seconds);
}

TEST(SplashData, StartsWithItsDefaults) { ExpectWords(SplashData{}, 1, 0, 0, 0); }

TEST(SplashData, VersionTwoCarriesTheDisplayTime) {
  ExpectWords(Parsed(Words({2, 1, 0, 0, 3, 0})), 1, 0, 0, 3);
  ExpectWords(Parsed(Words({5, 7, 8, 9, 12})), 7, 8, 9, 12);
}

TEST(SplashData, VersionOneOrLessIgnoresTheDisplayTime) {
  ExpectWords(Parsed(Words({1, 4, 5, 6, 3})), 4, 5, 6, 0);
  ExpectWords(Parsed(Words({-1, 4, 5, 6, 3})), 4, 5, 6, 0);
}

TEST(SplashData, ShortRecordKeepsTheDefaultsOfMissingWords) {
  std::vector<std::uint8_t> tenBytes = Words({2, 9, 5});
  tenBytes.resize(10);
  ExpectWords(Parsed(tenBytes), 9, 0, 0, 0);
  ExpectWords(Parsed({}), 1, 0, 0, 0);
  ExpectWords(Parsed({7}), 1, 0, 0, 0);
  ExpectWords(Parsed(Words({2, 4, 5, 6})), 4, 5, 6, 0);
}

TEST(SplashData, TellsItsVersionAndWhetherEveryFieldOfItWasThere) {
  const struct {
    std::vector<std::uint8_t> bytes;
    std::int32_t version;
    bool complete;
  } cases[] = {
      {Words({2, 1, 0, 0, 3, 0}), 2, true},
      {Words({2, 4, 5, 6}), 2, false},  // no display time
      {Words({1, 4, 5, 6}), 1, true},
      {Words({-1, 4, 5, 6}), -1, true},
      {Words({1, 4, 5}), 1, false},
      {{7}, 0, false},
  };
  for (const auto& [bytes, version, complete] : cases) {
    ByteReader reader(bytes);
    SplashData data;
    const SplashDataFormat format = ParseSplashData(reader, data);
    EXPECT_EQ(format.version, version) << bytes.size() << " bytes";
    EXPECT_EQ(format.complete, complete) << bytes.size() << " bytes, version " << version;
  }
}

}  // namespace
