// Feeds arbitrary bytes to the PE resource reader. Besides crashes and sanitizer reports it checks
// that listing and lookup agree: both walk the same tree with the same rules and work budget, so
// every resource listed under a plain name must be found again by that name.
#include "platform/sim/pe_resource_reader.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> image(data, size);
  for (const sim::PeResourceKey& key : sim::ListPeResources(image)) {
    const auto found = sim::FindPeResource(image, key.type, key.id);
    // A named type spelled "#n" reads as integer type n, as FindResourceA reads it, so only
    // plain names are held to the round trip.
    if (!key.type.starts_with('#') && !found) __builtin_trap();
  }
  // Direct lookups still run the header and tree checks when the listing comes back empty.
  (void)sim::FindPeResource(image, "#24", 1);
  (void)sim::FindPeResource(image, "RUNTIME", 102);
  (void)sim::FindPeResource(image, "#3", 1);
  return 0;
}
