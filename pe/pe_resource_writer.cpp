#include "pe/pe_resource_writer.h"

#include <algorithm>
#include <utility>

#include "pe/pe_image.h"
#include "pe/pe_resource_tree.h"

namespace pe {
namespace {

using resource_tree::kDataEntrySize;
using resource_tree::kDirectoryEntrySize;
using resource_tree::kDirectoryHeaderSize;
using resource_tree::kHighBit;

constexpr std::uint64_t kFourGiB = std::uint64_t{1} << 32;
constexpr std::uint64_t kItemAlignment = 8;
constexpr std::uint64_t kSectionHeaderSize = 40;
// Initialized data, readable.
constexpr std::uint32_t kResourceCharacteristics = 0x4000'0040u;
// Below a page, sections must lie in the file where they lie in memory.
constexpr std::uint64_t kPageSize = 0x1000;
// The PE format's largest file alignment; it also bounds the padding written.
constexpr std::uint64_t kMaxFileAlignment = 0x10000;
// The COFF header's NumberOfSections, from the optional header's start.
constexpr std::uint64_t kNumberOfSectionsBack = 20 - 2;
// Optional header fields, at the same offsets in PE32 and PE32+.
constexpr std::uint64_t kSizeOfInitializedData = 8;
constexpr std::uint64_t kSectionAlignment = 32;
constexpr std::uint64_t kFileAlignment = 36;
constexpr std::uint64_t kSizeOfImage = 56;
constexpr std::uint64_t kSizeOfHeaders = 60;
constexpr std::uint64_t kCheckSum = 64;

using Image = std::vector<std::uint8_t>;

std::uint64_t AlignUp(std::uint64_t value, std::uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

bool IsPowerOfTwo(std::uint64_t value) { return value != 0 && (value & (value - 1)) == 0; }

// A resource section, or why there is none.
struct Section {
  std::uint64_t size = 0;
  std::string refusal;
};

// One level of the tree (types, names or languages): the entries of all its
// directories, directory after directory. Each entry has its key and the
// range of the next level's entries below it; a language entry (no key) has
// its resource's index in the sorted resources.
struct Level {
  struct Entry {
    const ResourceName* key = nullptr;
    std::uint16_t language = 0;
    std::size_t first = 0;
    std::size_t count = 0;
    std::uint64_t nameOffset = 0;    // of its name string, for a named key
    std::uint64_t targetOffset = 0;  // of its subdirectory or data entry
  };
  std::vector<Entry> entries;
};

bool IsNamed(const Level::Entry& entry) { return entry.key && std::holds_alternative<std::u16string>(*entry.key); }

// How many of `level`'s entries [first, first + count) are named.
std::size_t NamedCount(const Level& level, std::size_t first, std::size_t count) {
  const auto begin = level.entries.begin() + static_cast<std::ptrdiff_t>(first);
  return static_cast<std::size_t>(std::count_if(begin, begin + static_cast<std::ptrdiff_t>(count), IsNamed));
}

// Lays the table out and writes it: the directories level by level (each
// directory's named entries first, all in ResourceOrderLess order), the
// names, the data entries, the data.
class SectionBuilder {
 public:
  SectionBuilder(std::span<const Resource> resources, std::uint64_t sectionRva) : sectionRva_(sectionRva) {
    for (const Resource& resource : resources) sorted_.push_back(&resource);
    std::ranges::sort(sorted_,
                      [](const Resource* left, const Resource* right) { return ResourceOrderLess(*left, *right); });
  }

  // Lays the table out: its size, or why it cannot be written.
  Section Build() {
    for (std::size_t index = 1; index < sorted_.size(); ++index) {
      if (!ResourceOrderLess(*sorted_[index - 1], *sorted_[index])) {
        return {0, "has two resources of one type, name and language"};
      }
    }
    Group();
    if (std::string refusal = CheckCounts(); !refusal.empty()) return {0, refusal};
    const std::uint64_t size = Layout();
    if (sectionRva_ + size > kFourGiB) return {0, "would pass 4 GiB"};
    return {size, {}};
  }

  // Writes the table Build laid out at offset `at` of `out`, which holds
  // that many zero bytes there; the image it goes into is written in one
  // buffer, so a payload of tens of MiB is copied once.
  void Write(Image& out, std::uint64_t at) const {
    WriteDirectory(out, at, types_, 0, types_.entries.size());
    for (const Level::Entry& type : types_.entries) {
      WriteDirectory(out, at + type.targetOffset, names_, type.first, type.count);
    }
    for (const Level::Entry& name : names_.entries) {
      WriteDirectory(out, at + name.targetOffset, languages_, name.first, name.count);
    }
    for (const Level* level : {&types_, &names_}) {
      for (const Level::Entry& entry : level->entries) {
        if (!IsNamed(entry)) continue;
        const std::u16string& text = std::get<std::u16string>(*entry.key);
        PutU16(out, at + entry.nameOffset, static_cast<std::uint16_t>(text.size()));
        for (std::size_t unit = 0; unit < text.size(); ++unit) {
          PutU16(out, at + entry.nameOffset + 2 + 2 * unit, text[unit]);
        }
      }
    }
    for (std::size_t index = 0; index < sorted_.size(); ++index) {
      const std::uint64_t entry = at + languages_.entries[index].targetOffset;
      const std::vector<std::uint8_t>& data = sorted_[index]->data;
      PutU32(out, entry, static_cast<std::uint32_t>(sectionRva_ + dataOffsets_[index]));
      PutU32(out, entry + 4, static_cast<std::uint32_t>(data.size()));
      std::ranges::copy(data, out.begin() + static_cast<std::ptrdiff_t>(at + dataOffsets_[index]));
    }
  }

 private:
  void Group() {
    for (std::size_t index = 0; index < sorted_.size(); ++index) {
      const Resource& resource = *sorted_[index];
      const bool newType = index == 0 || sorted_[index - 1]->type != resource.type;
      if (newType) types_.entries.push_back({&resource.type, 0, names_.entries.size(), 0});
      if (newType || sorted_[index - 1]->name != resource.name) {
        names_.entries.push_back({&resource.name, 0, languages_.entries.size(), 0});
        ++types_.entries.back().count;
      }
      languages_.entries.push_back({nullptr, resource.language, index, 1});
      ++names_.entries.back().count;
    }
  }

  // A directory counts its named and its id entries in 16 bits each, a name
  // its length.
  std::string CheckCounts() const {
    const auto tooMany = [](const Level& level, std::size_t first, std::size_t count) {
      const std::size_t named = NamedCount(level, first, count);
      return named > 0xFFFF || count - named > 0xFFFF;
    };
    if (tooMany(types_, 0, types_.entries.size())) return "has more than 65535 resource types of one kind";
    for (const Level::Entry& type : types_.entries) {
      if (tooMany(names_, type.first, type.count)) return "has more than 65535 resource names of one kind in a type";
    }
    for (const Level::Entry& name : names_.entries) {
      if (tooMany(languages_, name.first, name.count)) return "has more than 65535 languages of one resource";
    }
    for (const Level* level : {&types_, &names_}) {
      for (const Level::Entry& entry : level->entries) {
        if (IsNamed(entry) && std::get<std::u16string>(*entry.key).size() > 0xFFFF) {
          return "has a resource name longer than 65535 UTF-16 units";
        }
      }
    }
    return {};
  }

  // Offsets of every item; returns the table's size.
  std::uint64_t Layout() {
    std::uint64_t at = kDirectoryHeaderSize + kDirectoryEntrySize * types_.entries.size();
    for (Level::Entry& type : types_.entries) {
      type.targetOffset = std::exchange(at, at + kDirectoryHeaderSize + kDirectoryEntrySize * type.count);
    }
    for (Level::Entry& name : names_.entries) {
      name.targetOffset = std::exchange(at, at + kDirectoryHeaderSize + kDirectoryEntrySize * name.count);
    }
    for (Level* level : {&types_, &names_}) {
      for (Level::Entry& entry : level->entries) {
        if (IsNamed(entry)) {
          entry.nameOffset = std::exchange(at, at + 2 + 2 * std::get<std::u16string>(*entry.key).size());
        }
      }
    }
    at = AlignUp(at, kItemAlignment);
    for (Level::Entry& language : languages_.entries) language.targetOffset = std::exchange(at, at + kDataEntrySize);
    for (const Resource* resource : sorted_) {
      dataOffsets_.push_back(AlignUp(at, kItemAlignment));
      at = dataOffsets_.back() + resource->data.size();
    }
    return at;
  }

  // The directory at `at` holding `level`'s entries [first, first + count).
  // Sorted names come before ids, so the named entries lead.
  static void WriteDirectory(Image& table, std::uint64_t at, const Level& level, std::size_t first, std::size_t count) {
    const std::size_t named = NamedCount(level, first, count);  // at most 65535 each (CheckCounts)
    PutU16(table, at + 12, static_cast<std::uint16_t>(named));
    PutU16(table, at + 14, static_cast<std::uint16_t>(count - named));
    for (std::size_t index = 0; index < count; ++index) {
      const Level::Entry& entry = level.entries[first + index];
      const std::uint64_t slot = at + kDirectoryHeaderSize + kDirectoryEntrySize * index;
      const bool leaf = entry.key == nullptr;  // a language: its target is a data entry
      const std::uint32_t key = leaf             ? entry.language
                                : IsNamed(entry) ? static_cast<std::uint32_t>(entry.nameOffset) | kHighBit
                                                 : std::get<std::uint16_t>(*entry.key);
      PutU32(table, slot, key);
      PutU32(table, slot + 4, static_cast<std::uint32_t>(entry.targetOffset) | (leaf ? 0 : kHighBit));
    }
  }

  std::uint64_t sectionRva_;
  std::vector<const Resource*> sorted_;
  Level types_, names_, languages_;
  std::vector<std::uint64_t> dataOffsets_;  // per sorted resource
};

// Where the new section goes, or why it cannot.
struct Placement {
  std::uint64_t headerOffset = 0;  // of the new section header
  std::uint64_t rva = 0;
  std::uint64_t fileOffset = 0;
  std::uint64_t sectionAlignment = 0;
  std::uint64_t fileAlignment = 0;
  std::string refusal;
};

Placement Place(Bytes image, const PeImage& pe) {
  Placement place;
  const std::uint64_t optional = pe.OptionalHeaderOffset();
  const std::uint64_t directories = pe.DirectoriesOffset();
  const auto refuse = [&](const char* why) {
    place.refusal = why;
    return place;
  };
  // The optional header holds the fields rewritten here whenever it holds the
  // resource entry, which lies past them.
  const std::uint64_t declared = ReadU32(image, optional + directories - 4);
  const auto hasEntry = [&](DataDirectoryIndex index) {
    const auto number = static_cast<std::uint64_t>(index);
    return declared > number && directories + (number + 1) * 8 <= pe.OptionalHeaderSize();
  };
  if (pe.OptionalHeaderSize() < directories || !hasEntry(DataDirectoryIndex::kResource)) {
    return refuse("has no resource directory entry in its headers");
  }
  const std::uint64_t certificates =
      optional + directories + 8 * static_cast<std::uint64_t>(DataDirectoryIndex::kCertificates);
  if (hasEntry(DataDirectoryIndex::kCertificates) &&
      (ReadU32(image, certificates) != 0 || ReadU32(image, certificates + 4) != 0)) {
    return refuse("is signed (has a certificate table), which the change would break");
  }
  place.sectionAlignment = ReadU32(image, optional + kSectionAlignment);
  place.fileAlignment = ReadU32(image, optional + kFileAlignment);
  if (!IsPowerOfTwo(place.sectionAlignment) || !IsPowerOfTwo(place.fileAlignment) ||
      place.fileAlignment > place.sectionAlignment || place.fileAlignment > kMaxFileAlignment) {
    return refuse(
        "has a section or file alignment the PE format does not allow (powers of two, the file's at most 64 KiB and "
        "at most the section's)");
  }
  if (place.sectionAlignment < kPageSize) return refuse("has a section alignment below 4096 (a low-alignment image)");

  const std::uint64_t sizeOfHeaders = ReadU32(image, optional + kSizeOfHeaders);
  std::uint64_t rawEnd = sizeOfHeaders;
  std::uint64_t firstRaw = sizeOfHeaders;
  std::uint64_t addressEnd = AlignUp(sizeOfHeaders, place.sectionAlignment);
  for (std::uint64_t index = 0; index < pe.SectionCount(); ++index) {
    const std::uint64_t header = pe.SectionTableOffset() + index * kSectionHeaderSize;
    const std::uint64_t virtualSize = ReadU32(image, header + 8);
    const std::uint64_t address = ReadU32(image, header + 12);
    const std::uint64_t rawSize = ReadU32(image, header + 16);
    const std::uint64_t rawOffset = ReadU32(image, header + 20);
    // The loader maps VirtualSize, or SizeOfRawData when that is 0.
    addressEnd =
        std::max(addressEnd, AlignUp(address + (virtualSize != 0 ? virtualSize : rawSize), place.sectionAlignment));
    if (rawSize == 0) continue;
    rawEnd = std::max(rawEnd, rawOffset + rawSize);
    firstRaw = std::min(firstRaw, rawOffset);
  }
  if (rawEnd > image.size()) return refuse("is cut short: its sections run past the end of the file");
  if (rawEnd < image.size()) return refuse("has data after its last section (an overlay the new section would bury)");
  place.headerOffset = pe.SectionTableOffset() + std::uint64_t{pe.SectionCount()} * kSectionHeaderSize;
  const bool room = pe.SectionCount() < 0xFFFF && place.headerOffset + kSectionHeaderSize <= firstRaw &&
                    Fits(image, place.headerOffset, kSectionHeaderSize) &&
                    std::ranges::all_of(image.subspan(place.headerOffset, kSectionHeaderSize),
                                        [](std::uint8_t byte) { return byte == 0; });
  if (!room) return refuse("has no room in its headers for one more section header");
  place.rva = addressEnd;
  place.fileOffset = AlignUp(image.size(), place.fileAlignment);
  return place;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildResourceSection(std::span<const Resource> resources,
                                                              std::uint32_t sectionRva) {
  SectionBuilder builder(resources, sectionRva);
  const Section section = builder.Build();
  if (!section.refusal.empty()) return std::nullopt;
  Image table(section.size, 0);
  builder.Write(table, 0);
  return table;
}

ImageWithResources WithResourceTable(Bytes image, std::span<const Resource> resources) {
  const std::optional<PeImage> pe = PeImage::Open(image);
  if (!pe) return {{}, "is not a PE image"};
  const Placement place = Place(image, *pe);
  if (!place.refusal.empty()) return {{}, place.refusal};
  SectionBuilder builder(resources, place.rva);
  const Section section = builder.Build();
  if (!section.refusal.empty()) return {{}, section.refusal};
  const std::uint64_t tableSize = section.size;
  const std::uint64_t rawSize = AlignUp(tableSize, place.fileAlignment);
  const std::uint64_t imageSize = AlignUp(place.rva + tableSize, place.sectionAlignment);
  if (place.fileOffset + rawSize > kFourGiB - 1 || imageSize > kFourGiB - 1) return {{}, "would pass 4 GiB"};

  Image out(place.fileOffset + rawSize, 0);
  std::ranges::copy(image, out.begin());
  builder.Write(out, place.fileOffset);

  const std::uint64_t header = place.headerOffset;
  static constexpr char kName[8] = ".rsrc";
  std::ranges::copy(kName, out.begin() + static_cast<std::ptrdiff_t>(header));
  PutU32(out, header + 8, static_cast<std::uint32_t>(tableSize));
  PutU32(out, header + 12, static_cast<std::uint32_t>(place.rva));
  PutU32(out, header + 16, static_cast<std::uint32_t>(rawSize));
  PutU32(out, header + 20, static_cast<std::uint32_t>(place.fileOffset));
  PutU32(out, header + 36, kResourceCharacteristics);

  const std::uint64_t optional = pe->OptionalHeaderOffset();
  PutU16(out, optional - kNumberOfSectionsBack, static_cast<std::uint16_t>(pe->SectionCount() + 1));
  PutU32(out, optional + kSizeOfImage, static_cast<std::uint32_t>(imageSize));
  PutU32(out, optional + kSizeOfInitializedData,
         static_cast<std::uint32_t>(ReadU32(image, optional + kSizeOfInitializedData) + rawSize));
  const std::uint64_t resourceEntry =
      optional + pe->DirectoriesOffset() + 8 * static_cast<std::uint64_t>(DataDirectoryIndex::kResource);
  PutU32(out, resourceEntry, static_cast<std::uint32_t>(place.rva));
  PutU32(out, resourceEntry + 4, static_cast<std::uint32_t>(tableSize));
  PutU32(out, optional + kCheckSum, ImageChecksum(out));
  return {std::move(out), {}};
}

std::uint32_t ImageChecksum(Bytes image) {
  // The checksum field counts as zero; without PE headers there is none.
  std::uint64_t field = image.size();
  if (const std::optional<PeImage> pe = PeImage::Open(image); pe && pe->OptionalHeaderSize() >= kCheckSum + 4) {
    field = pe->OptionalHeaderOffset() + kCheckSum;
  }
  // An odd last byte counts as a word whose high byte is zero.
  const auto byteAt = [&](std::uint64_t at) -> std::uint32_t {
    return at >= image.size() || (at >= field && at - field < 4) ? 0 : image[at];
  };
  std::uint32_t sum = 0;
  for (std::uint64_t at = 0; at < image.size(); at += 2) {
    sum += byteAt(at) | byteAt(at + 1) << 8;
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  return static_cast<std::uint32_t>(sum + image.size());
}

}  // namespace pe
