#pragma once

// Every resource of a PE image as the resource table holds it: type, name
// and language, each type and name an integer id or a UTF-16 name. The
// reader in pe_resource_reader.h answers the launcher's lookups (first
// language, integer ids); this is the whole table, which launcher-pack
// keeps from a stub and writes back with the payload's resources added.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "pe/pe_bytes.h"

namespace pe {

// A resource directory entry's key: an integer id, or a name stored as
// UTF-16 (resource compilers store type names upper-cased).
using ResourceName = std::variant<std::uint16_t, std::u16string>;

// Windows' predefined resource types the launcher's tools write or look for
// (RT_BITMAP, RT_ICON, ...).
namespace resource_type {
inline constexpr std::uint16_t kBitmap = 2;
inline constexpr std::uint16_t kIcon = 3;
inline constexpr std::uint16_t kDialog = 5;
inline constexpr std::uint16_t kIconGroup = 14;
inline constexpr std::uint16_t kManifest = 24;
}  // namespace resource_type

struct Resource {
  ResourceName type;
  ResourceName name;
  std::uint16_t language = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const Resource&) const = default;
};

// Every resource of the image's table, in table order. Empty when the image
// has no resource table; nothing when the image is no PE image or its table
// cannot be read whole (a directory, name or data entry out of bounds, a
// tree deeper than type, name, language, a named language): a damaged table
// is never half-read. Nothing too when the walk passes its budgets, against
// hostile tables whose directories share subdirectories or data: 2^18
// directory entries and name characters, and data adding up to more bytes
// than the image holds.
std::optional<std::vector<Resource>> ReadAllResources(Bytes image);

// Ordered as the loader's binary search over a directory needs: names before
// ids, names by UTF-16 code unit (a shorter name before a longer one it
// starts), ids ascending; then by name, then by language.
bool ResourceOrderLess(const Resource& left, const Resource& right);

}  // namespace pe
