#include "platform/com.h"
#include "platform/sim/sim_world.h"

namespace platform {

void InitializeCom() {
  sim::TheWorld().faults.Note("InitializeCom");
  ++sim::TheWorld().comInitializations;
}

void UninitializeCom() {
  sim::TheWorld().faults.Note("UninitializeCom");
  ++sim::TheWorld().comUninitializations;
}

// Records the filter's numbers in the world while it is registered; the
// simulated COM makes no calls that a server could reject, so nothing asks
// the filter anything.
MessageFilterRegistration::MessageFilterRegistration(
    const RetryPolicy& retry) {
  sim::World& world = sim::TheWorld();
  if (world.faults.ShouldFail("CoRegisterMessageFilter")) return;
  registered_ = true;
  world.messageFilter = retry;
  ++world.messageFilterRegistrations;
}

MessageFilterRegistration::~MessageFilterRegistration() {
  if (!registered_) return;
  sim::World& world = sim::TheWorld();
  world.faults.Note("RevokeMessageFilter");
  world.messageFilter.reset();
  ++world.messageFilterRevocations;
}

}  // namespace platform
