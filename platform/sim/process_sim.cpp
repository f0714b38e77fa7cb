#include "platform/process.h"
#include "platform/sim/sim_world.h"

namespace platform {

std::uint32_t GetCurrentProcessId() { return sim::TheWorld().processId; }

std::string CurrentUserSid() {
  sim::World& world = sim::TheWorld();
  if (world.faults.ShouldFail("CurrentUserSid")) return {};
  return world.userSid;
}

}  // namespace platform
