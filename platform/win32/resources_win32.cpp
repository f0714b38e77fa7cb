#include <windows.h>

#include "platform/resources.h"

namespace platform {

std::optional<std::span<const std::uint8_t>> LockResourceBytes(
    RawModule module, std::uint16_t id, const char* typeName) {
  const auto handle = reinterpret_cast<HMODULE>(module);
  HRSRC found = ::FindResourceA(handle, MAKEINTRESOURCEA(id), typeName);
  if (found == nullptr) return std::nullopt;
  const DWORD size = ::SizeofResource(handle, found);
  HGLOBAL loaded = ::LoadResource(handle, found);
  if (loaded == nullptr) return std::nullopt;
  const void* data = ::LockResource(loaded);
  if (data == nullptr) return std::nullopt;
  return std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data),
                                       size);
}

}  // namespace platform
