#include "resources/zip/zip_entry_info.h"

#include <array>
#include <string_view>

namespace {

using namespace platform::file_attribute;

// Hosts whose external attributes hold DOS attribute bits: MS-DOS, VM/CMS
// (as Info-ZIP writes it on Windows), NTFS and VFAT.
constexpr std::array<std::uint8_t, 4> kDosHosts = {0, 7, 11, 14};
constexpr std::uint32_t kDosAttributeMask =
    kReadOnly | kHidden | kSystem | kDirectory | kArchive;
constexpr std::uint32_t kUnixDirectoryBit = 1u << 30;  // S_IFDIR
constexpr std::uint32_t kUnixOwnerWriteBit = 1u << 23;  // S_IWUSR

const platform::FileTime* TimeOrNull(
    const std::optional<platform::FileTime>& time) {
  return time ? &*time : nullptr;
}

// What is left after one cleaning rule, or npos when none applies.
std::size_t NextStart(std::string_view text) {
  if (text.size() >= 2 && text[1] == ':') return 2;
  if (!text.empty() && (text[0] == '\\' || text[0] == '/')) return 1;
  for (const std::string_view parent : {"\\..\\", "\\../", "/../", "/..\\"}) {
    if (const std::size_t at = text.find(parent); at != text.npos) {
      return at + parent.size();
    }
  }
  return std::string_view::npos;
}

}  // namespace

std::string CleanEntryName(const std::string& stored) {
  std::string_view text = stored;
  for (std::size_t skip = NextStart(text); skip != text.npos;
       skip = NextStart(text)) {
    text.remove_prefix(skip);
  }
  return std::string(text);
}

std::uint32_t EntryAttributes(std::uint16_t versionMadeBy,
                              std::uint32_t externalAttributes) {
  const auto host = static_cast<std::uint8_t>(versionMadeBy >> 8);
  for (const std::uint8_t dosHost : kDosHosts) {
    if (host == dosHost) return externalAttributes & kDosAttributeMask;
  }
  std::uint32_t attributes = kArchive;
  if ((externalAttributes & kUnixDirectoryBit) != 0) attributes |= kDirectory;
  if ((externalAttributes & kUnixOwnerWriteBit) == 0) attributes |= kReadOnly;
  return attributes;
}

void ApplyEntryTimesAndAttributes(const ZipEntryInfo& info,
                                  const std::string& path) {
  platform::ApplyFileTimes(path, TimeOrNull(info.creation),
                           TimeOrNull(info.access),
                           TimeOrNull(info.modification));
  platform::ApplyFileAttributes(
      path, info.attributes == 0 ? kNormal : info.attributes);
}
