#include "tests/support/record_bytes.h"

std::vector<std::uint8_t> Words(std::initializer_list<std::int32_t> words) {
  std::vector<std::uint8_t> bytes;
  for (std::int32_t word : words) {
    const auto value = static_cast<std::uint32_t>(word);
    for (int shift = 0; shift < 32; shift += 8) {
      bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    }
  }
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
