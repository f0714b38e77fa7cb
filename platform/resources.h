#pragma once

// The resources of a loaded module. On Windows: FindResourceA, SizeofResource,
// LoadResource and LockResource.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/modules.h"

namespace platform {

// Finds resource `id` (an integer resource name) of type `typeName` in any
// language and returns a view of its bytes. The view stays valid only while
// `module` stays loaded. nullopt when the resource is missing or cannot be
// loaded or locked; an empty view for a resource of size 0.
std::optional<std::span<const std::uint8_t>> LockResourceBytes(
    RawModule module, std::uint16_t id, const char* typeName);

}  // namespace platform
