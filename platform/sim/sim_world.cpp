#include "platform/sim/sim_world.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "pe/pe_resource_reader.h"
#include "platform/com_types.h"
#include "platform/sim/code_page_sim.h"
#include "platform/sim/registry_sim.h"
#include "platform/text.h"

namespace sim {

namespace {

std::string Lowered(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return std::tolower(c); });
  return result;
}

std::string Uppered(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  return result;
}

}  // namespace

void FaultPlan::FailCall(std::string_view operation, int nth,
                         std::int32_t code) {
  countdowns_[std::string(operation)] = {nth, code};
}

std::optional<std::int32_t> FaultPlan::Failure(std::string_view operation) {
  Note(operation);
  auto found = countdowns_.find(operation);
  if (found == countdowns_.end()) return std::nullopt;
  if (--found->second.calls > 0) return std::nullopt;
  const std::int32_t code = found->second.code;
  countdowns_.erase(found);
  return code;
}

void FaultPlan::Note(std::string_view operation) {
  calls_.emplace_back(operation);
}

namespace {

// SHGetFolderPathW: the folder, kept as narrow text in the process's code
// page, in a buffer of MAX_PATH characters; one that does not fit fails.
std::int32_t SimGetFolderPath(void*, int csidl, void*, std::uint32_t,
                              char16_t* path) {
  constexpr std::size_t kMaxPath = 260;
  const World& world = TheWorld();
  auto found = world.shellFolders.find(csidl);
  std::u16string folder;
  if (found == world.shellFolders.end() ||
      !DecodeProcessText(found->second, folder) || folder.size() >= kMaxPath) {
    return E_FAIL;
  }
  std::copy(folder.begin(), folder.end(), path);
  path[folder.size()] = u'\0';
  return world.shellFolderResult;
}

}  // namespace

World::World() {
  AddModule("shell32.dll").exports["SHGetFolderPathW"] =
      reinterpret_cast<void*>(&SimGetFolderPath);
  InstallSimRegistryFunctions(AddModule("advapi32.dll"));
  shellFolders[0x1C] = "C:\\Users\\u\\AppData\\Local";
  shellFolders[0x26] = "C:\\Program Files";
}

SimModule& World::AddModule(const std::string& path) {
  return modules[Lowered(path)];
}

SimModule* World::FindModule(const std::string& path) {
  auto found = modules.find(Lowered(path));
  return found == modules.end() ? nullptr : &found->second;
}

void World::AddResource(const std::string& modulePath, std::string_view type,
                        std::uint16_t id, std::vector<std::uint8_t> bytes) {
  AddModule(modulePath).resources[{Uppered(type), id}] = std::move(bytes);
}

bool World::AddModuleFromPeFile(const std::string& path,
                                const std::string& hostFile) {
  std::ifstream file(hostFile, std::ios::binary);
  if (!file) return false;
  const std::vector<std::uint8_t> image{std::istreambuf_iterator<char>(file),
                                        std::istreambuf_iterator<char>()};
  SimModule& module = AddModule(path);
  for (const pe::PeResourceKey& key : pe::ListPeResources(image)) {
    if (auto bytes = pe::FindPeResource(image, key.type, key.id)) {
      module.resources[{Uppered(key.type), key.id}] = std::move(*bytes);
    }
  }
  return true;
}

SimRegistryKey* World::RegistryKeyAt(void* root, const std::string& path,
                                     bool create) {
  SimRegistryKey* key = create ? &registry[root] : nullptr;
  if (!create) {
    auto found = registry.find(root);
    if (found == registry.end()) return nullptr;
    key = &found->second;
  }
  std::size_t start = 0;
  while (start < path.size()) {
    const std::size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) {
      const std::string name = Lowered(path.substr(start, end - start));
      auto found = key->subkeys.find(name);
      if (found == key->subkeys.end()) {
        if (!create) return nullptr;
        found = key->subkeys.emplace(name, SimRegistryKey{}).first;
      }
      key = &found->second;
    }
    start = end + 1;
  }
  return key;
}

void World::SetRegistryValue(void* root, const std::string& path,
                             const std::string& name, std::uint32_t type,
                             std::vector<std::uint8_t> data) {
  RegistryKeyAt(root, path, true)->values[Lowered(name)] = {type,
                                                            std::move(data)};
}

void World::SetRegistryText(void* root, const std::string& path,
                            const std::string& name, const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetRegistryValue(root, path, name, 1 /* REG_SZ */, std::move(data));
}

void World::SetRegistryDword(void* root, const std::string& path,
                             const std::string& name, std::uint32_t value) {
  SetRegistryValue(root, path, name, 4 /* REG_DWORD */,
                   {static_cast<std::uint8_t>(value),
                    static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value >> 16),
                    static_cast<std::uint8_t>(value >> 24)});
}

int World::LoadedModuleReferences() const {
  int total = 0;
  for (const auto& [path, module] : modules) total += module.references;
  return total;
}

void World::AddWindow(platform::WindowHandle handle, std::uint32_t threadId,
                      std::string className) {
  windows.push_back({handle, threadId, std::move(className)});
}

const SimWindow* World::FindWindow(platform::WindowHandle handle) const {
  auto found = std::find_if(windows.begin(), windows.end(),
                            [&](const SimWindow& w) { return w.handle == handle; });
  return found == windows.end() ? nullptr : &*found;
}

World& TheWorld() {
  static World world;
  return world;
}

void ResetWorld() { TheWorld() = World{}; }

}  // namespace sim

namespace sim {

std::filesystem::path World::HostPath(const std::string& windowsPath) const {
  std::string path = windowsPath;
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.size() < 2 || path[1] != ':') {
    // Relative to the current folder, as Windows resolves it.
    path = currentFolder + "\\" + path;
  }
  std::filesystem::path host =
      sandboxRoot / std::string(1, static_cast<char>(std::toupper(
                                       static_cast<unsigned char>(path[0]))));
  // A component ends at a backslash that is a character of its own: the
  // second byte of a double-byte character may have a backslash's value.
  std::string component;
  for (std::size_t i = 2; i < path.size(); ++i) {
    if (platform::IsLeadByte(path[i]) && i + 1 < path.size()) {
      component += path.substr(i++, 2);
    } else if (path[i] != '\\') {
      component += path[i];
    } else if (!component.empty()) {
      host /= component;
      component.clear();
    }
  }
  if (!component.empty()) host /= component;
  return host;
}

}  // namespace sim
