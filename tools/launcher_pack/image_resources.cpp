#include "tools/launcher_pack/image_resources.h"

#include "pe/pe_bytes.h"

namespace {

constexpr std::uint64_t kIconDirectorySize = 6;
constexpr std::uint64_t kIconFileEntrySize = 16;
constexpr std::uint16_t kIconFileType = 1;
constexpr std::uint64_t kBitmapFileHeaderSize = 14;
constexpr std::uint64_t kBitmapInfoHeaderSize = 40;

ConvertedResources Refused(std::string fault) { return {{}, std::move(fault)}; }

}  // namespace

// An .ico entry is the group entry but for its last field: the image's file
// offset, where the group names the icon resource's id.
ConvertedResources IconGroupResources(const std::vector<std::uint8_t>& file, std::uint16_t groupId,
                                      std::uint16_t language) {
  const pe::Bytes bytes(file);
  if (!pe::Fits(bytes, 0, kIconDirectorySize) || pe::ReadU16(bytes, 0) != 0 ||
      pe::ReadU16(bytes, 2) != kIconFileType) {
    return Refused("is not an icon file (.ico)");
  }
  const std::uint16_t count = pe::ReadU16(bytes, 4);
  if (count == 0) return Refused("is an icon file without an image");
  if (!pe::Fits(bytes, kIconDirectorySize, count * kIconFileEntrySize)) {
    return Refused("is an icon file cut short in its directory");
  }
  ConvertedResources converted;
  std::vector<std::uint8_t> group(file.begin(), file.begin() + kIconDirectorySize);
  for (std::uint16_t index = 0; index < count; ++index) {
    const std::uint64_t entry = kIconDirectorySize + index * kIconFileEntrySize;
    const std::uint32_t size = pe::ReadU32(bytes, entry + 8);
    const std::uint32_t offset = pe::ReadU32(bytes, entry + 12);
    if (size == 0 || !pe::Fits(bytes, offset, size)) {
      return Refused("is an icon file whose image " + std::to_string(index + 1) + " lies outside it");
    }
    const auto iconId = static_cast<std::uint16_t>(index + 1);
    group.insert(group.end(), file.begin() + entry, file.begin() + entry + 12);
    group.resize(group.size() + 2);
    pe::PutU16(group, group.size() - 2, iconId);
    converted.resources.push_back(
        {pe::resource_type::kIcon, iconId, language, std::vector<std::uint8_t>(file.begin() + offset, file.begin() + offset + size)});
  }
  converted.resources.push_back({pe::resource_type::kIconGroup, groupId, language, std::move(group)});
  return converted;
}

ConvertedResources BitmapResource(const std::vector<std::uint8_t>& file, std::uint16_t id, std::uint16_t language) {
  if (file.size() < kBitmapFileHeaderSize + kBitmapInfoHeaderSize || file[0] != 'B' || file[1] != 'M') {
    return Refused("is not a bitmap file (.bmp)");
  }
  return {{{pe::resource_type::kBitmap, id, language, std::vector<std::uint8_t>(file.begin() + kBitmapFileHeaderSize, file.end())}},
          {}};
}
