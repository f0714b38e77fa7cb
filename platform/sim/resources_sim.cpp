#include <algorithm>
#include <cctype>
#include <string>

#include "platform/resources.h"
#include "platform/sim/sim_world.h"

namespace platform {

std::optional<std::span<const std::uint8_t>> LockResourceBytes(
    RawModule module, std::uint16_t id, const char* typeName) {
  if (sim::TheWorld().faults.ShouldFail("LockResourceBytes")) {
    return std::nullopt;
  }
  std::string type(typeName);
  std::transform(type.begin(), type.end(), type.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  const auto& resources = reinterpret_cast<sim::SimModule*>(module)->resources;
  auto found = resources.find({type, id});
  if (found == resources.end()) return std::nullopt;
  return std::span<const std::uint8_t>(found->second);
}

}  // namespace platform
