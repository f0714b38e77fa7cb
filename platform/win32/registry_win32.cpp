#include <windows.h>
#include <shlwapi.h>

#include "platform/registry_api.h"

namespace platform {

std::int32_t DeleteKeyTree(RegistryKey root, const std::string& subKey) {
  return static_cast<std::int32_t>(
      ::SHDeleteKeyA(static_cast<HKEY>(root), subKey.c_str()));
}

}  // namespace platform
