#include "launcher/help_data.h"

#include "install/product_folder.h"
#include "resources/byte_reader.h"

bool IsHelpDataPlaceholder(std::span<const std::uint8_t> bytes) {
  return bytes.size() < 2;
}

std::optional<HelpData> ParseHelpData(std::span<const std::uint8_t> bytes) {
  HelpData help;
  if (IsHelpDataPlaceholder(bytes)) return help;
  ByteReader reader(bytes);
  std::int32_t unused = 0;
  // Each read fails rather than run past the data, so a cut-short record is
  // refused instead of becoming a help file with a made-up tail.
  if (!reader.ReadInt32(unused) || !reader.ReadText(help.name) ||
      !reader.ReadByteArray(help.content)) {
    return std::nullopt;
  }
  return help;
}

std::string MakeHelpFilePath(const std::string& name) {
  if (name.empty()) return {};
  return GetTempFolderPath() + name;
}

bool IsPlainFileName(std::string_view name) {
  return name.find_first_of("\\/:") == std::string_view::npos &&
         name != "." && name != "..";
}
