#include "pe/pe_resource_reader.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "pe/pe_image.h"

namespace pe {
namespace {

constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint64_t kDataEntrySize = 16;
constexpr std::uint32_t kHighBit = 0x8000'0000u;
// Real images hold a few thousand resources at most, but hostile input can point every type at one
// huge directory or name and make a full walk quadratic. A walk stops after this much work
// (directory entries plus name characters read).
constexpr std::uint64_t kWalkBudget = 1u << 18;

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
    const std::optional<PeImage> pe = PeImage::Open(image);
    if (!pe) return std::nullopt;
    const std::optional<DataDirectory> directory = pe->Directory(DataDirectoryIndex::kResource);
    if (!directory) return std::nullopt;
    // Directory offsets are relative to the tree's start; the end of its section bounds the tree,
    // so the data directory's Size field is not needed.
    const std::optional<Bytes> tree = pe->BytesAtRva(directory->rva);
    if (!tree) return std::nullopt;
    return ResourceTree(*pe, *tree);
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
  ResourceTree(PeImage pe, Bytes tree) : pe_(pe), tree_(tree) {}

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
    const std::optional<Bytes> bytes = pe_.BytesAtRva(ReadU32(tree_, dataEntry));
    // Checked against what the image holds, so a claimed 4 GB is refused before anything is copied.
    if (!bytes || size > bytes->size()) return std::nullopt;
    return bytes->first(size);
  }

  PeImage pe_;
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

}  // namespace pe
