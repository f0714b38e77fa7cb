#include "tests/support/record_bytes.h"

#include <gtest/gtest.h>

#include "resources/splash_data.h"
#include "tests/support/little_endian.h"

std::vector<std::uint8_t> Words(std::initializer_list<std::int32_t> words) {
  std::vector<std::uint8_t> bytes;
  for (std::int32_t word : words) PutU32(bytes, bytes.size(), static_cast<std::uint32_t>(word));
  return bytes;
}

std::vector<std::uint8_t> HelpBytes(const std::string& name,
                                    std::uint32_t length,
                                    const std::string& content) {
  std::vector<std::uint8_t> bytes =
      Words({static_cast<std::int32_t>(0xDEADBEEF)});
  bytes.insert(bytes.end(), name.begin(), name.end());
  bytes.push_back(0);
  const std::vector<std::uint8_t> lengthWord =
      Words({static_cast<std::int32_t>(length)});
  bytes.insert(bytes.end(), lengthWord.begin(), lengthWord.end());
  bytes.insert(bytes.end(), content.begin(), content.end());
  return bytes;
}

void ExpectSplashWords(const SplashData& data, std::int32_t a, std::int32_t b, std::int32_t c,
                       std::int32_t seconds) {
  EXPECT_EQ(data.parameterA, a);
  EXPECT_EQ(data.parameterB, b);
  EXPECT_EQ(data.parameterC, c);
  EXPECT_EQ(data.displaySeconds, seconds);
}
