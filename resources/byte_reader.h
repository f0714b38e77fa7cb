#pragma once

// A reader over a byte buffer of its own, for the small records carried in the
// executable's resources. The bytes come from a file that may be damaged, so
// every read is all or nothing: a read that does not fit in the bytes left
// changes neither its target nor the position.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class ByteReader {
 public:
  explicit ByteReader(std::span<const std::uint8_t> bytes);

  // Copies the next `n` bytes to `target`.
  bool ReadBytes(void* target, std::uint32_t n);
  // The next four bytes as a little-endian 32-bit word.
  bool ReadInt32(std::int32_t& target);
  bool ReadByte(std::uint8_t& target);
  // Text up to the next NUL, which must lie within the buffer; the position
  // moves past the NUL. Without a NUL nothing is read.
  bool ReadText(std::string& text);
  // A 32-bit little-endian count followed by that many bytes. A count larger
  // than the bytes that follow reads nothing (and allocates nothing).
  bool ReadByteArray(std::vector<std::uint8_t>& bytes);

  std::uint32_t Position() const { return position_; }

 private:
  std::uint32_t Remaining() const;

  std::vector<std::uint8_t> bytes_;
  std::uint32_t position_ = 0;
};
