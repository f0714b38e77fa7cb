#pragma once

#include <cstdint>
#include <span>

// Whether `bytes` are the placeholder the authoring tool stores in place of
// a resource it was not given (a splash picture, a help file): the one byte
// "1". Fewer than two bytes carry nothing, so an empty resource is one too.
inline bool IsPlaceholderResource(std::span<const std::uint8_t> bytes) {
  return bytes.size() < 2;
}
