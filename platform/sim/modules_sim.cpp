#include <cstring>

#include "platform/modules.h"
#include "platform/sim/sim_world.h"

namespace platform {

namespace {
sim::SimModule* FromRaw(RawModule module) {
  return reinterpret_cast<sim::SimModule*>(module);
}
}  // namespace

RawModule LoadModule(const std::string& path, LoadAs as) {
  sim::World& world = sim::TheWorld();
  world.moduleLoads.push_back({path, as});
  if (world.faults.ShouldFail("LoadModule")) return nullptr;
  sim::SimModule* module = world.FindModule(path);
  if (module == nullptr) return nullptr;
  ++module->references;
  return reinterpret_cast<RawModule>(module);
}

DllSearch LimitDllSearch() {
  sim::World& world = sim::TheWorld();
  world.faults.Note("LimitDllSearch");
  world.dllSearch = world.dllSearchOffered;
  return world.dllSearch;
}

RawModule FindLoadedModule(const std::string& name) {
  sim::SimModule* module = sim::TheWorld().FindModule(name);
  return module != nullptr && module->loadedBySystem
             ? reinterpret_cast<RawModule>(module)
             : nullptr;
}

void UnloadModule(RawModule module) noexcept {
  if (module != nullptr) --FromRaw(module)->references;
}

void* FindExport(RawModule module, const char* name) {
  const auto& exports = FromRaw(module)->exports;
  auto found = exports.find(name);
  return found == exports.end() ? nullptr : found->second;
}

std::uint32_t GetOwnModuleFileName(char* buffer, std::uint32_t size) {
  sim::World& world = sim::TheWorld();
  if (size == 0 || world.faults.ShouldFail("GetOwnModuleFileName")) return 0;
  const std::string& path = world.ownModulePath;
  if (path.size() >= size) {
    // The path is cut to size - 1 characters and the full size returned.
    std::memcpy(buffer, path.data(), size - 1);
    buffer[size - 1] = '\0';
    return size;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<std::uint32_t>(path.size());
}

}  // namespace platform
