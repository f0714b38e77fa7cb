#include "resources/byte_reader.h"

#include <algorithm>
#include <cstring>

#include "bytes/little_endian.h"

ByteReader::ByteReader(std::span<const std::uint8_t> bytes)
    : bytes_(bytes.begin(), bytes.end()) {}

std::uint32_t ByteReader::Remaining() const {
  return static_cast<std::uint32_t>(bytes_.size()) - position_;
}

bool ByteReader::ReadBytes(void* target, std::uint32_t n) {
  // Compared as "more than what is left" so that a huge n cannot wrap the sum
  // of position and n around to a small number.
  if (n > Remaining()) return false;
  if (n > 0) std::memcpy(target, bytes_.data() + position_, n);
  position_ += n;
  return true;
}

bool ByteReader::ReadInt32(std::int32_t& target) {
  std::uint8_t raw[4];
  if (!ReadBytes(raw, sizeof raw)) return false;
  target = static_cast<std::int32_t>(little_endian::Load32(raw));
  return true;
}

bool ByteReader::ReadByte(std::uint8_t& target) { return ReadBytes(&target, 1); }

bool ByteReader::ReadText(std::string& text) {
  const auto start = bytes_.begin() + position_;
  const auto nul = std::find(start, bytes_.end(), std::uint8_t{0});
  if (nul == bytes_.end()) return false;
  text.assign(start, nul);
  position_ += static_cast<std::uint32_t>(nul - start) + 1;
  return true;
}

bool ByteReader::ReadByteArray(std::vector<std::uint8_t>& bytes) {
  const std::uint32_t start = position_;
  std::int32_t count = 0;
  if (!ReadInt32(count) || static_cast<std::uint32_t>(count) > Remaining()) {
    position_ = start;
    return false;
  }
  bytes.assign(bytes_.begin() + position_,
               bytes_.begin() + position_ + static_cast<std::uint32_t>(count));
  position_ += static_cast<std::uint32_t>(count);
  return true;
}
