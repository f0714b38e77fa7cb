#pragma once

// The little-endian words of the file formats and registry data the launcher
// reads and writes: PE headers and resources, ZIP records, the splash data
// resource, REG_DWORD values. Plain bytes, no operating system, so every
// layer may use it, the PE reader included. The caller has checked that the
// bytes are there: bounds belong to the reader that knows its buffer.

#include <cstdint>

namespace little_endian {

constexpr std::uint16_t Load16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

constexpr std::uint32_t Load32(const std::uint8_t* bytes) {
  return Load16(bytes) | std::uint32_t{Load16(bytes + 2)} << 16;
}

constexpr void Store16(std::uint8_t* bytes, std::uint16_t value) {
  bytes[0] = static_cast<std::uint8_t>(value);
  bytes[1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr void Store32(std::uint8_t* bytes, std::uint32_t value) {
  Store16(bytes, static_cast<std::uint16_t>(value));
  Store16(bytes + 2, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace little_endian
