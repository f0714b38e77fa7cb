#include "platform/clock.h"
#include "platform/sim/sim_world.h"

namespace platform {

std::uint32_t TickCount() { return sim::TheWorld().tickCount; }

// Nothing really waits: the clock moves on by the pause, which is recorded.
void Pause(std::uint32_t milliseconds) {
  sim::World& world = sim::TheWorld();
  world.pauses.push_back(milliseconds);
  world.tickCount += milliseconds;
  if (world.whilePausing) world.whilePausing();
}

}  // namespace platform
