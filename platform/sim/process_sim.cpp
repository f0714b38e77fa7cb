#include "platform/process.h"
#include "platform/sim/sim_world.h"

namespace platform {

std::uint32_t GetCurrentProcessId() { return sim::TheWorld().processId; }

}  // namespace platform
