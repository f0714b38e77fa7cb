#include "tests/doubles/runtime_module/module_digest.h"

#include <windows.h>

#include <cinttypes>
#include <cstdio>
#include <vector>

#include "tests/support/kernel_handle.h"

namespace module_double {

std::uint64_t Fnv1a64(const std::uint8_t* bytes, std::size_t size,
                      std::uint64_t hash) {
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

std::string Hex64(std::uint64_t value) {
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016" PRIx64, value);
  return hex;
}

std::optional<FileDigest> DigestFile(const std::string& path) {
  const test_support::KernelHandle file(test_support::OwnedFile(::CreateFileA(
      path.c_str(), GENERIC_READ,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr)));
  if (!file) return std::nullopt;
  FileDigest digest;
  std::vector<std::uint8_t> chunk(1 << 20);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), chunk.data(), static_cast<DWORD>(chunk.size()),
                    &read, nullptr)) {
      return std::nullopt;
    }
    if (read == 0) return digest;
    digest.size += read;
    digest.fnv1a64 = Fnv1a64(chunk.data(), read, digest.fnv1a64);
  }
}

}  // namespace module_double
