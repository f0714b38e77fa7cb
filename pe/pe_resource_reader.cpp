#include "pe/pe_resource_reader.h"

#include <charconv>
#include <string_view>

#include "ascii/ascii_case.h"
#include "pe/pe_image.h"
#include "pe/pe_resource_tree.h"

namespace pe {
namespace {

using resource_tree::DirectoryEntry;
using resource_tree::kWalkBudget;

class ResourceTree {
 public:
  static std::optional<ResourceTree> Open(Bytes image) {
    const std::optional<PeImage> pe = PeImage::Open(image);
    if (!pe) return std::nullopt;
    std::optional<resource_tree::Table> table = resource_tree::OpenTable(*pe);
    if (!table) return std::nullopt;
    return ResourceTree(std::move(*table));
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
  explicit ResourceTree(resource_tree::Table table) : pe_(table.image), tree_(table.tree) {}

  std::vector<DirectoryEntry> ReadDirectory(std::uint64_t offset, std::uint64_t limit) const {
    return resource_tree::ReadDirectory(tree_, offset, limit).entries;
  }

  // Integer types read "#n" as FindResourceA spells them. Names are narrowed to ASCII; other
  // UTF-16 units become '?' since callers only ever name resources in ASCII.
  std::optional<std::string> TypeLabel(const DirectoryEntry& type) const {
    if (!type.IsNamed()) return "#" + std::to_string(type.Id());
    const std::optional<std::u16string> name = resource_tree::ReadName(tree_, type.NameOffset());
    if (!name) return std::nullopt;
    std::string label;
    label.reserve(name->size());
    for (const char16_t code : *name) label.push_back(code < 0x80 ? static_cast<char>(code) : '?');
    return label;
  }

  std::optional<Bytes> FirstLanguageData(const DirectoryEntry& idEntry) const {
    if (!idEntry.LeadsToDirectory()) return std::nullopt;
    const std::vector<DirectoryEntry> languages = ReadDirectory(idEntry.TargetOffset(), 1);
    // The third level must end in a data entry; anything deeper is a loop or garbage.
    if (languages.empty() || languages.front().LeadsToDirectory()) return std::nullopt;
    return resource_tree::ReadData(pe_, tree_, languages.front().TargetOffset());
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
