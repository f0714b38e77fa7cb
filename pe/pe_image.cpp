#include "pe/pe_image.h"

#include <algorithm>

namespace pe {
namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;           // "MZ"
constexpr std::uint32_t kPeSignature = 0x0000'4550u;  // "PE\0\0"
constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kPeOffsetField = 0x3C;
constexpr std::uint64_t kCoffHeaderSize = 20;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kDataDirectorySize = 8;
constexpr std::uint64_t kSubsystemField = 68;  // the same in PE32 and PE32+

// PE32 and PE32+ differ here only in where the data directories start in the
// optional header.
std::optional<std::uint64_t> DataDirectoriesOffset(std::uint16_t magic) {
  if (magic == kPe32Magic) return 96;
  if (magic == kPe32PlusMagic) return 112;
  return std::nullopt;
}

}  // namespace

std::optional<PeImage> PeImage::Open(Bytes image) {
  if (!Fits(image, 0, kDosHeaderSize) || ReadU16(image, 0) != kDosMagic) return std::nullopt;
  const std::uint64_t peOffset = ReadU32(image, kPeOffsetField);
  if (!Fits(image, peOffset, 4 + kCoffHeaderSize) || ReadU32(image, peOffset) != kPeSignature) return std::nullopt;
  const std::uint64_t coffHeader = peOffset + 4;
  PeImage pe(image);
  pe.machine_ = ReadU16(image, coffHeader);
  pe.sectionCount_ = ReadU16(image, coffHeader + 2);
  pe.optionalSize_ = ReadU16(image, coffHeader + 16);
  pe.characteristics_ = ReadU16(image, coffHeader + 18);
  pe.optionalHeader_ = coffHeader + kCoffHeaderSize;
  if (pe.optionalSize_ < 2 || !Fits(image, pe.optionalHeader_, pe.optionalSize_)) return std::nullopt;
  pe.magic_ = ReadU16(image, pe.optionalHeader_);
  const std::optional<std::uint64_t> directories = DataDirectoriesOffset(pe.magic_);
  if (!directories) return std::nullopt;
  pe.directories_ = *directories;
  if (pe.optionalSize_ >= kSubsystemField + 2) pe.subsystem_ = ReadU16(image, pe.optionalHeader_ + kSubsystemField);
  pe.sectionTable_ = pe.optionalHeader_ + pe.optionalSize_;
  if (!Fits(image, pe.sectionTable_, pe.sectionCount_ * kSectionHeaderSize)) return std::nullopt;
  return pe;
}

std::optional<DataDirectory> PeImage::Directory(DataDirectoryIndex index) const {
  const auto number = static_cast<std::uint64_t>(index);
  // The count lies just before the directories; a header too short for it
  // declares none.
  if (optionalSize_ < directories_) return std::nullopt;
  const std::uint64_t declared = ReadU32(image_, optionalHeader_ + directories_ - 4);
  const std::uint64_t entry = directories_ + number * kDataDirectorySize;
  if (declared <= number || entry + kDataDirectorySize > optionalSize_) return std::nullopt;
  const DataDirectory directory{ReadU32(image_, optionalHeader_ + entry), ReadU32(image_, optionalHeader_ + entry + 4)};
  if (directory.rva == 0) return std::nullopt;
  return directory;
}

// Memory past SizeOfRawData is zero-filled by the loader and absent from the
// file, so nothing is read from there.
std::optional<Bytes> PeImage::BytesAtRva(std::uint64_t rva) const {
  for (std::uint64_t index = 0; index < sectionCount_; ++index) {
    const std::uint64_t header = sectionTable_ + index * kSectionHeaderSize;
    const std::uint64_t virtualSize = ReadU32(image_, header + 8);
    const std::uint64_t virtualAddress = ReadU32(image_, header + 12);
    const std::uint64_t rawSize = ReadU32(image_, header + 16);
    const std::uint64_t rawOffset = ReadU32(image_, header + 20);
    const std::uint64_t backedSize = virtualSize == 0 ? rawSize : std::min(virtualSize, rawSize);
    if (rva < virtualAddress || rva - virtualAddress >= backedSize) continue;
    const std::uint64_t offsetInSection = rva - virtualAddress;
    const std::uint64_t fileOffset = rawOffset + offsetInSection;
    if (fileOffset >= image_.size()) return std::nullopt;
    return image_.subspan(fileOffset, std::min(backedSize - offsetInSection, image_.size() - fileOffset));
  }
  return std::nullopt;
}

std::optional<std::string> PeImage::TextAtRva(std::uint64_t rva, std::size_t maxLength) const {
  const std::optional<Bytes> bytes = BytesAtRva(rva);
  if (!bytes) return std::nullopt;
  const Bytes window = bytes->first(std::min<std::size_t>(bytes->size(), maxLength + 1));
  const auto nul = std::ranges::find(window, std::uint8_t{0});
  if (nul == window.end()) return std::nullopt;
  return std::string(window.begin(), nul);
}

}  // namespace pe
