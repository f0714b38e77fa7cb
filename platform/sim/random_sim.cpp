#include "platform/random.h"
#include "platform/sim/sim_world.h"

namespace platform {

std::uint32_t UnpredictableNumber() {
  sim::World& world = sim::TheWorld();
  const std::uint32_t number = world.nextUnpredictableNumber;
  world.nextUnpredictableNumber += 0x01010101;
  return number;
}

}  // namespace platform
