#include "launcher/help_data.h"

#include "common/narrow_text.h"
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

namespace {

// A port number of a device name: a digit, or a superscript one, two or
// three (their Windows-1252 bytes).
bool IsPortNumber(char c) {
  return (c >= '0' && c <= '9') || c == '\xB9' || c == '\xB2' || c == '\xB3';
}

// Names Windows opens in every folder as its devices, whatever extension
// follows and with trailing spaces ignored.
bool IsDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL"}) {
    if (EqualsIgnoringAsciiCase(stem, device)) return true;
  }
  return stem.size() == 4 &&
         (EqualsIgnoringAsciiCase(stem.substr(0, 3), "COM") ||
          EqualsIgnoringAsciiCase(stem.substr(0, 3), "LPT")) &&
         IsPortNumber(stem[3]);
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
  return FindCharacter(name, "\\/:") == std::string_view::npos && name != "." &&
         name != ".." && !IsDeviceName(name);
}
