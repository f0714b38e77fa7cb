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

TEST(SplashData, StartsWithItsDefaults) { ExpectSplashWords(SplashData{}, 1, 0, 0, 0); }

TEST(SplashData, VersionTwoCarriesTheDisplayTime) {
  ExpectSplashWords(Parsed(Words({2, 1, 0, 0, 3, 0})), 1, 0, 0, 3);
  ExpectSplashWords(Parsed(Words({5, 7, 8, 9, 12})), 7, 8, 9, 12);
}

TEST(SplashData, VersionOneOrLessIgnoresTheDisplayTime) {
  ExpectSplashWords(Parsed(Words({1, 4, 5, 6, 3})), 4, 5, 6, 0);
  ExpectSplashWords(Parsed(Words({-1, 4, 5, 6, 3})), 4, 5, 6, 0);
}

TEST(SplashData, ShortRecordKeepsTheDefaultsOfMissingWords) {
  std::vector<std::uint8_t> tenBytes = Words({2, 9, 5});
  tenBytes.resize(10);
  ExpectSplashWords(Parsed(tenBytes), 9, 0, 0, 0);
  ExpectSplashWords(Parsed({}), 1, 0, 0, 0);
  ExpectSplashWords(Parsed({7}), 1, 0, 0, 0);
  ExpectSplashWords(Parsed(Words({2, 4, 5, 6})), 4, 5, 6, 0);
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
