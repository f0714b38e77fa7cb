#pragma once

// The traditional PKWARE stream cipher: three 32-bit keys stirred with CRC-32
// steps by every plain byte. Decryption only; the launcher never writes
// archives.

#include <cstdint>
#include <string_view>

class PkwareCipher {
 public:
  // Keys set from the password; an empty password keeps the initial keys.
  explicit PkwareCipher(std::string_view password);

  std::uint8_t DecryptByte(std::uint8_t cipher);

 private:
  void UpdateKeys(std::uint8_t plain);

  std::uint32_t keys_[3] = {0x12345678, 0x23456789, 0x34567890};
};
