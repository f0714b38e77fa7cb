#pragma once

// The registry as the system's advapi32.dll exports it. The launcher binds
// these entry points by name at run time (the executable does not import
// advapi32), so their signatures are written out here, with Windows' types
// spelled in portable ones of the same size.

#include <cstdint>
#include <string>

#include "platform/modules.h"

namespace platform {

using RegistryKey = void*;  // HKEY

// The predefined root keys.
inline const RegistryKey kClassesRoot =
    reinterpret_cast<RegistryKey>(static_cast<std::intptr_t>(
        static_cast<std::int32_t>(0x80000000)));
inline const RegistryKey kCurrentUser =
    reinterpret_cast<RegistryKey>(static_cast<std::intptr_t>(
        static_cast<std::int32_t>(0x80000001)));
inline const RegistryKey kLocalMachine =
    reinterpret_cast<RegistryKey>(static_cast<std::intptr_t>(
        static_cast<std::int32_t>(0x80000002)));

inline constexpr std::int32_t kErrorSuccess = 0;
inline constexpr std::int32_t kErrorFileNotFound = 2;
inline constexpr std::int32_t kErrorProcNotFound = 127;
inline constexpr std::int32_t kErrorMoreData = 234;
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;

using RegOpenKeyExAFunction = std::int32_t(PLATFORM_WINAPI*)(
    RegistryKey root, const char* subKey, std::uint32_t options,
    std::uint32_t access, RegistryKey* result);
using RegCloseKeyFunction = std::int32_t(PLATFORM_WINAPI*)(RegistryKey key);
using RegQueryValueExAFunction = std::int32_t(PLATFORM_WINAPI*)(
    RegistryKey key, const char* name, std::uint32_t* reserved,
    std::uint32_t* type, std::uint8_t* data, std::uint32_t* size);

// The registry entry points the launcher calls; one that advapi32 does not
// export is nullptr.
struct RegistryEntryPoints {
  RegOpenKeyExAFunction openKey = nullptr;
  RegCloseKeyFunction closeKey = nullptr;
  RegQueryValueExAFunction queryValue = nullptr;
};

// The entry points the loaded `advapi32` exports; none for nullptr.
inline RegistryEntryPoints BindRegistryEntryPoints(RawModule advapi32) {
  if (advapi32 == nullptr) return {};
  return {FindExportAs<RegOpenKeyExAFunction>(advapi32, "RegOpenKeyExA"),
          FindExportAs<RegCloseKeyFunction>(advapi32, "RegCloseKey"),
          FindExportAs<RegQueryValueExAFunction>(advapi32, "RegQueryValueExA")};
}

// advapi32's registry entry points, bound at the first call and the same
// for the rest of the process; all nullptr when advapi32 cannot be loaded.
const RegistryEntryPoints& ProcessRegistryEntryPoints();

// Deletes `subKey` of `root` with all its subkeys and values
// (SHDeleteKeyA). Returns the system's error code, kErrorSuccess on success.
std::int32_t DeleteKeyTree(RegistryKey root, const std::string& subKey);

}  // namespace platform
