#include "pe/pe_resources.h"

#include <compare>
#include <utility>

#include "pe/pe_image.h"
#include "pe/pe_resource_tree.h"

namespace pe {
namespace {

using resource_tree::DirectoryEntry;

// A whole walk of the three levels that gives up (nothing, never part) on
// the first thing it cannot read, or when the work it has done passes the
// budgets: kWalkBudget directory entries and name characters, and as many
// data bytes copied as the image holds (a real table stores each resource's
// bytes once; one that adds up to more repeats bytes to blow up memory).
class TableReader {
 public:
  TableReader(const resource_tree::Table& table, std::uint64_t dataBudget) : table_(table), dataBudget_(dataBudget) {}

  std::optional<std::vector<Resource>> ReadAll() {
    std::vector<Resource> resources;
    const std::optional<std::vector<DirectoryEntry>> types = Entries(0);
    if (!types) return std::nullopt;
    for (const DirectoryEntry& typeEntry : *types) {
      const std::optional<ResourceName> type = Key(typeEntry);
      const std::optional<std::vector<DirectoryEntry>> names = Subdirectory(typeEntry);
      if (!type || !names) return std::nullopt;
      for (const DirectoryEntry& nameEntry : *names) {
        const std::optional<ResourceName> name = Key(nameEntry);
        const std::optional<std::vector<DirectoryEntry>> languages = Subdirectory(nameEntry);
        if (!name || !languages) return std::nullopt;
        for (const DirectoryEntry& languageEntry : *languages) {
          // The third level ends in data entries; a language is an id.
          if (languageEntry.LeadsToDirectory() || languageEntry.IsNamed()) return std::nullopt;
          const std::optional<Bytes> data =
              resource_tree::ReadData(table_.image, table_.tree, languageEntry.TargetOffset());
          if (!data || data->size() > dataBudget_) return std::nullopt;
          dataBudget_ -= data->size();
          resources.push_back({*type, *name, languageEntry.Id(), {data->begin(), data->end()}});
        }
      }
    }
    return resources;
  }

 private:
  // Every entry the directory at `offset` claims, or nothing when they do
  // not all lie in the table or pass the budget.
  std::optional<std::vector<DirectoryEntry>> Entries(std::uint64_t offset) {
    resource_tree::Directory directory = resource_tree::ReadDirectory(table_.tree, offset, budget_);
    if (!Fits(table_.tree, offset, resource_tree::kDirectoryHeaderSize) ||
        directory.entries.size() != directory.claimed) {
      return std::nullopt;
    }
    budget_ -= directory.entries.size();
    return std::move(directory.entries);
  }

  std::optional<std::vector<DirectoryEntry>> Subdirectory(const DirectoryEntry& entry) {
    if (!entry.LeadsToDirectory()) return std::nullopt;
    return Entries(entry.TargetOffset());
  }

  std::optional<ResourceName> Key(const DirectoryEntry& entry) {
    if (!entry.IsNamed()) return entry.Id();
    std::optional<std::u16string> name = resource_tree::ReadName(table_.tree, entry.NameOffset());
    if (!name || name->size() > budget_) return std::nullopt;
    budget_ -= name->size();
    return std::move(*name);
  }

  const resource_tree::Table& table_;
  std::uint64_t budget_ = resource_tree::kWalkBudget;
  std::uint64_t dataBudget_;
};

// Names before ids; names by UTF-16 code unit, a prefix first (as
// std::u16string compares); ids ascending.
std::strong_ordering CompareKeys(const ResourceName& left, const ResourceName& right) {
  if (left.index() != right.index()) return right.index() <=> left.index();  // index 1 (name) first
  if (const auto* leftId = std::get_if<std::uint16_t>(&left)) return *leftId <=> std::get<std::uint16_t>(right);
  return std::get<std::u16string>(left).compare(std::get<std::u16string>(right)) <=> 0;
}

}  // namespace

std::optional<std::vector<Resource>> ReadAllResources(Bytes image) {
  const std::optional<PeImage> pe = PeImage::Open(image);
  if (!pe) return std::nullopt;
  bool declared = false;
  const std::optional<resource_tree::Table> table = resource_tree::OpenTable(*pe, &declared);
  if (!declared) return std::vector<Resource>{};
  if (!table) return std::nullopt;
  return TableReader(*table, image.size()).ReadAll();
}

bool ResourceOrderLess(const Resource& left, const Resource& right) {
  if (const auto order = CompareKeys(left.type, right.type); order != 0) return order < 0;
  if (const auto order = CompareKeys(left.name, right.name); order != 0) return order < 0;
  return left.language < right.language;
}

}  // namespace pe
