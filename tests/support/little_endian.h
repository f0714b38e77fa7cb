#pragma once

// Little-endian words written into byte images that tests build by hand,
// growing the image when a word lands past its end.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "bytes/little_endian.h"

inline void PutU16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  if (bytes.size() < at + 2) bytes.resize(at + 2);
  little_endian::Store16(bytes.data() + at, value);
}

inline void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  if (bytes.size() < at + 4) bytes.resize(at + 4);
  little_endian::Store32(bytes.data() + at, value);
}
