#include "launcher/help_data.h"

#include <algorithm>
#include <iterator>
#include <string>

#include "ascii/ascii_case.h"
#include "common/code_page_text.h"
#include "common/narrow_text.h"
#include "platform/text.h"
#include "install/product_folder.h"
#include "resources/byte_reader.h"
#include "resources/placeholder_resource.h"

std::optional<HelpData> ParseHelpData(std::span<const std::uint8_t> bytes) {
  HelpData help;
  if (IsPlaceholderResource(bytes)) return help;
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

std::optional<std::string> HelpFileNameForProcess(const std::string& stored) {
  if (platform::ProcessCodePage() != platform::kUtf8CodePage ||
      IsValidUtf8(stored)) {
    return stored;
  }
  const auto wide = WideFromCodePage(stored, platform::SystemCodePage());
  if (!wide) return std::nullopt;
  return CodePageFromWide(*wide, platform::kUtf8CodePage);
}

std::string MakeHelpFilePath(const std::string& name) {
  if (name.empty()) return {};
  return GetTempFolderPath() + name;
}

namespace {

// A port number of a device name: a digit, or a superscript one, two or
// three, written in the process's ANSI code page (Windows-1252 bytes, or
// UTF-8 sequences).
bool IsPortNumber(std::string_view text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '9') return true;
  constexpr std::string_view kWindows1252[] = {"\xB9", "\xB2", "\xB3"};
  constexpr std::string_view kUtf8[] = {"\xC2\xB9", "\xC2\xB2", "\xC2\xB3"};
  const auto& superscripts =
      platform::ProcessCodePage() == platform::kUtf8CodePage ? kUtf8
                                                             : kWindows1252;
  return std::ranges::find(superscripts, text) != std::end(superscripts);
}

// Names Windows opens in every folder as its devices, whatever extension
// follows and with trailing spaces ignored.
bool IsDeviceName(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  for (std::string_view device : {"CON", "PRN", "AUX", "NUL"}) {
    if (EqualsIgnoringAsciiCase(stem, device)) return true;
  }
  return stem.size() > 3 &&
         (EqualsIgnoringAsciiCase(stem.substr(0, 3), "COM") ||
          EqualsIgnoringAsciiCase(stem.substr(0, 3), "LPT")) &&
         IsPortNumber(stem.substr(3));
}

}  // namespace

bool IsPlainFileName(std::string_view name) {
  return FindCharacter(name, "\\/:*?<>\"|") == std::string_view::npos &&
         name != "." && name != ".." && !IsDeviceName(name);
}
