#include "platform/sim/pe_resource_reader.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace sim {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint16_t kDosMagic = 0x5A4D;           // "MZ"
constexpr std::uint32_t kPeSignature = 0x0000'4550u;  // "PE\0\0"
constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint64_t kDosHeaderSize = 64;
constexpr std::uint64_t kPeOffsetField = 0x3C;
constexpr std::uint64_t kCoffHeaderSize = 20;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kDataDirectorySize = 8;
constexpr std::uint64_t kResourceTableIndex = 2;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x8000'0000u;
// Real images hold a few thousand resources at most, but hostile input can point every type at one
// huge directory or name and make a full walk quadratic. A walk stops after this much work
// (directory entries plus name characters read).
constexpr std::uint64_t kWalkBudget = 1u << 18;

// Every read is preceded by this check; 64-bit arithmetic keeps offset + length from wrapping.
bool Fits(Bytes bytes, std::uint64_t offset, std::uint64_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

// Out-of-range reads yield 0 rather than touching memory; callers check Fits first, so this is a backstop.
std::uint16_t ReadU16(Bytes bytes, std::uint64_t offset) {
  if (!Fits(bytes, offset, 2)) return 0;
  return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

std::uint32_t ReadU32(Bytes bytes, std::uint64_t offset) {
  return ReadU16(bytes, offset) | std::uint32_t{ReadU16(bytes, offset + 2)} << 16;
}

// What the resource lookup needs from the headers: where the section table is and where the tree starts.
struct PeLayout {
  std::uint64_t sectionTableOffset = 0;
  std::uint16_t sectionCount = 0;
  std::uint32_t resourceRva = 0;
};

// For this reader PE32 and PE32+ differ only in where the data directories start in the optional header.
std::optional<std::uint64_t> DataDirectoriesOffset(std::uint16_t optionalHeaderMagic) {
  if (optionalHeaderMagic == kPe32Magic) return 96;
  if (optionalHeaderMagic == kPe32PlusMagic) return 112;
  return std::nullopt;
}

std::optional<PeLayout> ReadLayout(Bytes image) {
  if (!Fits(image, 0, kDosHeaderSize) || ReadU16(image, 0) != kDosMagic) return std::nullopt;
  const std::uint64_t peOffset = ReadU32(image, kPeOffsetField);
  if (!Fits(image, peOffset, 4 + kCoffHeaderSize) || ReadU32(image, peOffset) != kPeSignature) return std::nullopt;
  const std::uint64_t coffHeader = peOffset + 4;
  const std::uint16_t sectionCount = ReadU16(image, coffHeader + 2);
  const std::uint64_t optionalSize = ReadU16(image, coffHeader + 16);
  const std::uint64_t optionalHeader = coffHeader + kCoffHeaderSize;
  if (optionalSize < 2 || !Fits(image, optionalHeader, optionalSize)) return std::nullopt;

  const std::optional<std::uint64_t> directories = DataDirectoriesOffset(ReadU16(image, optionalHeader));
  if (!directories) return std::nullopt;
  const std::uint64_t directoryCount = ReadU32(image, optionalHeader + *directories - 4);
  const std::uint64_t resourceEntry = *directories + kResourceTableIndex * kDataDirectorySize;
  // The entry counts only if the header both declares it and has room for it.
  if (directoryCount <= kResourceTableIndex || resourceEntry + kDataDirectorySize > optionalSize) return std::nullopt;

  const PeLayout layout{optionalHeader + optionalSize, sectionCount, ReadU32(image, optionalHeader + resourceEntry)};
  if (layout.resourceRva == 0) return std::nullopt;
  if (!Fits(image, layout.sectionTableOffset, sectionCount * kSectionHeaderSize)) return std::nullopt;
  return layout;
}

// The bytes from `rva` to the end of the file-backed part of the section holding it. Memory past
// SizeOfRawData is zero-filled by the loader and absent from the file, so nothing is read from there.
std::optional<Bytes> BytesAtRva(Bytes image, const PeLayout& layout, std::uint64_t rva) {
  for (std::uint64_t index = 0; index < layout.sectionCount; ++index) {
    const std::uint64_t header = layout.sectionTableOffset + index * kSectionHeaderSize;
    const std::uint64_t virtualSize = ReadU32(image, header + 8);
    const std::uint64_t virtualAddress = ReadU32(image, header + 12);
    const std::uint64_t rawSize = ReadU32(image, header + 16);
    const std::uint64_t rawOffset = ReadU32(image, header + 20);
    const std::uint64_t backedSize = virtualSize == 0 ? rawSize : std::min(virtualSize, rawSize);
    if (rva < virtualAddress || rva - virtualAddress >= backedSize) continue;
    const std::uint64_t offsetInSection = rva - virtualAddress;
    const std::uint64_t fileOffset = rawOffset + offsetInSection;
    if (fileOffset >= image.size()) return std::nullopt;
    return image.subspan(fileOffset, std::min(backedSize - offsetInSection, image.size() - fileOffset));
  }
  return std::nullopt;
}

struct DirectoryEntry {
  std::uint32_t name;    // high bit set: offset of a length-prefixed UTF-16 name; clear: an integer id
  std::uint32_t target;  // high bit set: offset of a subdirectory; clear: offset of a data entry
  bool IsNamed() const { return (name & kHighBit) != 0; }
  bool LeadsToDirectory() const { return (target & kHighBit) != 0; }
  std::uint16_t Id() const { return static_cast<std::uint16_t>(name); }
  std::uint64_t NameOffset() const { return name & ~kHighBit; }
  std::uint64_t TargetOffset() const { return target & ~kHighBit; }
};

char ToUpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringAsciiCase(std::string_view left, std::string_view right) {
  return std::ranges::equal(left, right, [](char a, char b) { return ToUpperAscii(a) == ToUpperAscii(b); });
}

class ResourceTree {
 public:
  static std::optional<ResourceTree> Open(Bytes image) {
    const std::optional<PeLayout> layout = ReadLayout(image);
    if (!layout) return std::nullopt;
    // Directory offsets are relative to the tree's start; the end of its section bounds the tree,
    // so the data directory's Size field is not needed.
    const std::optional<Bytes> tree = BytesAtRva(image, *layout, layout->resourceRva);
    if (!tree) return std::nullopt;
    return ResourceTree(image, *layout, *tree);
  }

  // Visits (type label, id, bytes) for each id entry whose first language leads to bytes inside the
  // image, in directory order, until `visit` returns false or kWalkBudget is spent. Exactly three
  // levels are descended, so offsets pointing back up the tree cannot loop.
  template <typename AcceptType, typename AcceptId, typename Visit>
  void Walk(AcceptType acceptType, AcceptId acceptId, Visit visit) const {
    std::uint64_t budget = kWalkBudget;
    const std::vector<DirectoryEntry> types = ReadDirectory(0, budget);
    budget -= types.size();
    for (const DirectoryEntry& type : types) {
      if (!type.LeadsToDirectory()) continue;
      const std::optional<std::string> label = TypeLabel(type);
      if (!label) continue;
      if (label->size() > budget) return;
      budget -= label->size();
      if (!acceptType(type, *label)) continue;
      const std::vector<DirectoryEntry> ids = ReadDirectory(type.TargetOffset(), budget);
      budget -= ids.size();
      for (const DirectoryEntry& idEntry : ids) {
        // Resources named by string have no id, so they cannot be asked for here.
        if (idEntry.IsNamed() || !acceptId(idEntry.Id())) continue;
        const std::optional<Bytes> data = FirstLanguageData(idEntry);
        if (data && !visit(*label, idEntry.Id(), *data)) return;
      }
    }
  }

 private:
  ResourceTree(Bytes image, PeLayout layout, Bytes tree) : image_(image), layout_(layout), tree_(tree) {}

  // The count a directory header claims is cut to the entries that fit in the tree, so a lying
  // header can neither send reads past the end nor size an allocation.
  std::vector<DirectoryEntry> ReadDirectory(std::uint64_t offset, std::uint64_t limit) const {
    if (!Fits(tree_, offset, kDirectoryHeaderSize)) return {};
    const std::uint64_t claimed = std::uint64_t{ReadU16(tree_, offset + 12)} + ReadU16(tree_, offset + 14);
    const std::uint64_t first = offset + kDirectoryHeaderSize;
    const std::uint64_t count = std::min({claimed, limit, (tree_.size() - first) / kDirectoryEntrySize});
    std::vector<DirectoryEntry> entries;
    entries.reserve(count);
    for (std::uint64_t at = first; at < first + count * kDirectoryEntrySize; at += kDirectoryEntrySize) {
      entries.push_back({ReadU32(tree_, at), ReadU32(tree_, at + 4)});
    }
    return entries;
  }

  // Integer types read "#n" as FindResourceA spells them. Names are narrowed to ASCII; other
  // UTF-16 units become '?' since callers only ever name resources in ASCII.
  std::optional<std::string> TypeLabel(const DirectoryEntry& type) const {
    if (!type.IsNamed()) return "#" + std::to_string(type.Id());
    const std::uint64_t offset = type.NameOffset();
    if (!Fits(tree_, offset, 2)) return std::nullopt;
    const std::uint64_t length = ReadU16(tree_, offset);
    if (!Fits(tree_, offset + 2, length * 2)) return std::nullopt;
    std::string label;
    label.reserve(length);
    for (std::uint64_t unit = 0; unit < length; ++unit) {
      const std::uint16_t code = ReadU16(tree_, offset + 2 + unit * 2);
      label.push_back(code < 0x80 ? static_cast<char>(code) : '?');
    }
    return label;
  }

  std::optional<Bytes> FirstLanguageData(const DirectoryEntry& idEntry) const {
    if (!idEntry.LeadsToDirectory()) return std::nullopt;
    const std::vector<DirectoryEntry> languages = ReadDirectory(idEntry.TargetOffset(), 1);
    // The third level must end in a data entry; anything deeper is a loop or garbage.
    if (languages.empty() || languages.front().LeadsToDirectory()) return std::nullopt;
    const std::uint64_t dataEntry = languages.front().TargetOffset();
    if (!Fits(tree_, dataEntry, kDataEntrySize)) return std::nullopt;
    const std::uint64_t size = ReadU32(tree_, dataEntry + 4);
    if (size == 0) return Bytes{};  // nothing to read, so wherever it points is harmless
    const std::optional<Bytes> bytes = BytesAtRva(image_, layout_, ReadU32(tree_, dataEntry));
    // Checked against what the image holds, so a claimed 4 GB is refused before anything is copied.
    if (!bytes || size > bytes->size()) return std::nullopt;
    return bytes->first(size);
  }

  Bytes image_;
  PeLayout layout_;
  Bytes tree_;
};

// FindResourceA reads "#<decimal>" as an integer type and any other text as a type name.
struct TypeQuery {
  std::optional<std::uint16_t> id;
  std::string name;
};

std::optional<TypeQuery> ParseTypeQuery(const std::string& typeName) {
  if (!typeName.starts_with('#')) return TypeQuery{std::nullopt, typeName};
  const char* const end = typeName.data() + typeName.size();
  std::uint16_t id = 0;
  const auto [stop, error] = std::from_chars(typeName.data() + 1, end, id);
  if (error != std::errc{} || stop != end) return std::nullopt;
  return TypeQuery{id, {}};
}

}  // namespace

std::optional<std::vector<std::uint8_t>> FindPeResource(std::span<const std::uint8_t> image, const std::string& typeName,
                                                        std::uint16_t id) {
  const std::optional<TypeQuery> query = ParseTypeQuery(typeName);
  const std::optional<ResourceTree> tree = ResourceTree::Open(image);
  if (!query || !tree) return std::nullopt;
  std::optional<std::vector<std::uint8_t>> found;
  // Duplicate entries only occur in damaged files; the first that leads to readable bytes wins.
  tree->Walk(
      [&](const DirectoryEntry& type, const std::string& label) {
        if (query->id) return !type.IsNamed() && type.Id() == *query->id;
        return type.IsNamed() && EqualsIgnoringAsciiCase(label, query->name);
      },
      [&](std::uint16_t entryId) { return entryId == id; },
      [&](const std::string&, std::uint16_t, Bytes data) {
        found.emplace(data.begin(), data.end());
        return false;
      });
  return found;
}

std::vector<PeResourceKey> ListPeResources(std::span<const std::uint8_t> image) {
  const std::optional<ResourceTree> tree = ResourceTree::Open(image);
  if (!tree) return {};
  std::vector<PeResourceKey> keys;
  tree->Walk([](const DirectoryEntry&, const std::string&) { return true; }, [](std::uint16_t) { return true; },
             [&](const std::string& label, std::uint16_t id, Bytes data) {
               keys.push_back({label, id, static_cast<std::uint32_t>(data.size())});
               return true;
             });
  return keys;
}

}  // namespace sim
