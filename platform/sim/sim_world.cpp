#include "platform/sim/sim_world.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "platform/sim/pe_resource_reader.h"

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

void FaultPlan::FailCall(std::string_view operation, int nth) {
  countdowns_[std::string(operation)] = nth;
}

bool FaultPlan::ShouldFail(std::string_view operation) {
  auto found = countdowns_.find(operation);
  if (found == countdowns_.end()) return false;
  if (--found->second > 0) return false;
  countdowns_.erase(found);
  return true;
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
  for (const PeResourceKey& key : ListPeResources(image)) {
    if (auto bytes = FindPeResource(image, key.type, key.id)) {
      module.resources[{Uppered(key.type), key.id}] = std::move(*bytes);
    }
  }
  return true;
}

int World::LoadedModuleReferences() const {
  int total = 0;
  for (const auto& [path, module] : modules) total += module.references;
  return total;
}

World& TheWorld() {
  static World world;
  return world;
}

void ResetWorld() { TheWorld() = World{}; }

}  // namespace sim
