#include "registry/registry_access.h"

#include <limits>
#include <vector>

#include "bytes/little_endian.h"

namespace {

// advapi32 stays loaded for the life of the process: it is a system DLL the
// process normally has already, and its reference is never given back.
platform::RawModule Advapi32() {
  platform::RawModule module = platform::FindLoadedModule("advapi32.dll");
  return module != nullptr ? module
                           : platform::LoadModule("advapi32.dll",
                                                  platform::LoadAs::kSystemDll);
}

template <typename Function>
Function Bind(platform::RawModule module, const char* name) {
  return module == nullptr
             ? nullptr
             : reinterpret_cast<Function>(platform::FindExport(module, name));
}

}  // namespace

RegistryAccess::RegistryAccess(const std::string& keyPath,
                               platform::RegistryKey root, bool readOnly) {
  const platform::RawModule advapi32 = Advapi32();
  openKey_ = Bind<platform::RegOpenKeyExAFunction>(advapi32, "RegOpenKeyExA");
  createKey_ =
      Bind<platform::RegCreateKeyExAFunction>(advapi32, "RegCreateKeyExA");
  closeKey_ = Bind<platform::RegCloseKeyFunction>(advapi32, "RegCloseKey");
  queryValue_ =
      Bind<platform::RegQueryValueExAFunction>(advapi32, "RegQueryValueExA");
  Open(keyPath, root, readOnly);
}

RegistryAccess::~RegistryAccess() { Close(); }

void RegistryAccess::Close() {
  if (key_ != nullptr) closeKey_(key_);
  key_ = nullptr;
}

bool RegistryAccess::Open(const std::string& keyPath,
                          platform::RegistryKey root, bool readOnly) {
  Close();
  // Without a way to close or read it, an opened key would be of no use.
  if (closeKey_ == nullptr || queryValue_ == nullptr) return false;
  platform::RegistryKey opened = nullptr;
  if (readOnly && openKey_ != nullptr) {
    openKey_(root, keyPath.c_str(), 0, platform::kKeyQueryValue, &opened);
  } else if (!readOnly && createKey_ != nullptr) {
    char noClass[] = "";
    std::uint32_t disposition = 0;
    createKey_(root, keyPath.c_str(), 0, noClass, 0, platform::kKeyAllAccess,
               nullptr, &opened, &disposition);
  }
  key_ = opened;
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
  if (queryValue_(key_, name.c_str(), nullptr, &type, slot, &size) !=
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
  if (queryValue_(key_, name.c_str(), nullptr, &type, nullptr, &size) !=
          platform::kErrorSuccess ||
      size == std::numeric_limits<std::uint32_t>::max()) {
    return false;
  }
  // One zero byte more than the data: the text ends even when the stored
  // data has no terminator of its own.
  std::vector<std::uint8_t> buffer(std::size_t{size} + 1, 0);
  std::uint32_t read = size;
  if (queryValue_(key_, name.c_str(), nullptr, &type, buffer.data(), &read) !=
          platform::kErrorSuccess ||
      buffer[0] == 0) {
    return false;
  }
  text.assign(reinterpret_cast<const char*>(buffer.data()));
  return true;
}
