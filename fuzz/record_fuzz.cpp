// Feeds arbitrary bytes to the readers of the small resource records: the
// splash settings and the counted-text layout of the help data.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "resources/byte_reader.h"
#include "resources/splash_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  ByteReader splashReader(bytes);
  SplashData splash;
  ParseSplashData(splashReader, splash);

  ByteReader reader(bytes);
  std::int32_t skipped = 0;
  std::string name;
  std::vector<std::uint8_t> content;
  reader.ReadInt32(skipped);
  reader.ReadText(name);
  if (reader.ReadByteArray(content) && content.size() > size) __builtin_trap();
  if (reader.Position() > size) __builtin_trap();
  return 0;
}
