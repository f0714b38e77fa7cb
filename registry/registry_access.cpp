#include "registry/registry_access.h"

#include <limits>
#include <vector>

#include "bytes/little_endian.h"

RegistryAccess::RegistryAccess(const std::string& keyPath,
                               platform::RegistryKey root) {
  Open(keyPath, root);
}

RegistryAccess::~RegistryAccess() { Close(); }

void RegistryAccess::Close() {
  if (key_ != nullptr) registry_.closeKey(key_);
  key_ = nullptr;
}

bool RegistryAccess::Open(const std::string& keyPath,
                          platform::RegistryKey root) {
  Close();
  // Without a way to close or read it, an opened key would be of no use.
  if (registry_.openKey == nullptr || registry_.closeKey == nullptr ||
      registry_.queryValue == nullptr) {
    openError_ = platform::kErrorProcNotFound;
    return false;
  }
  platform::RegistryKey opened = nullptr;
  openError_ = registry_.openKey(root, keyPath.c_str(), 0,
                                 platform::kKeyQueryValue, &opened);
  if (openError_ == platform::kErrorSuccess) key_ = opened;
  return IsOpen();
}

std::int32_t RegistryAccess::QueryDword(const std::string& name,
                                        std::int32_t defaultValue) {
  if (!IsOpen()) return 0;
  std::uint8_t slot[4];
  std::uint32_t type = 0;
  std::uint32_t size = sizeof slot;
  // After ERROR_MORE_DATA, or with fewer bytes, the slot holds nothing
  // meaningful.
  if (registry_.queryValue(key_, name.c_str(), nullptr, &type, slot, &size) !=
          platform::kErrorSuccess ||
      size != sizeof slot) {
    return defaultValue;
  }
  return static_cast<std::int32_t>(little_endian::Load32(slot));
}

bool RegistryAccess::QueryString(const std::string& name, std::string& text) {
  if (!IsOpen()) return false;
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (registry_.queryValue(key_, name.c_str(), nullptr, &type, nullptr,
                           &size) != platform::kErrorSuccess ||
      size == std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  // One zero byte more than the data: the text ends even when the stored
  // data has no terminator of its own.
  std::vector<std::uint8_t> buffer(std::size_t{size} + 1, 0);
  std::uint32_t read = size;
  if (registry_.queryValue(key_, name.c_str(), nullptr, &type, buffer.data(),
                           &read) != platform::kErrorSuccess ||
      buffer[0] == 0) {
    return false;
  }
  text.assign(reinterpret_cast<const char*>(buffer.data()));
  return true;
}
