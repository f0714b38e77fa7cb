#include "platform/sim/registry_sim.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

#include "platform/registry_api.h"
#include "platform/sim/sim_world.h"

namespace sim {

namespace {

using platform::RegistryKey;

// An open key: the root it hangs under and its path, resolved at every use
// so that a key deleted while open simply stops answering.
struct OpenKey {
  RegistryKey root;
  std::string path;
};

World& TheSimWorld() { return TheWorld(); }

bool IsPredefinedRoot(RegistryKey key) {
  return key == platform::kClassesRoot || key == platform::kCurrentUser ||
         key == platform::kLocalMachine;
}

// Root and full path of `subKey` below `parent`, a root or an open key.
OpenKey Resolve(RegistryKey parent, const char* subKey) {
  if (IsPredefinedRoot(parent)) return {parent, subKey ? subKey : ""};
  const auto* open = static_cast<OpenKey*>(parent);
  std::string path = open->path;
  if (subKey != nullptr && *subKey != '\0') path += std::string("\\") + subKey;
  return {open->root, path};
}

constexpr std::uint32_t kKeyWow64View64 = 0x0100;
constexpr std::uint32_t kKeyWow64View32 = 0x0200;
constexpr std::string_view kSoftware = "software\\";
constexpr std::string_view kWow64Node = "wow6432node\\";

bool StartsIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char lower, char c) {
           return std::tolower(static_cast<unsigned char>(c)) == lower;
         });
}

// The key a path names in the view the call reads: the 32-bit view of
// HKLM\Software lies under its Wow6432Node. (The classes root is redirected
// alike on Windows; the launcher reads no class key that differs.)
OpenKey InView(OpenKey key, std::uint32_t access) {
  const bool view32 = (access & kKeyWow64View32) != 0 ||
                      ((access & kKeyWow64View64) == 0 && TheSimWorld().wow64Process);
  if (!view32 || key.root != platform::kLocalMachine || !StartsIgnoringCase(key.path, kSoftware) ||
      StartsIgnoringCase(key.path.substr(kSoftware.size()), kWow64Node)) {
    return key;
  }
  key.path.insert(kSoftware.size(), "Wow6432Node\\");
  return key;
}

std::int32_t SimRegOpenKeyExA(RegistryKey root, const char* subKey,
                              std::uint32_t, std::uint32_t access,
                              RegistryKey* result) {
  *result = nullptr;
  if (auto failure = TheSimWorld().faults.Failure("RegOpenKeyExA")) {
    return *failure;
  }
  const OpenKey key = InView(Resolve(root, subKey), access);
  if (TheSimWorld().RegistryKeyAt(key.root, key.path) == nullptr) {
    return platform::kErrorFileNotFound;
  }
  *result = new OpenKey(key);
  ++TheSimWorld().openRegistryKeys;
  return platform::kErrorSuccess;
}

std::int32_t SimRegCloseKey(RegistryKey key) {
  delete static_cast<OpenKey*>(key);
  --TheSimWorld().openRegistryKeys;
  return platform::kErrorSuccess;
}

std::int32_t SimRegQueryValueExA(RegistryKey key, const char* name,
                                 std::uint32_t*, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
  if (auto failure = TheSimWorld().faults.Failure("RegQueryValueExA")) {
    return *failure;
  }
  const auto* open = static_cast<OpenKey*>(key);
  const SimRegistryKey* found =
      TheSimWorld().RegistryKeyAt(open->root, open->path);
  std::string valueName = name ? name : "";
  std::transform(valueName.begin(), valueName.end(), valueName.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  if (found == nullptr || !found->values.contains(valueName)) {
    return platform::kErrorFileNotFound;
  }
  const SimRegistryValue& value = found->values.at(valueName);
  if (type != nullptr) *type = value.type;
  const auto length = static_cast<std::uint32_t>(value.data.size());
  if (data != nullptr) {
    if (size == nullptr || *size < length) {
      if (size != nullptr) *size = length;
      return platform::kErrorMoreData;
    }
    if (length > 0) std::memcpy(data, value.data.data(), length);
  }
  if (size != nullptr) *size = length;
  return platform::kErrorSuccess;
}

}  // namespace

void InstallSimRegistryFunctions(SimModule& advapi32) {
  advapi32.loadedBySystem = true;
  advapi32.exports["RegOpenKeyExA"] = reinterpret_cast<void*>(&SimRegOpenKeyExA);
  advapi32.exports["RegCloseKey"] = reinterpret_cast<void*>(&SimRegCloseKey);
  advapi32.exports["RegQueryValueExA"] =
      reinterpret_cast<void*>(&SimRegQueryValueExA);
}

}  // namespace sim

namespace platform {

// The simulated process is the world: binding is kept with the world and
// made afresh in a new one, so a test that takes an entry point away before
// its first key sees it unbound whatever ran before it.
const RegistryEntryPoints& ProcessRegistryEntryPoints() {
  std::optional<RegistryEntryPoints>& bound =
      sim::TheWorld().registryEntryPoints;
  if (!bound) bound = BindRegistryEntryPoints(FindLoadedModule("advapi32.dll"));
  return *bound;
}

std::int32_t DeleteKeyTree(RegistryKey root, const std::string& subKey) {
  sim::World& world = sim::TheWorld();
  if (auto failure = world.faults.Failure("SHDeleteKeyA")) return *failure;
  const std::size_t separator = subKey.find_last_of('\\');
  const std::string parentPath =
      separator == std::string::npos ? "" : subKey.substr(0, separator);
  std::string name =
      separator == std::string::npos ? subKey : subKey.substr(separator + 1);
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  sim::SimRegistryKey* parent = world.RegistryKeyAt(root, parentPath);
  if (parent == nullptr || parent->subkeys.erase(name) == 0) {
    return kErrorFileNotFound;
  }
  return kErrorSuccess;
}

}  // namespace platform
