// Feeds arbitrary bytes to the parsers of the small resource records: the
// splash settings and the help data.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "launcher/help_data.h"
#include "resources/byte_reader.h"
#include "resources/placeholder_resource.h"
#include "resources/splash_data.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  ByteReader splashReader(bytes);
  SplashData splash;
  ParseSplashData(splashReader, splash);

  // What the help data yields was carried in full: the first word, the name
  // and its NUL, the length word and the content.
  const std::optional<HelpData> help = ParseHelpData(bytes);
  if (help && !IsPlaceholderResource(bytes)) {
    const std::size_t carried = 4 + help->name.size() + 1 + 4 +
                                help->content.size();
    if (help->name.find('\0') != std::string::npos || carried > size) {
      __builtin_trap();
    }
  }
  return 0;
}
