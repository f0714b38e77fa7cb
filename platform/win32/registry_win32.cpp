#include <windows.h>
#include <shlwapi.h>

#include "platform/registry_api.h"

namespace platform {

namespace {

// advapi32 stays loaded for the life of the process: it is a system DLL the
// process normally has already, and its reference is never given back.
RawModule Advapi32() {
  const RawModule loaded = FindLoadedModule("advapi32.dll");
  return loaded != nullptr ? loaded
                           : LoadModule("advapi32.dll", LoadAs::kSystemDll);
}

}  // namespace

const RegistryEntryPoints& ProcessRegistryEntryPoints() {
  static const RegistryEntryPoints bound = BindRegistryEntryPoints(Advapi32());
  return bound;
}

std::int32_t DeleteKeyTree(RegistryKey root, const std::string& subKey) {
  return static_cast<std::int32_t>(
      ::SHDeleteKeyA(static_cast<HKEY>(root), subKey.c_str()));
}

}  // namespace platform
