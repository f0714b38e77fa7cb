// Feeds arbitrary bytes to the PE image reader: the resource tree, the export
// names and the import table. Besides crashes and sanitizer reports it checks
// that listing and lookup agree: both walk the same tree with the same rules
// and work budget, so every resource listed under a plain name must be found
// again by that name.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "pe/pe_exports.h"
#include "pe/pe_image.h"
#include "pe/pe_imports.h"
#include "pe/pe_resource_reader.h"
#include "pe/pe_signature.h"

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
  return 0;
}
