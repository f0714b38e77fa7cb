#include "resources/zip/pkware_cipher.h"

#include <zlib.h>

namespace {

// One raw CRC-32 table step. zlib's crc32 inverts the register before and
// after, so both inversions are undone here.
std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
  return ~static_cast<std::uint32_t>(::crc32(~crc & 0xFFFFFFFFu, &byte, 1)) &
         0xFFFFFFFFu;
}

}  // namespace

PkwareCipher::PkwareCipher(std::string_view password) {
  for (const char c : password) UpdateKeys(static_cast<std::uint8_t>(c));
}

void PkwareCipher::UpdateKeys(std::uint8_t plain) {
  keys_[0] = CrcStep(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = CrcStep(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
}

std::uint8_t PkwareCipher::DecryptByte(std::uint8_t cipher) {
  const std::uint32_t temp = (keys_[2] | 2) & 0xFFFF;
  const auto plain =
      static_cast<std::uint8_t>(cipher ^ ((temp * (temp ^ 1)) >> 8));
  UpdateKeys(plain);
  return plain;
}
