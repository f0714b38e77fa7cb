// Feeds arbitrary bytes to the PE image reader: the resource tree, the export
// names and the import table. Besides crashes and sanitizer reports it checks
// that listing and lookup agree: both walk the same tree with the same rules
// and work budget, so every resource listed under a plain name must be found
// again by that name. And that the writer keeps what the whole-table reader
// read: a table read whole and written back into the image, when the writer
// accepts the image, reads back as exactly those resources in the loader's
// order.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "pe/pe_exports.h"
#include "pe/pe_image.h"
#include "pe/pe_imports.h"
#include "pe/pe_resource_reader.h"
#include "pe/pe_resource_writer.h"
#include "pe/pe_resources.h"
#include "pe/pe_signature.h"

namespace {

void CheckRewrite(std::span<const std::uint8_t> image) {
  std::optional<std::vector<pe::Resource>> resources = pe::ReadAllResources(image);
  if (!resources || resources->empty()) return;
  const pe::ImageWithResources written = pe::WithResourceTable(image, *resources);
  if (written.image.empty()) return;
  std::ranges::sort(*resources, pe::ResourceOrderLess);
  if (pe::ReadAllResources(written.image) != resources) __builtin_trap();
}

// The seeds, like most inputs, leave the section and file alignments and
// SizeOfHeaders 0, which the writer refuses; the same bytes with a linker's
// values there (SizeOfHeaders up to the first section's data) reach it too.
std::vector<std::uint8_t> WithLinkerLayout(std::span<const std::uint8_t> image) {
  const std::optional<pe::PeImage> headers = pe::PeImage::Open(image);
  if (!headers || headers->SectionCount() == 0 || headers->OptionalHeaderSize() < 64) return {};
  std::vector<std::uint8_t> copy(image.begin(), image.end());
  const auto put = [&](std::uint64_t at, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) copy[at++] = static_cast<std::uint8_t>(value >> shift);
  };
  const std::uint64_t optional = headers->OptionalHeaderOffset();
  put(optional + 32, 0x1000);
  put(optional + 36, 0x200);
  put(optional + 60, pe::ReadU32(image, headers->SectionTableOffset() + 20));
  return copy;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> image(data, size);
  for (const pe::PeResourceKey& key : pe::ListPeResources(image)) {
    const auto found = pe::FindPeResource(image, key.type, key.id);
    // A named type spelled "#n" reads as integer type n, as FindResourceA reads it, so only
    // plain names are held to the round trip.
    if (!key.type.starts_with('#') && !found) __builtin_trap();
  }
  // Direct lookups still run the header and tree checks when the listing comes back empty.
  (void)pe::FindPeResource(image, "#24", 1);
  (void)pe::FindPeResource(image, "RUNTIME", 102);
  (void)pe::FindPeResource(image, "#3", 1);
  if (const std::optional<pe::PeImage> headers = pe::PeImage::Open(image)) {
    (void)pe::ListPeExportNames(*headers);
    (void)pe::ListPeImports(*headers);
    (void)pe::ReadSignature(image, *headers);
  }
  CheckRewrite(image);
  CheckRewrite(WithLinkerLayout(image));
  return 0;
}
