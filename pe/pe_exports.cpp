#include "pe/pe_exports.h"

#include <algorithm>

namespace pe {
namespace {

constexpr std::uint64_t kExportDirectorySize = 40;
constexpr std::uint64_t kNumberOfNamesField = 24;
constexpr std::uint64_t kAddressOfNamesField = 32;
constexpr std::size_t kMaxExportNameLength = 512;
// Each name is bound to a 16-bit ordinal, so no real table holds more.
constexpr std::uint64_t kMaxExportNames = 1u << 16;

}  // namespace

std::vector<std::string> ListPeExportNames(const PeImage& image) {
  const std::optional<DataDirectory> directory = image.Directory(DataDirectoryIndex::kExport);
  if (!directory) return {};
  const std::optional<Bytes> header = image.BytesAtRva(directory->rva);
  if (!header || !Fits(*header, 0, kExportDirectorySize)) return {};
  const std::optional<Bytes> nameTable = image.BytesAtRva(ReadU32(*header, kAddressOfNamesField));
  if (!nameTable) return {};
  const std::uint64_t count = std::min<std::uint64_t>({ReadU32(*header, kNumberOfNamesField), nameTable->size() / 4, kMaxExportNames});
  std::vector<std::string> names;
  names.reserve(count);
  for (std::uint64_t index = 0; index < count; ++index) {
    if (std::optional<std::string> name = image.TextAtRva(ReadU32(*nameTable, index * 4), kMaxExportNameLength)) {
      names.push_back(std::move(*name));
    }
  }
  return names;
}

}  // namespace pe
