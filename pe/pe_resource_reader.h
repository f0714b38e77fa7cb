#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>
namespace pe {
// Resource name as stored in a PE resource directory: either an integer id or a
// name string (PE stores names as UTF-16; we compare them to narrow ASCII text case-insensitively,
// as FindResourceA does for names given as strings; Windows upper-cases custom type names when stored).
// Looks up resource (typeName, id) in any language; returns a copy of its bytes, or nullopt when the image is not a PE
// file, has no resource directory, or has no such resource. typeName may also be "#<number>" meaning integer type
// (e.g. "#24" for RT_MANIFEST, "#3" RT_ICON) as FindResourceA accepts.
std::optional<std::vector<std::uint8_t>> FindPeResource(std::span<const std::uint8_t> image, const std::string& typeName, std::uint16_t id);
// Every (type, id) pair present, for tests that want to list a file's resources: type as text (named types as their name, integer types as "#n").
struct PeResourceKey { std::string type; std::uint16_t id; std::uint32_t size; };
std::vector<PeResourceKey> ListPeResources(std::span<const std::uint8_t> image);
}  // namespace pe
