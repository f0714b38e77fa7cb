#include "platform/events.h"
#include "platform/sim/sim_world.h"

namespace platform {

void WaitForEvent(RawEvent) { ++sim::TheWorld().eventWaits; }

void CloseEvent(RawEvent) noexcept {}

}  // namespace platform
