#include "pe/pe_imports.h"

namespace pe {
namespace {

constexpr std::uint64_t kImportDescriptorSize = 20;
constexpr std::uint64_t kNameField = 12;
// Longer than any DLL file name Windows accepts.
constexpr std::size_t kMaxDllNameLength = 260;

}  // namespace

PeImports ListPeImports(const PeImage& image) {
  PeImports imports;
  const std::optional<DataDirectory> directory = image.Directory(DataDirectoryIndex::kImport);
  if (!directory) {
    imports.complete = true;
    return imports;
  }
  const std::optional<Bytes> table = image.BytesAtRva(directory->rva);
  if (!table) return imports;
  // The section's data bounds the walk: each step reads a descriptor that
  // lies within it.
  for (std::uint64_t at = 0; Fits(*table, at, kImportDescriptorSize); at += kImportDescriptorSize) {
    const std::uint32_t nameRva = ReadU32(*table, at + kNameField);
    if (nameRva == 0) {
      imports.complete = true;
      return imports;
    }
    std::optional<std::string> name = image.TextAtRva(nameRva, kMaxDllNameLength);
    if (!name) return imports;
    imports.dlls.push_back(std::move(*name));
  }
  return imports;
}

}  // namespace pe
