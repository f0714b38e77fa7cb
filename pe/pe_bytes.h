#pragma once

// Bounded little-endian reads over the bytes of a PE file, which may be
// damaged or hostile: every read is checked against the bytes it reads
// from, with 64-bit arithmetic so that offset + length cannot wrap. And the
// writes of the same words into bytes the writer has laid out itself.

#include <cstdint>
#include <span>
#include <vector>

#include "bytes/little_endian.h"

namespace pe {

using Bytes = std::span<const std::uint8_t>;

inline bool Fits(Bytes bytes, std::uint64_t offset, std::uint64_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

// Out-of-range reads yield 0 rather than touching memory; callers check Fits
// first, so this is a backstop.
inline std::uint16_t ReadU16(Bytes bytes, std::uint64_t offset) {
  if (!Fits(bytes, offset, 2)) return 0;
  return little_endian::Load16(bytes.data() + offset);
}

inline std::uint32_t ReadU32(Bytes bytes, std::uint64_t offset) {
  return ReadU16(bytes, offset) | std::uint32_t{ReadU16(bytes, offset + 2)} << 16;
}

// Writes into bytes already sized to hold the word at `at`.
inline void PutU16(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint16_t value) {
  little_endian::Store16(bytes.data() + at, value);
}

inline void PutU32(std::vector<std::uint8_t>& bytes, std::uint64_t at, std::uint32_t value) {
  little_endian::Store32(bytes.data() + at, value);
}

}  // namespace pe
