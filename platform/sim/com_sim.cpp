#include "platform/com.h"
#include "platform/sim/sim_world.h"

namespace platform {

void InitializeCom() {
  sim::TheWorld().faults.Note("InitializeCom");
  ++sim::TheWorld().comInitializations;
}

void UninitializeCom() { ++sim::TheWorld().comUninitializations; }

}  // namespace platform
